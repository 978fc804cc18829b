#pragma once
// The serial link: the one object through which the program talks to the focuser.
// It paces requests (one awaited reply at a time, for at most 350 ms), cuts the received
// byte stream into JSON objects and text lines, and hands both to its host.

#include "serial/ApdComPort.h"
#include "serial/ReplyFraming.h"
#include "serial/RequestPacing.h"
#include "serial/TickClock.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <rapidjson/document.h>

// What the link needs of the main window.
class ILinkHost {
public:
    // One complete reply: its `res` object (null when it has none) and its whole text.
    // Returns true when the handling ran to its end; a failure may also be thrown.
    virtual bool ParseMessage(const rapidjson::Value* msg, const QString& sourceStr) = 0;
    // One text line received between objects, without its line end.
    virtual void ParseExtraMessage(const QString& S) = 0;
    // Connects or disconnects; the link calls it with no sender when a write fails or the
    // device goes away.
    virtual void OpenCloseButtonLabelClick(QObject* sender) = 0;

protected:
    ~ILinkHost() = default;
};

class TSerialInterface {
public:
    static constexpr int kMaxObjectLength = ReplyFramer::kMaxObjectLength;
    // A reply not come this long after its request is taken as lost.
    static constexpr std::uint32_t kReplyLostMs = 3000;

    // Makes the link for the chosen port (the port list's text without "COM") and opens its
    // port when the text names one. Throws EComError when the port cannot be opened.
    TSerialInterface(const QString& serPort, ILinkHost& host,
                     const TickClock& clock = systemClock());
    ~TSerialInterface();

    TSerialInterface(const TSerialInterface&) = delete;
    TSerialInterface& operator=(const TSerialInterface&) = delete;

    // Sends `cmd` now, or queues it at the tail while a reply is awaited.
    void EnqueueCommand(const QString& cmd);
    // The same, but a request that has to wait goes ahead of every ordinary one waiting
    // (behind the urgent ones already there).
    void EnqueueUrgentCommand(const QString& cmd);

    // Writes the head of the queue when the awaited reply is overdue. For a host that sends
    // nothing meanwhile (polling pauses during a move): the rule is otherwise applied only when
    // the next request is sent, and the queue would wait for it.
    void SendOverdue();

    // How many replies the requests written or queued so far are still owed: a reply that
    // comes before them speaks of the time before the next request.
    std::size_t RepliesOwed() const { return pacer.queue().size() + RepliesComing(); }

    // How many replies come before that of an urgent request sent now: those of the requests
    // written (also when overdue, as they may still come) and of the urgent ones queued.
    std::size_t RepliesBeforeUrgent() const { return pacer.urgentCount() + RepliesComing(); }

    // Replies still to come for the requests written, lost ones aside. Not only the one
    // awaited: a slow focuser still owes those that went out when its replies were overdue.
    std::size_t RepliesComing() const;

    // Forgets the queued requests `unwanted` picks: they are never written.
    std::size_t DropQueued(const std::function<bool(const QString&)>& unwanted) {
        return pacer.dropQueued(unwanted);
    }

    // Closes the port (discarding what is not yet sent or read) and moves this link from
    // serialLink to releasedLink.
    void ReleaseLater();

    int GetPort() const { return comport; }

    // No reply is awaited (after the 350 ms rule) and nothing is queued.
    bool IsQueueEmpty();

    // The data-available handler: takes `count` bytes from the port and frames them.
    void TriggerAvail(std::uint16_t count);

    // Appends one line to serial_trace.log in the current directory; false when it could not.
    bool WriteTraceLine(const QString& text);

    // For inspection by tests and the host.
    bool isWaitingAnswer() const { return pacer.isWaitingAnswer(); }
    const std::deque<QString>& queue() const { return pacer.queue(); }
    TApdComPort& port() { return *com; }
    int pendingBraceCount() const { return framer.pendingBraceCount(); }

private:
    void send(const QString& cmd, bool urgent);
    void write(const QString& request);
    bool handleFrames();
    void completeObject(const QString& text, bool readable);
    void DispatchReply(const QString& text);
    void DispatchExtra(const QString& line);

    int comport = -1;
    std::unique_ptr<TApdComPort> com;
    RequestPacer pacer;  // the queue and the awaited reply
    ReplyFramer framer; // the received objects and lines
    // When each request written and not yet answered went out, oldest first; replies come in
    // the order asked.
    std::deque<std::uint32_t> unansweredSince;
    void written(const QString& request); // counted as owed a reply, and traced

    ILinkHost& host;
    const TickClock& clock;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

// The current link (empty while disconnected) and the released one waiting to be destroyed.
extern std::unique_ptr<TSerialInterface> serialLink;
extern std::unique_ptr<TSerialInterface> releasedLink;
// Writes serial_trace.log when set.
extern bool serialTraceEnabled;
// The size at which serial_trace.log becomes serial_trace.log.1 (replacing an older one) and a
// new log begins.
extern qint64 serialTraceLimit;
constexpr qint64 kSerialTraceLimit = 64 * 1024 * 1024;

// Makes the link for `serialPort` and keeps it in serialLink; throws EComError when the port
// cannot be opened, leaving serialLink as it was.
TSerialInterface& CreateSerialLink(const QString& serialPort, ILinkHost& host,
                                   const TickClock& clock = systemClock());
