// Collects Google Benchmark results and prints them as figures: one line per figure,
// "name value unit", ratios named ..._ratio.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

class FigureCollector : public benchmark::ConsoleReporter
{
public:
    // Nanoseconds of real time per iteration, by benchmark name.
    std::map<std::string, double> nsPerIteration;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.iterations > 0 && run.run_type == Run::RT_Iteration)
                nsPerIteration[run.run_name.function_name] = run.GetAdjustedRealTime() * unitToNs(run.time_unit);
        }
    }
    bool ReportContext(const Context &) override { return true; }
    void Finalize() override {}

    static double unitToNs(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        default:
            return 1;
        }
    }
};

inline void printFigure(const char *name, double value, const char *unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}
