// The link's receive path: bytes from the driver, framed into objects and lines, each reply
// parsed and handed to the host. The host here only counts, so that the figure is the link's.

#include "BenchSupport.h"
#include "FakeTransport.h"
#include "Recordings.h"
#include "serial/SerInterface.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

class CountingHost : public ILinkHost {
public:
    bool ParseMessage(const rapidjson::Value* msg, const QString&) override {
        if (msg)
            ++replies;
        return true;
    }
    void ParseExtraMessage(const QString&) override { ++lines; }
    void OpenCloseButtonLabelClick(QObject*) override {}
    long replies = 0;
    long lines = 0;
};

// Feeds `batches` to a link in turn, one delivery of the driver each, and checks that every
// reply and line reached the host.
void feedLink(benchmark::State& state, const QList<QByteArray>& batches, long repliesPerRound,
              long linesPerRound) {
    ScopedFakePort port(QStringLiteral("BENCHLINK"));
    CountingHost host;
    TSerialInterface link(QStringLiteral("BENCHLINK"), host);
    qint64 bytesPerRound = 0;
    for (const QByteArray& batch : batches)
        bytesPerRound += batch.size();

    long rounds = 0;
    for (auto _ : state) {
        for (const QByteArray& batch : batches) {
            port.line().receive(batch);
            QCoreApplication::processEvents();
        }
        ++rounds;
    }
    if (host.replies != rounds * repliesPerRound || host.lines != rounds * linesPerRound) {
        state.SkipWithError("not every reply and line reached the host");
        return;
    }
    state.SetBytesProcessed(rounds * bytesPerRound);
}

// Status replies of both families as they come, one delivery each.
void BM_LinkStatusReplies(benchmark::State& state) {
    QList<QByteArray> replies = recordStatusReplies(FocuserModel::Vaskel4, 8);
    replies += recordStatusReplies(FocuserModel::Halvorbeck2, 8);
    feedLink(state, replies, replies.size(), 0);
}

// The position lines of a long goto. The device sends one every 200 ms; they are fed as a
// driver delivers them when the window was busy for the whole move, so that the figure is the
// framing's and not the event loop's.
void BM_LinkPositionLines(benchmark::State& state) {
    const QByteArray lines = recordGotoLines();
    feedLink(state, {lines}, 0, lines.count('\r') + lines.count('\n')); // CR LF: the line, then an empty one
}

} // namespace

BENCHMARK(BM_LinkStatusReplies)->MinTime(1.0);
BENCHMARK(BM_LinkPositionLines)->MinTime(1.0);

namespace {

constexpr double kWireBytesPerSecond = 11520; // 115200 baud, ten bits a byte
constexpr double kWireRatioTarget = 2000;

void reportThroughput(const BenchResults& results, const char* name, const char* what) {
    const auto bytesPerSecond = results.counter(name, "bytes_per_second");
    const QString target = QStringLiteral(">= %1x the wire").arg(kWireRatioTarget, 0, 'f', 0);
    if (!bytesPerSecond) {
        printRow(what, QStringLiteral("not measured"), target, false);
        return;
    }
    const double ratio = *bytesPerSecond / kWireBytesPerSecond;
    printRow(what,
             QStringLiteral("%1 MB/s: %2x the wire")
                 .arg(*bytesPerSecond / 1e6, 0, 'f', 1)
                 .arg(ratio, 0, 'f', 0),
             target, ratio >= kWireRatioTarget);
}

} // namespace

void printLinkRows(const BenchResults& results) {
    reportThroughput(results, "BM_LinkStatusReplies", "Link: status replies framed and dispatched");
    reportThroughput(results, "BM_LinkPositionLines", "Link: position lines framed and dispatched");
}
