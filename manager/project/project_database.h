#pragma once
#include "sqlite_connection.h"
#include "video_row.h"

#include <QString>
#include <QVector>

namespace manager {

// The open project: one SQLite project database with its table `video`, and the
// path it was opened from. The connection and the path always name the same
// project: a failed create or open leaves no project open, so nothing can write
// one project's rows into another project's database.
class PROJECT_DATABASE {
public:
    PROJECT_DATABASE();
    PROJECT_DATABASE(const PROJECT_DATABASE&) = delete;
    PROJECT_DATABASE& operator=(const PROJECT_DATABASE&) = delete;

    static const QString CreateTableSql;

    // Creates (or opens, without failing if missing) the file at `path` and runs
    // the CREATE TABLE. False when the file cannot be opened; a failing CREATE
    // TABLE closes the project again and throws KestralineError with the driver's
    // text. Either failure leaves no project open.
    bool Create(const QString& path);
    // Opens an existing project database; false (and no project open) when the
    // file is missing or no database.
    bool Open(const QString& path);
    void Close();
    bool IsOpen() const;
    // The open project's database path; empty when none is open.
    QString Path() const { return path; }
    // The folder of the open project, where its colour-data files lie ("." for a
    // database named without a folder); empty when none is open.
    QString Folder() const;
    // The colour-data file of row `id` (given as its grid text) in the project folder.
    QString ColourFile(const QString& id) const;

    // Every row in `id` order; throws KestralineError when the select fails.
    QVector<VIDEO_ROW> LoadRows() const;
    // Inserts the row of a video whose processing starts (numbers 0); false when
    // the insert fails, e.g. because the path is already in the table.
    bool InsertVideo(const QString& status, const QString& filename, const QString& videoPath) const;
    // The largest `id`, which is the row just inserted; throws when the select fails.
    int LastId() const;
    // Writes a processed video's status and numbers into row `id`; false unless
    // exactly that one row was changed.
    bool UpdateVideo(const QString& status, double fps, double duration, int frames, int width, int height,
                     int id) const;

private:
    SqliteConnection connection;
    QString path;
};

} // namespace manager
