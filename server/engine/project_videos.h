#pragma once
#include "video_record.h"

#include <QStringList>
#include <QVector>

class SqliteConnection;

// The processed videos of one project database: their records (without colour
// data), in ascending id, and the rows the server's videos grid shows for them.
struct ProjectVideos {
    int32_t count = 0;
    std::unique_ptr<VIDEO_RECORD[]> videos;
    QVector<QStringList> grid_rows; // 11 cells per record; empty when no row was selected
};

// Runs the select of the processed rows on an open project database. A failing
// select throws KestralineError.
ProjectVideos read_project_videos(const SqliteConnection& connection);
