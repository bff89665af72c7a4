#pragma once
// Timing outside programs for the benchmarks that compare our tools with the
// ffmpeg command line in the same run.
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace benchtiming {

// Runs a program to its end; the elapsed seconds, or a negative value on failure.
inline double timedRun(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace benchtiming
