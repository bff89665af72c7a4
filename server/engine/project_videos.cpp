#include "project_videos.h"

#include "number_format.h"
#include "sqlite_connection.h"

#include <QSqlQuery>
#include <vector>

namespace {

const char* const PROCESSED_VIDEOS_SELECT =
    "select id,status,filename,path,fps,duration,frames,width,height,comment from video "
    "where status='Обработан' order by id;";

enum Column { ID, STATUS, FILENAME, PATH, FPS, DURATION, FRAMES, WIDTH, HEIGHT, COMMENT };

VIDEO_RECORD record_of(const QSqlQuery& row)
{
    VIDEO_RECORD record;
    record.id = row.value(ID).toInt();
    record.frames = row.value(FRAMES).toInt();
    record.width = row.value(WIDTH).toInt();
    record.height = row.value(HEIGHT).toInt();
    record.filename = row.value(FILENAME).toString();
    record.path = row.value(PATH).toString();
    record.comment = row.value(COMMENT).toString();
    record.fps = static_cast<float>(row.value(FPS).toDouble());
    record.duration = static_cast<float>(row.value(DURATION).toDouble());
    return record;
}

QStringList grid_row_of(const QSqlQuery& row, int number, const VIDEO_RECORD& record)
{
    return {QString::number(number),
            QString::number(record.id),
            row.value(STATUS).toString(),
            record.filename,
            record.path,
            format_general_locale(row.value(FPS).toDouble()),
            format_general_locale(row.value(DURATION).toDouble()),
            QString::number(record.frames),
            QString::number(record.width),
            QString::number(record.height),
            record.comment};
}

} // namespace

ProjectVideos read_project_videos(const SqliteConnection& connection)
{
    QSqlQuery row = connection.exec(QString::fromUtf8(PROCESSED_VIDEOS_SELECT));
    std::vector<VIDEO_RECORD> records;
    ProjectVideos result;
    while (row.next()) {
        records.push_back(record_of(row));
        result.grid_rows.push_back(grid_row_of(row, static_cast<int>(records.size()), records.back()));
    }
    result.count = static_cast<int32_t>(records.size());
    if (result.count > 0) {
        result.videos.reset(new VIDEO_RECORD[records.size()]);
        for (size_t i = 0; i < records.size(); ++i)
            result.videos[i] = std::move(records[i]);
    }
    return result;
}
