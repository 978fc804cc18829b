#pragma once
// Pacing of requests. The focuser takes one request at a time: a request is written only
// while no reply is awaited, the others wait in a queue that complete replies release one by
// one, and a reply overdue by more than kReplyWaitMs no longer holds back a new request.
// Pure bookkeeping over a wrapping millisecond tick count, shared by the serial link and the
// INDI driver: the caller writes what it is told to write.

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

class RequestPacer {
public:
    static constexpr std::uint32_t kReplyWaitMs = 350;

    // A request to send at `now`: it joins the queue, ahead of every ordinary request when
    // urgent (behind the urgent ones already waiting, which were asked for first), at the tail
    // otherwise. While no reply is awaited (none, or one overdue), the head of the queue is
    // returned to be written now, its reply awaited from now on: requests asked for earlier
    // go out first, whatever became of the replies to those before them.
    std::optional<QString> admit(const QString& request, bool urgent, std::uint32_t now);

    // A complete reply came. The queued request to write next, left at the head of the queue
    // until headWritten(); nothing when the queue is empty, and then no reply is awaited.
    // A request written this way does not renew the time the reply is awaited since.
    std::optional<QString> replyArrived();
    void headWritten();

    // At `now`, with no reply awaited any more (none, or one overdue), the head of the queue
    // is due to go out as if sent anew: taken from the queue, its reply awaited from `now`.
    // Nothing while a reply is awaited in time, or when nothing waits. For a host that sends
    // nothing for a while (the INDI driver's timer, the link's polling during a move): admit()
    // applies the rule only as the next request comes.
    std::optional<QString> takeOverdueHead(std::uint32_t now);

    // No reply is awaited (after the overdue rule) and nothing is queued.
    bool isIdle(std::uint32_t now);

    bool isWaitingAnswer() const { return waitingAnswer; }
    // When the reply awaited now stops holding back requests.
    std::uint32_t awaitedSince() const { return waitingAnswerT; }
    const std::deque<QString>& queue() const { return commandsQueue; }
    // How many at the head of the queue came urgent.
    std::size_t urgentCount() const { return urgentQueued; }
    // Forgets everything queued and awaited (the port was closed).
    void clear();
    // Forgets the queued requests `unwanted` picks; how many there were.
    std::size_t dropQueued(const std::function<bool(const QString&)>& unwanted);

private:
    void applyOverdueRule(std::uint32_t now);

    void popHead();

    std::deque<QString> commandsQueue;
    std::size_t urgentQueued = 0; // how many at the head of the queue came urgent
    bool waitingAnswer = false;
    std::uint32_t waitingAnswerT = 0;
};
