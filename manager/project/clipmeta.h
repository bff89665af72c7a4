#pragma once
#include <QString>
#include <QtGlobal>

// The tool runner: learns a video's properties with the property tool Clipmeta
// and writes its colour data with KestralineAnalyzer, both from the program
// folder, one video at a time. The tools run without a shell, so any character in
// a path is passed as it is. Both steps block until the tool ends and are meant
// for a worker thread; they never show a message and report by their result and
// `success`.
class CLIPMETA {
public:
    QString videofile;   // full path of the video being processed
    QString rgbfile;     // full path of that video's colour-data file
    QString tooldir;     // the program folder
    QString workdir;     // the project folder; the property tool's output goes there
    qint32 frames = 0;
    qint32 width = 0;
    qint32 height = 0;
    qint32 id = 0;       // row of the video being processed
    double fps = 0;
    double duration = 0; // seconds, cut to whole milliseconds
    bool success = false;

    void SetFiles(QString video, QString rgb);

    // Runs Clipmeta on `videofile` into workdir + "/clipmeta.info" and reads its
    // four "word number" pairs. The numbers are 0 before the run and stay 0 unless
    // Clipmeta ended with status 0 and all four were read with fps and frames above 0.
    bool GetClipmeta();

    // Runs KestralineAnalyzer on `videofile` with `rgbfile` as its output, in the
    // program folder; true when the output exists and is not empty.
    bool GetVideoAnalysis();
};
