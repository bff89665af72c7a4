#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace client {

// The request file the analysis tool writes for a search, in the program folder.
QString request_file_path(const QString& programFolder);

// The stretch of the video a search analyses: from the playback position `pos`
// (100 ns units), in seconds, and (frames + 0.4) / fps seconds long, so the
// tool's floor(length x fps) gives exactly `frames` frames. Both in the general
// format with "." whatever the locale.
QString fragment_start_text(qint64 pos);
QString fragment_length_text(int frames, double fps);

// The analysis tool's arguments for a search: video, request file, start, length.
QStringList analyzer_arguments(const QString& videoPath, const QString& requestFile, qint64 pos,
                               int frames, double fps);

// Runs KestralineAnalyzer from the program folder with those arguments and waits
// for it, however long it takes, in a local event loop that leaves user input
// queued: the window keeps painting and takes no input. No shell: any character
// of a path is passed as it is. The tool's working folder is the program folder;
// the client's own current folder never changes. The exit status is not looked at.
void run_analyzer(const QString& programFolder, const QStringList& arguments);

} // namespace client
