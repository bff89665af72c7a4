#include "analyzer_call.h"

#include "number_format.h"

#include <QEventLoop>
#include <QProcess>

namespace client {

QString request_file_path(const QString& programFolder)
{
    return programFolder + "/KestralineClient.tmp";
}

QString fragment_start_text(qint64 pos)
{
    return format_general(pos / 10000000.0);
}

QString fragment_length_text(int frames, double fps)
{
    return format_general((frames + 0.4) / fps);
}

QStringList analyzer_arguments(const QString& videoPath, const QString& requestFile, qint64 pos,
                               int frames, double fps)
{
    return {videoPath, requestFile, fragment_start_text(pos), fragment_length_text(frames, fps)};
}

void run_analyzer(const QString& programFolder, const QStringList& arguments)
{
    QProcess tool;
    tool.setWorkingDirectory(programFolder);
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop wait;
    QObject::connect(&tool, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(&tool, &QProcess::errorOccurred, &wait, [&wait](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            wait.quit();
    });
    tool.start(programFolder + "/KestralineAnalyzer", arguments);
    if (tool.state() != QProcess::NotRunning)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace client
