#include "project_database.h"

#include "kestraline_error.h"
#include "project_files.h"

#include <QSqlQuery>
#include <atomic>

namespace manager {

namespace {

// Every PROJECT_DATABASE needs a connection name of its own (tests create several).
QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return "manager_project_" + QString::number(++counter);
}

const QString selectAllSql =
    "select id,status,filename,path,fps,duration,frames,width,height,comment from video order by id;";
const QString insertSql = "insert into video (status,filename,path,fps,duration,frames,width,height) "
                          "values( :Status, :Filename, :Path,0,0,0,0,0);";
const QString lastIdSql = "select id from video order by id desc limit 0,1;";
const QString updateSql = "update video set status=:Status,fps=:Fps,duration=:Duration,frames=:Frames,"
                          "width=:Width,height=:Height where id=:Id;";

} // namespace

const QString PROJECT_DATABASE::CreateTableSql =
    "CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,filename TEXT,"
    "path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,height INTEGER,comment TEXT);";

PROJECT_DATABASE::PROJECT_DATABASE() : connection(nextConnectionName()) {}

bool PROJECT_DATABASE::Create(const QString& newPath)
{
    Close();
    if (!connection.open(newPath, false))
        return false;
    try {
        connection.execDirect(CreateTableSql);
    } catch (...) {
        connection.close();
        throw;
    }
    path = newPath;
    return true;
}

bool PROJECT_DATABASE::Open(const QString& newPath)
{
    Close();
    if (!connection.open(newPath, true))
        return false;
    path = newPath;
    return true;
}

void PROJECT_DATABASE::Close()
{
    connection.close();
    path.clear();
}

bool PROJECT_DATABASE::IsOpen() const
{
    return connection.isOpen() && !path.isEmpty();
}

QString PROJECT_DATABASE::Folder() const
{
    return path.isEmpty() ? QString() : project_folder(path);
}

QString PROJECT_DATABASE::ColourFile(const QString& id) const
{
    return colour_data_file(path, id);
}

QVector<VIDEO_ROW> PROJECT_DATABASE::LoadRows() const
{
    QSqlQuery query = connection.exec(selectAllSql);
    QVector<VIDEO_ROW> rows;
    while (query.next()) {
        VIDEO_ROW row;
        row.id = query.value(0).toLongLong();
        row.status = query.value(1).toString();
        row.filename = query.value(2).toString();
        row.path = query.value(3).toString();
        row.fps = query.value(4).toDouble();
        row.duration = query.value(5).toDouble();
        row.frames = query.value(6).toLongLong();
        row.width = query.value(7).toLongLong();
        row.height = query.value(8).toLongLong();
        row.comment = query.value(9).toString();
        rows.append(row);
    }
    return rows;
}

bool PROJECT_DATABASE::InsertVideo(const QString& status, const QString& filename, const QString& videoPath) const
{
    if (!IsOpen())
        return false;
    try {
        connection.exec(insertSql, {{"Status", status}, {"Filename", filename}, {"Path", videoPath}});
        return true;
    } catch (const KestralineError&) {
        return false;
    }
}

int PROJECT_DATABASE::LastId() const
{
    QSqlQuery query = connection.exec(lastIdSql);
    if (!query.next())
        throw KestralineError("table video holds no row");
    return query.value(0).toInt();
}

bool PROJECT_DATABASE::UpdateVideo(const QString& status, double fps, double duration, int frames, int width,
                                   int height, int id) const
{
    if (!IsOpen())
        return false;
    try {
        QSqlQuery query = connection.exec(updateSql, {{"Status", status},
                                                      {"Fps", fps},
                                                      {"Duration", duration},
                                                      {"Frames", frames},
                                                      {"Width", width},
                                                      {"Height", height},
                                                      {"Id", id}});
        return query.numRowsAffected() == 1;
    } catch (const KestralineError&) {
        return false;
    }
}

} // namespace manager
