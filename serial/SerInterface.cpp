#include "serial/SerInterface.h"

#include "i18n/CodePage.h"
#include "i18n/FileOwner.h"
#include "serial/ErrorReport.h"
#include "serial/PortDiscovery.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

std::unique_ptr<TSerialInterface> serialLink;
std::unique_ptr<TSerialInterface> releasedLink;
bool serialTraceEnabled = false;
qint64 serialTraceLimit = kSerialTraceLimit;

namespace {

int integerValue(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : -1;
}

} // namespace

TSerialInterface::TSerialInterface(const QString& serPort, ILinkHost& host_,
                                   const TickClock& clock_)
    : comport(integerValue(serPort)), com(std::make_unique<TApdComPort>()), host(host_),
      clock(clock_) {
    com->setComNumber(comport > 0 ? comport : 1);
    com->setDeviceName(portDeviceName(serPort));
    com->OnTriggerAvail = [this](std::uint16_t count) { TriggerAvail(count); };
    // A device that went away disconnects as a failed write does, without a message.
    com->OnLost = [this] { host.OpenCloseButtonLabelClick(nullptr); };
    if (!com->deviceName().isEmpty())
        com->SetOpen(true);
}

TSerialInterface::~TSerialInterface() { *alive = false; }

void TSerialInterface::EnqueueCommand(const QString& cmd) { send(cmd, false); }

void TSerialInterface::EnqueueUrgentCommand(const QString& cmd) { send(cmd, true); }

void TSerialInterface::send(const QString& cmd, bool urgent) {
    if (!com->FOpen())
        return;
    if (const auto next = pacer.admit(cmd, urgent, clock.tickCount()))
        write(*next);
}

void TSerialInterface::SendOverdue() {
    if (!com->FOpen())
        return;
    if (const auto next = pacer.takeOverdueHead(clock.tickCount()))
        write(*next);
}

void TSerialInterface::write(const QString& request) {
    bool failed = false;
    try {
        com->PutString(codepage::unicodeToAnsi(request));
    } catch (const EComError&) {
        failed = true;
    }
    const auto stillAlive = alive;
    if (failed) {
        com->SetOpen(false);
        host.OpenCloseButtonLabelClick(nullptr);
        if (!*stillAlive)
            return;
    }
    written(request);
}

void TSerialInterface::written(const QString& request) {
    const std::uint32_t now = clock.tickCount();
    // A silent focuser answers none: those lost are forgotten.
    while (!unansweredSince.empty() && now - unansweredSince.front() > kReplyLostMs)
        unansweredSince.pop_front();
    unansweredSince.push_back(now);
    if (serialTraceEnabled)
        WriteTraceLine(QStringLiteral("[TX  ] ") + request);
}

std::size_t TSerialInterface::RepliesComing() const {
    const std::uint32_t now = clock.tickCount();
    return std::size_t(std::count_if(unansweredSince.begin(), unansweredSince.end(),
                                     [now](std::uint32_t t) { return now - t <= kReplyLostMs; }));
}

void TSerialInterface::ReleaseLater() {
    if (com->FOpen()) {
        com->FlushOutBuffer();
        com->FlushInBuffer();
        com->DonePort();
        com->SetOpen(false);
    }
    if (serialLink.get() == this)
        releasedLink = std::move(serialLink);
}

bool TSerialInterface::IsQueueEmpty() { return pacer.isIdle(clock.tickCount()); }

void TSerialInterface::TriggerAvail(std::uint16_t count) {
    // Bytes held too long under a modal box were dropped before this batch: what was being
    // received cannot be completed.
    if (com->inputLostBeforeBatch())
        framer.resynchronise();
    // Frames left over when handling an earlier batch failed come first.
    if (!handleFrames())
        return;
    for (int i = 0; i < count; ++i) {
        framer.feed(codepage::ansiToUnicode(com->GetChar()));
        if (!handleFrames())
            return;
    }
}

bool TSerialInterface::handleFrames() {
    // Runs for every byte received, and most bytes complete no frame: the link's life is
    // watched over only while a frame is handled.
    while (auto frame = framer.takeFrame()) {
        const auto stillAlive = alive;
        if (frame->kind == ReplyFramer::FrameKind::Line)
            DispatchExtra(frame->text);
        else
            completeObject(frame->text, frame->kind == ReplyFramer::FrameKind::Object);
        // Handling a frame may have released or destroyed this link.
        if (!*stillAlive || !com->FOpen())
            return false;
    }
    return true;
}

void TSerialInterface::completeObject(const QString& text, bool readable) {
    if (serialTraceEnabled)
        WriteTraceLine(QStringLiteral("[  RX] ") + text);
    if (!unansweredSince.empty())
        unansweredSince.pop_front();
    const auto stillAlive = alive;
    // A malformed reply cannot be read, but it is the device's answer all the same.
    if (readable) {
        try {
            DispatchReply(text);
        } catch (...) {
            // A reply that cannot be handled is dropped; framing goes on.
        }
    }
    if (!*stillAlive || !com->FOpen())
        return;
    const auto next = pacer.replyArrived();
    if (!next)
        return;
    // A refused write here is not caught: it reaches the default error report and the
    // request stays at the head of the queue.
    com->PutString(codepage::unicodeToAnsi(*next));
    written(*next);
    pacer.headWritten();
}

void TSerialInterface::DispatchReply(const QString& text) {
    rapidjson::Document doc;
    const rapidjson::Value* res = nullptr;
    if (!parseReply(text, doc, res))
        throw EComError(QStringLiteral("The reply is not a JSON object with a res object."));
    host.ParseMessage(res, text);
}

void TSerialInterface::DispatchExtra(const QString& line) {
    try {
        host.ParseExtraMessage(line);
    } catch (...) {
        // A line that cannot be handled changes nothing more.
    }
}

bool TSerialInterface::WriteTraceLine(const QString& text) {
    const QString name = QStringLiteral("serial_trace.log");
    // Opening a pipe or a device waits for its reader: the link would stop with it.
    const QFileInfo info(name);
    if (info.exists() && !info.isFile())
        return false;
    QFile file(name);
    // Appended whatever another program beside this one wrote meanwhile. Unbuffered, so that
    // a write that does not fit is known here.
    constexpr auto mode = QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;
    // A log made under sudo would be root's, and the user's later runs could not add to it.
    // Asked only when the log is made, not at every line.
    fileowner::Owner owner = info.exists() ? fileowner::Owner{} : fileowner::ownerFor(name);
    if (!file.open(mode))
        return false;
    fileowner::giveTo(name, owner);
    // A night of status replies once a second is some 50 MB, and tracing is easily left on:
    // the full log is kept as the previous one and a new one begun, so that the disk does not
    // fill night after night.
    if (file.size() >= serialTraceLimit) {
        file.close();
        const QString previous = name + QStringLiteral(".1");
        QFile::remove(previous);
        QFile::rename(name, previous); // when it cannot be set aside, the log goes on as it is
        owner = fileowner::ownerFor(name);
        if (!file.open(mode))
            return false;
        fileowner::giveTo(name, owner);
    }
    const QString line = clock.localNow().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) +
                         QStringLiteral("   ") + text + QStringLiteral("\r\n");
    const QByteArray bytes = codepage::unicodeToAnsi(line);
    const qint64 before = file.size();
    if (file.write(bytes) == bytes.size())
        return true;
    // Part of a line (a full disk) would run into the next line: it is taken back.
    file.resize(before);
    return false;
}

TSerialInterface& CreateSerialLink(const QString& serialPort, ILinkHost& host,
                                   const TickClock& clock) {
    auto link = std::make_unique<TSerialInterface>(serialPort, host, clock);
    serialLink = std::move(link);
    return *serialLink;
}
