#pragma once
#include <QString>
#include <QStringList>

namespace manager {

// One row of table `video` as the grid load reads it.
struct VIDEO_ROW {
    qint64 id = 0;
    QString status;
    QString filename;
    QString path;
    double fps = 0;
    double duration = 0;
    qint64 frames = 0;
    qint64 width = 0;
    qint64 height = 0;
    QString comment;

    // The row's texts for the grid columns `id` to `comment`: integers in plain
    // decimal, reals in general format with the user's decimal separator, texts
    // as they are.
    QStringList GridTexts() const;
};

} // namespace manager
