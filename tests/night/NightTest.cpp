// A long night at the telescope, compressed on a driven clock: the real window and link against
// the emulated focuser, more than ten thousand polls, random user commands, and every way the
// emulated focuser can misbehave, the pseudo-terminal going away in the middle of a move among
// them. The seed is printed with any failure; CALVETTA_NIGHT_SEED=N runs another night.

#include "../window/WindowFixture.h"
#include "emulator/EmulatedPorts.h"
#include "emulator/PtyServer.h"
#include "history/SessionHistory.h"
#include "i18n/CodePage.h"
#include "protocol/PositionRules.h"
#include "protocol/Requests.h"
#include "serial/VirtualPorts.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <deque>
#include <malloc.h>
#include <random>
#include <rapidjson/document.h>
#include <set>
#if defined(__SANITIZE_ADDRESS__)
// The allocator's statistics (sanitizer/allocator_interface.h, which gcc does not ship).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes in use on the heap. Under AddressSanitizer the allocator's own count, which leaves out
// the quarantine of freed blocks; otherwise glibc's count of bytes in allocated chunks.
std::size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// The window as the link sees it, telling the night of every reply handed over.
class WatchedWindow : public TVaskelWindow {
public:
    std::function<void(const QString& text, bool completed)> onReply;

    bool ParseMessage(const rapidjson::Value* msg, const QString& sourceStr) override {
        bool completed = false;
        try {
            completed = TVaskelWindow::ParseMessage(msg, sourceStr);
        } catch (...) {
            if (onReply)
                onReply(sourceStr, false);
            throw;
        }
        if (onReply)
            onReply(sourceStr, completed);
        return completed;
    }
};

// The in-process port, with what the program writes and reads on it shown to the night.
class WatchedTransport : public EmulatedTransport {
public:
    using EmulatedTransport::EmulatedTransport;
    std::function<void(const QByteArray&)> onWrite;
    std::function<void(const QByteArray&)> onRead;

    bool write(const QByteArray& bytes, QString& error) override {
        const bool written = EmulatedTransport::write(bytes, error);
        if (written && onWrite)
            onWrite(bytes);
        return written;
    }
    QByteArray readAll() override {
        QByteArray bytes = EmulatedTransport::readAll();
        if (onRead && !bytes.isEmpty())
            onRead(bytes);
        return bytes;
    }
};

// Finds the replies the device got across intact in what the program received, by reading
// JSON from every place a reply begins; independent of the program's own framing.
class IntactReplies {
public:
    // Takes received bytes; returns the replies they complete, in order.
    QStringList take(const QByteArray& bytes) {
        pending_ += codepage::ansiToUnicode(bytes);
        QStringList found;
        static const QString start = QStringLiteral("{\"res\":");
        for (;;) {
            const qsizetype at = pending_.indexOf(start);
            if (at < 0) {
                pending_ = pending_.right(start.size() - 1);
                break;
            }
            pending_.remove(0, at);
            rapidjson::GenericStringStream<rapidjson::UTF16<char16_t>> in(
                reinterpret_cast<const char16_t*>(pending_.utf16()));
            rapidjson::GenericDocument<rapidjson::UTF16<char16_t>> doc;
            doc.ParseStream<rapidjson::kParseStopWhenDoneFlag>(in);
            if (!doc.HasParseError()) {
                found.append(pending_.left(static_cast<qsizetype>(in.Tell())));
                pending_.remove(0, static_cast<qsizetype>(in.Tell()));
            } else if (doc.GetErrorOffset() >= static_cast<std::size_t>(pending_.size())) {
                break; // the rest of it is still on its way
            } else {
                pending_.remove(0, 1); // broken: not a reply
            }
        }
        return found;
    }

private:
    QString pending_;
};

// Requests counted out and back in, each text exactly as often as it was sent.
class Tally {
public:
    void add(const QString& text) { ++counts_[text]; }
    // False when `text` was not outstanding.
    bool remove(const QString& text) {
        const auto it = counts_.find(text);
        if (it == counts_.end())
            return false;
        if (--*it == 0)
            counts_.erase(it);
        return true;
    }
    bool empty() const { return counts_.isEmpty(); }
    QStringList texts() const { return counts_.keys(); }

private:
    QHash<QString, int> counts_;
};

// One stretch of the night and how the focuser misbehaves during it.
struct Stretch {
    const char* name;
    int polls;
    FaultSwitches faults;
};

FaultSwitches withFaults(std::function<void(FaultSwitches&)> set) {
    FaultSwitches f;
    set(f);
    return f;
}

} // namespace

class LongNight : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const QByteArray seedText = qgetenv("CALVETTA_NIGHT_SEED");
        seed = seedText.isEmpty() ? 20260102u : seedText.toUInt();
        random.seed(seed);

        DeviceConfig config;
        config.seed = seed;
        focuser = std::make_shared<EmulatedFocuser>(clock, config);
        focuser->device.onRequest = [this](const QByteArray& r) { deviceHeard(r); };
        auto unit = focuser;
        registerVirtualPort(QStringLiteral("NIGHT"), [this, unit] {
            auto port = std::make_unique<WatchedTransport>(unit);
            port->onWrite = [this](const QByteArray& b) { programWrote(b); };
            port->onRead = [this](const QByteArray& b) { programRead(b); };
            transport = port.get();
            return port;
        });
    }
    void TearDown() override {
        window.reset();
        serialLink.reset();
        releasedLink.reset();
        unregisterVirtualPort(QStringLiteral("NIGHT"));
        WindowTest::TearDown();
    }

    // --- the wire, as the program and the device see it --------------------------------

    void programWrote(const QByteArray& bytes) {
        const QString request = codepage::ansiToUnicode(bytes);
        if (!overPty)
            crossed.push_back(request);
        if (!isPoll(request) && !unwritten.remove(request))
            ADD_FAILURE() << "written but never sent, or written twice: " << request.toStdString();
        else if (!isPoll(request))
            unheard.add(request);
    }
    void deviceHeard(const QByteArray& bytes) {
        const QString request = codepage::ansiToUnicode(bytes);
        if (overPty)
            crossed.push_back(request);
        if (isPoll(request)) {
            ++statusHeard;
            lastStatusHeardAt = clock.tickCount();
            return;
        }
        // On the pseudo-terminal the program's writes are not watched: what it sent counts.
        Tally& from = overPty ? unwritten : unheard;
        if (!from.remove(request))
            ADD_FAILURE() << "heard but never sent, or heard twice: " << request.toStdString();
    }
    void programRead(const QByteArray& bytes) {
        for (const QString& reply : intact.take(bytes)) {
            // A reply begun while a message box was open may have lost its beginning there.
            const bool mayBeLost = modal > 0 || begunUnderBox;
            begunUnderBox = false;
            // Longer objects are dropped by rule; every other intact reply must reach the window.
            if (reply.size() < TSerialInterface::kMaxObjectLength) {
                expected.push_back({reply, mayBeLost});
                ++repliesExpected;
            }
        }
        begunUnderBox = begunUnderBox || modal > 0;
    }
    void windowHandled(const QString& text, bool completed) {
        ++repliesHandled;
        handed.push_back(text);
        if (text.contains(QLatin1String("\"MODNAME\""))) {
            ++statusHandled;
            if (!completed)
                ADD_FAILURE() << "a whole status reply was not handled to its end: "
                              << text.toStdString();
        }
        if (overPty)
            return; // what the pseudo-terminal carried is not watched
        // What came while a message box was open may have been dropped by the port's bound,
        // and a status reply lost there may read exactly as the next one: every way of matching
        // the handed reply is followed.
        std::set<std::size_t> next;
        for (const std::size_t from : ways) {
            for (std::size_t j = from; j < expected.size(); ++j) {
                if (expected[j].text == text)
                    next.insert(j + 1);
                if (!expected[j].mayBeLost)
                    break;
            }
        }
        if (next.empty()) {
            const std::size_t at = *ways.begin();
            ADD_FAILURE() << "the window was handed " << text.toStdString()
                          << "\nwhere the device sent "
                          << (at < expected.size() ? expected[at].text.toStdString()
                                                   : std::string("nothing more"));
            return;
        }
        ++repliesMatched;
        const std::size_t passed = *next.begin(); // by every way
        expected.erase(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(passed));
        ways.clear();
        for (const std::size_t n : next)
            ways.insert(n - passed);
    }
    // Every reply the device got across reached the window, but those it may have lost.
    bool allRepliesReached() const {
        return std::any_of(ways.begin(), ways.end(), [this](std::size_t from) {
            return std::all_of(expected.begin() + static_cast<std::ptrdiff_t>(from), expected.end(),
                               [](const Expected& e) { return e.mayBeLost; });
        });
    }
    static bool isPoll(const QString& request) {
        return request == request::status() || request == request::calStatusRead();
    }

    // The trace log holds every request as it crossed the wire and every reply the window was
    // handed, each once and in order, on a line of its own with a time that never goes back.
    // Read as it grows, so that nothing piles up for it.
    void checkTrace() {
        QFile file(dir.filePath("serial_trace.log"));
        if (!file.open(QIODevice::ReadOnly) || !file.seek(traceChecked)) {
            ADD_FAILURE() << "no trace log";
            return;
        }
        QByteArray rest = file.readAll();
        rest.truncate(rest.lastIndexOf('\n') + 1);
        for (const QByteArray& line : rest.split('\n')) {
            if (line.isEmpty())
                continue;
            // On the pseudo-terminal the device may not have read the last request yet.
            if (line.mid(19, 10) == "   [TX  ] " && crossed.empty() && overPty)
                return;
            traceChecked += line.size() + 1;
            const QDateTime at = QDateTime::fromString(QString::fromLatin1(line.left(19)),
                                                       QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            const QString text = codepage::ansiToUnicode(line.mid(29).chopped(1));
            if (!at.isValid() || at < lastTraced || !line.endsWith('\r')) {
                ADD_FAILURE() << "not a line of the log: " << line.left(80).toStdString();
                return;
            }
            lastTraced = at;
            if (line.mid(19, 10) == "   [TX  ] ") {
                if (crossed.empty() || crossed.front() != text) {
                    ADD_FAILURE() << "traced as sent: " << text.toStdString() << "\nwhere went "
                                  << (crossed.empty() ? "nothing" : crossed.front().toStdString());
                    return;
                }
                crossed.pop_front();
                continue;
            }
            if (line.mid(19, 10) != "   [  RX] ")
                ADD_FAILURE() << "neither sent nor received: " << line.left(80).toStdString();
            // An object that cannot be read as a reply (a string that never closed) is traced
            // too, but never handed.
            rapidjson::Document doc;
            const rapidjson::Value* res = nullptr;
            if (!parseReply(text, doc, res))
                continue;
            if (handed.empty() || handed.front() != text) {
                ADD_FAILURE() << "traced as received: " << text.left(80).toStdString()
                              << "\nwhere the window was handed "
                              << (handed.empty() ? "nothing" : handed.front().toStdString());
                return;
            }
            handed.pop_front();
        }
    }

    // --- time ----------------------------------------------------------------------------

    // Lets `ms` of the night pass in steps of about the port's own tick; the poll timer ticks
    // every second of it.
    void pass(int ms) {
        const int tickMs = overPty ? PtyServer::kTickMs : 2 * EmulatedTransport::kTickMs;
        for (int t = 0; t < ms && !HasFailure(); t += tickMs) {
            clock.advance(static_cast<std::uint32_t>(tickMs));
            if (overPty) {
                if (pty)
                    pty->tick();
            } else if (transport) {
                transport->service();
            }
            QCoreApplication::processEvents();
            if (focuser->device.moving())
                lastMovingAt = clock.tickCount();
            if ((clock.tickCount() - lastPollAt) >= 1000) {
                lastPollAt = clock.tickCount();
                pollTick();
            }
        }
    }

    void pollTick() {
        TVaskelWindow& w = *window;
        if (!serialLink)
            return;
        ASSERT_TRUE(fire(w.PollTimer)) << "connected, but the poll timer has stopped";
        ++polls;
        const std::uint32_t now = clock.tickCount();
        if (w.motorMoving) {
            EXPECT_LE(now - w.lastMoveNewsT, TVaskelWindow::kMoveSilenceMs + 1000)
                << "a move without news holds the polling";
        }
        // A status request reaches the device every second, unless a move is being reported.
        const std::uint32_t quiet = std::min(now - lastStatusHeardAt, now - lastMovingAt);
        EXPECT_LT(quiet, TVaskelWindow::kMoveSilenceMs + 3000) << "polling has stopped";
    }

    // --- the user ------------------------------------------------------------------------

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

    void send(const QString& request) { unwritten.add(request); }

    void connectTo(const QString& port) {
        TVaskelWindow& w = *window;
        w.PortCombo->setCurrentText(port);
        w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
        ASSERT_TRUE(serialLink) << "cannot connect to " << port.toStdString();
        ASSERT_TRUE(fire(w.PollEnableTimer));
        // The night's clock drives the poll timer, not the wall clock.
        w.PollTimer->setInterval(std::chrono::hours(24));
        lastStatusHeardAt = clock.tickCount();
    }
    void disconnect() {
        TVaskelWindow& w = *window;
        w.OpenCloseButtonLabelClick(w.OpenCloseButtonPanel);
        ASSERT_FALSE(serialLink);
        w.FreeSerialTimerTimer();
    }

    // One thing the user does, chosen at random.
    void userActs() {
        TVaskelWindow& w = *window;
        if (!serialLink)
            return;
        const bool steps = w.StepsCheck->isChecked();
        const int p = w.lastMotorPosition;
        const int action = pick(0, 99);
        // Moves and records are reckoned from the position, which the window waits for after
        // connecting.
        if (!w.positionReported && (action < 45 || (action >= 68 && action < 74)))
            return;
        if (action < 25) {
            // GO to a typed position, mostly near the last one.
            const int travel = static_cast<int>(w.maxFocuserDist / MmPerStep);
            const int to =
                action < 3 ? pick(0, travel) : std::clamp(p + pick(-30000, 30000), 0, travel);
            const QString text =
                steps ? QString::number(to) : QLocale().toString(to * MmPerStep, 'f', 2);
            w.CurrentPositionEdit->setText(text);
            w.CurrentPositionEdit->setModified(true); // typed
            send(request::verboseTimeGoto(position::goTarget(text, steps, p, w.maxFocuserDist)));
            w.HandpadButtonClick(w.goButton);
        } else if (action < 45) {
            // A step or a ten-fold step either way, of a typed amount.
            w.StepInput->setText(steps ? QString::number(pick(1, 3000))
                                       : QLocale().toString(pick(1, 100) / 1000.0, 'f', 3));
            TSimpleBitmapButton* const buttons[] = {w.stepLeftButton, w.stepRightButton,
                                                    w.fastLeftButton, w.fastRightButton};
            const int b = pick(0, 3);
            const std::int64_t a = position::stepAmount(w.StepInput->text(), steps);
            const std::int64_t delta = (b % 2 ? 1 : -1) * (b >= 2 ? 10 : 1) * a;
            send(request::verboseTimeGoto(position::stepTarget(p, delta)));
            w.HandpadButtonClick(buttons[b]);
        } else if (action < 55) {
            // Moves still waiting in the queue never go out behind a stop.
            for (const QString& queued : serialLink->queue())
                if (request::startsMove(queued))
                    unwritten.remove(queued);
            send(request::motorStop());
            w.HandpadButtonClick(w.stopButton);
        } else if (action < 68) {
            const int n = pick(1, 9);
            send(request::presetGo(n));
            w.goToPreset(n);
        } else if (action < 74) {
            // Records the position under a new name, or frees a preset.
            w.clickedPreset = pick(1, 9);
            if (pick(0, 1)) {
                const QString name = QStringLiteral("N%1 \"night\"").arg(pick(0, 99));
                log.inputAnswer = name;
                send(request::presetRecord(w.clickedPreset, request::presetName(name), p));
                w.RecordPresetMenuItemClick();
                log.inputs.clear();
            } else {
                send(request::presetDelete(w.clickedPreset));
                w.DeletePresetMenuItemClick();
            }
        } else if (action < 84) {
            const QList<QAction*> levels = {w.Off1, w.Low1, w.Middle1, w.On1};
            QAction* level = levels[pick(0, 3)];
            send(request::dimLeds(static_cast<request::LedLevel>(level->data().toInt())));
            w.OnOnOffPopupClick(level);
        } else if (action < 92) {
            // The radio buttons act when they are switched on.
            (steps ? w.MmCheck : w.StepsCheck)->setChecked(true);
        } else {
            (w.GradiFCheck->isChecked() ? w.GradiCCheck : w.GradiFCheck)->setChecked(true);
        }
    }

    // Nights of `polls` polls, the user acting in about one second out of four.
    void stretch(const Stretch& s) {
        SCOPED_TRACE(s.name);
        focuser->device.faults() = s.faults;
        for (int i = 0; i < s.polls && !HasFailure(); ++i) {
            if (pick(0, 3) == 0)
                userActs();
            pass(1000);
        }
    }

    // The focuser goes back to behaving and the user waits: what is queued goes out, what is
    // on its way arrives, the move in progress ends.
    void settle() {
        focuser->device.faults() = {};
        pass(15000);
        checkTrace();
    }

    // The focuser on a pseudo-terminal, served by the emulator's own server: the program opens
    // it as a real serial port. In the middle of a long move the pseudo-terminal goes away, and
    // after a while comes back under the same name.
    void nightOverPty() {
        const QString link = dir.filePath(QStringLiteral("ttyNIGHT"));
        auto serve = [&] {
            pty = std::make_unique<PtyServer>(focuser->device, clock);
            QString error;
            ASSERT_TRUE(pty->start(error)) << error.toStdString();
            QFile::remove(link);
            ASSERT_TRUE(QFile::link(pty->devicePath(), link));
        };
        disconnect();
        transport = nullptr;
        overPty = true;
        serve();
        connectTo(link);
        if (HasFailure())
            return;
        stretch({"over the pseudo-terminal", 200, {}});

        TVaskelWindow& w = *window;
        const int far = w.lastMotorPosition > 500000 ? 20000 : 1000000;
        w.StepsCheck->setChecked(true);
        w.CurrentPositionEdit->setText(QString::number(far));
        w.CurrentPositionEdit->setModified(true); // typed, also while a move is under way
        send(request::verboseTimeGoto(
            position::goTarget(QString::number(far), true, w.lastMotorPosition, w.maxFocuserDist)));
        w.HandpadButtonClick(w.goButton);
        pass(3000);
        ASSERT_TRUE(focuser->device.moving()) << "the long move is under way";

        pty.reset(); // the pseudo-terminal goes away
        pass(2000);
        // Nothing is written during the move: the port's own report must tell.
        EXPECT_FALSE(serialLink) << "the program noticed at once that its port went away";
        pass(13000);

        serve(); // and comes back
        if (serialLink)
            disconnect();
        pass(1000);
        connectTo(link);
        pass(15000);
        EXPECT_FALSE(focuser->device.moving());
        EXPECT_EQ(w.lastMotorPosition, focuser->device.position())
            << "the first replies after coming back are handled";
        stretch({"over the pseudo-terminal, again", 100, {}});
        settle();
        EXPECT_TRUE(unwritten.empty()) << unwritten.texts().join(u'\n').toStdString();

        disconnect();
        pty.reset();
        overPty = false;
        // A request that the closing port discarded unread was traced all the same.
        traceChecked = QFileInfo(dir.filePath("serial_trace.log")).size();
        crossed.clear();
        handed.clear();
        connectTo(QStringLiteral("NIGHT"));
    }

    ManualClock clock{0xFFF00000u}; // the tick counter wraps in the first minutes
    std::uint32_t seed = 0;
    std::mt19937 random;
    std::shared_ptr<EmulatedFocuser> focuser;
    WatchedTransport* transport = nullptr;
    std::unique_ptr<PtyServer> pty;
    bool overPty = false;

    Tally unwritten; // sent by the user, not yet written by the program
    Tally unheard;   // written, not yet heard by the device
    IntactReplies intact;
    struct Expected {
        QString text;
        bool mayBeLost; // it came while a message box was open
    };
    std::deque<Expected> expected; // intact replies received, not yet handed to the window
    int modal = 0;                 // message boxes open
    bool begunUnderBox = false;    // the reply being received began while one was open
    std::set<std::size_t> ways{0}; // where in `expected` the next handed reply may be
    int repliesExpected = 0;
    int repliesMatched = 0;

    std::deque<QString> handed;  // every reply the window was handed
    std::deque<QString> crossed; // every request as it crossed the wire
    qint64 traceChecked = 0;     // how much of the trace log checkTrace() has read
    QDateTime lastTraced;

    std::uint32_t lastPollAt = clock.tickCount();
    std::uint32_t lastStatusHeardAt = clock.tickCount();
    std::uint32_t lastMovingAt = clock.tickCount();
    int polls = 0;
    int statusHeard = 0;
    int statusHandled = 0;
    int repliesHandled = 0;
};

TEST_F(LongNight, TenThousandPollsWithEveryMisbehaviourOfTheFocuser) {
    SCOPED_TRACE(::testing::Message()
                 << "night of seed " << seed << " (CALVETTA_NIGHT_SEED=" << seed << " repeats it)");
    auto& w = open<WatchedWindow>();
    w.clock = &clock;
    w.onReply = [this](const QString& text, bool completed) { windowHandled(text, completed); };
    // The firmware warning is read for a while; the poll timer and the focuser go on meanwhile,
    // and what arrives waits for the box, up to the port's bound.
    w.dialogs.message = [this](DialogKind kind, const QString& text) {
        log.messages.append(text);
        if (kind != DialogKind::Warning)
            return;
        ++modal;
        pass(20000);
        --modal;
    };
    w.show();
    serialTraceEnabled = true;
    connectTo(QStringLiteral("NIGHT"));
    ASSERT_FALSE(HasFailure());

    stretch({"a quiet start", 1000, {}});
    settle();
    // The night's history rows are kept by design, for the charts (a new night clears them):
    // their buffer is counted out of the heap.
    const auto historyBytes = [&w] {
        return static_cast<long long>(w.sessionHistory->rows().capacity() *
                                      sizeof(history::HistoryRow));
    };
    const long long historyAtStart = historyBytes();
    const std::size_t heapAtStart = liveHeapBytes();
    const int pollsAtStart = polls;

    const Stretch night[] = {
        {"replies in pieces", 800, withFaults([](auto& f) { f.splitReplies = true; })},
        {"late replies", 800, withFaults([](auto& f) { f.replyDelayMs = 500; })},
        {"lost replies", 800, withFaults([](auto& f) { f.dropEvery = 3; })},
        {"chatter", 800, withFaults([](auto& f) { f.noiseLines = 2; })},
        {"stray closing braces", 800, withFaults([](auto& f) { f.strayBraceEvery = 4; })},
        {"stray opening braces", 800, withFaults([](auto& f) {
             f.strayBraceEvery = 5;
             f.strayBrace = '{';
         })},
        {"oversized status", 800, withFaults([](auto& f) { f.oversizedEvery = 3; })},
        {"strings that never close", 800, withFaults([](auto& f) { f.malformedStringEvery = 4; })},
        {"moves that end unreported", 800, withFaults([](auto& f) { f.lostEndEvery = 2; })},
        {"another firmware", 400,
         withFaults([](auto& f) { f.firmwareVersion = QStringLiteral("1.4"); })},
        {"everything at once", 1500, withFaults([](auto& f) {
             f.splitReplies = true;
             f.replyDelayMs = 400;
             f.dropEvery = 7;
             f.noiseLines = 1;
             f.strayBraceEvery = 6;
             f.oversizedEvery = 5;
             f.malformedStringEvery = 9;
         })},
    };
    for (const Stretch& s : night) {
        stretch(s);
        settle();
        ASSERT_FALSE(HasFailure()) << s.name;
    }

    nightOverPty();
    ASSERT_FALSE(HasFailure());

    stretch({"a quiet end", 1000, {}});
    settle();
    const std::size_t heapAtEnd = liveHeapBytes();
    const long long historyGrown = historyBytes() - historyAtStart;

    EXPECT_GE(polls, 10000);
    EXPECT_GE(statusHeard, polls * 7 / 10) << "polls went out";
    EXPECT_GE(statusHandled, polls / 2) << "and were answered";
    EXPECT_TRUE(unwritten.empty()) << unwritten.texts().join(u'\n').toStdString();
    EXPECT_TRUE(unheard.empty()) << unheard.texts().join(u'\n').toStdString();
    EXPECT_TRUE(allRepliesReached())
        << expected.size() << " intact replies never reached the window";
    EXPECT_GT(repliesExpected, repliesMatched)
        << "the firmware warning held the port beyond its bound";
    EXPECT_TRUE(crossed.empty()) << crossed.size() << " requests not traced";
    EXPECT_TRUE(handed.empty()) << handed.size() << " replies not traced";
    // Flat from the first thousand polls to the last: a few bytes a poll would show.
    const auto grown = static_cast<long long>(heapAtEnd) - static_cast<long long>(heapAtStart) -
                       historyGrown;
    EXPECT_GE(w.sessionHistory->rows().size(), static_cast<std::size_t>(polls / 2))
        << "every handled status reply is a row of the night";
    EXPECT_LT(grown, 256 * 1024) << "the heap grew by " << grown << " bytes over "
                                 << polls - pollsAtStart << " polls";
    std::printf("night of seed %u: %d polls, %d status requests heard, %d replies handled "
                "(%d of them status), heap %+lld bytes (history rows aside) from poll %d to "
                "the end, trace log %lld bytes\n",
                seed, polls, statusHeard, repliesHandled, statusHandled, grown, pollsAtStart,
                static_cast<long long>(QFileInfo(dir.filePath("serial_trace.log")).size()));
}
