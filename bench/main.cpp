// calvetta-bench: the link and window benchmarks. The benchmarks' own report goes to standard
// error; the rows of the table, each with its target, to standard output. Exits 1 when a
// benchmark failed to run.

#include "BenchSupport.h"

#include "app/FontUtils.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <iostream>

namespace {

bool failed = false;

// Prints as the console reporter does and keeps the medians (or the single run).
class TableReporter : public benchmark::ConsoleReporter {
public:
    explicit TableReporter(BenchResults& results) : ConsoleReporter(OO_None), results_(results) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed = true;
                continue;
            }
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!single && !median)
                continue;
            BenchResults::Result result;
            result.cpuSeconds =
                run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters)
                result.counters[name] = counter.value;
            results_.add(run.run_name.function_name, result);
        }
    }

private:
    BenchResults& results_;
};

} // namespace

std::optional<double> BenchResults::cpuSeconds(const std::string& name) const {
    const auto it = results_.find(name);
    if (it == results_.end())
        return std::nullopt;
    return it->second.cpuSeconds;
}

std::optional<double> BenchResults::counter(const std::string& name,
                                            const std::string& counter) const {
    const auto it = results_.find(name);
    if (it == results_.end())
        return std::nullopt;
    const auto c = it->second.counters.find(counter);
    if (c == it->second.counters.end())
        return std::nullopt;
    return c->second;
}

void printRow(const QString& what, const QString& figure, const QString& target, bool met) {
    std::printf("%s\t%s\t%s\t%s\n", qPrintable(what), qPrintable(figure), qPrintable(target),
                met ? "yes" : "NO");
    std::fflush(stdout);
}

// The offscreen platform warns at every raise of a window; nothing else is dropped.
QtMessageHandler defaultHandler = nullptr;
void quietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()")))
        return;
    if (defaultHandler)
        defaultHandler(type, context, message);
}

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(quietRaise);
    QApplication app(argc, argv);
    InstallFonts();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    BenchResults results;
    TableReporter reporter(results);
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    printLinkRows(results);
    printWindowRows(results);
    return failed ? 1 : 0;
}
