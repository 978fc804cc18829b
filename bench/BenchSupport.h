#pragma once
// What the benchmarks measured, and the rows of the table they give.

#include <QString>
#include <map>
#include <optional>
#include <string>

namespace benchmark {
class State;
}

// The median of the repetitions of each benchmark, by its function name.
class BenchResults {
public:
    struct Result {
        double cpuSeconds = 0; // processor time per iteration
        std::map<std::string, double> counters;
    };
    void add(const std::string& name, Result result) { results_[name] = std::move(result); }
    std::optional<double> cpuSeconds(const std::string& name) const;
    std::optional<double> counter(const std::string& name, const std::string& counter) const;

private:
    std::map<std::string, Result> results_;
};

// One row of the table on standard output: what, figure, target, whether it is met.
void printRow(const QString& what, const QString& figure, const QString& target, bool met);

// The rows of each group of benchmarks.
void printLinkRows(const BenchResults& results);
void printWindowRows(const BenchResults& results);
