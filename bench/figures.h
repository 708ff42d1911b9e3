// Collects Google Benchmark results and prints them as figures: one line per figure,
// "name value unit", ratios named ..._ratio.
#pragma once

#include "core/platform/prefix.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

// The median of the positive values (a failed measurement is -1); -1 when there is none.
inline double median(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !(v > 0); }),
                 values.end());
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline void printFigure(const char *name, double value, const char *unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A private temporary prefix for the whole run, so a benchmark never touches the user's registry.
class BenchPrefix
{
public:
    BenchPrefix()
    {
        qputenv("DUNLIVO_PREFIX", QFile::encodeName(m_dir.path()));
        win::Prefix::reset();
    }

private:
    QTemporaryDir m_dir;
};

// Runs a corpus script of bench/ (made once, reused afterwards) and returns the lines it printed:
// the paths of what it made. Empty when the script failed.
inline QStringList makeCorpus(const QString &script)
{
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    make.start(QStringLiteral("bash"), {script});
    make.waitForFinished(-1);
    if (make.exitStatus() != QProcess::NormalExit || make.exitCode() != 0)
        return QStringList();
    return QString::fromLocal8Bit(make.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Runs a bash script with the arguments as $1...; seconds of wall time, or -1 when it failed.
// A positive number from the environment, or the fallback.
inline int envNumber(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

inline double runShell(const QString &script, const QStringList &arguments = {})
{
    QProcess shell;
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("bash"),
                QStringList{QStringLiteral("-c"), script, QStringLiteral("bash")} + arguments);
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}
