#pragma once
// Projects, access databases and settings files for the tests of the server's
// windows, each in a temporary program folder of its own.
#include "test_support.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace serverui {

// A project database "Kestraline.db" in `folder` with `videos` processed rows
// (ids 1..videos, `frames` frames each) and their colour-data files, plus one row
// still waiting; returns its path.
inline QString make_project(const QString& folder, int videos, int frames = 12)
{
    QDir().mkpath(folder);
    const QString path = folder + "/Kestraline.db";
    QString sql = testsupport::CREATE_VIDEO_TABLE;
    for (int id = 1; id <= videos; ++id) {
        sql += QString("INSERT INTO video VALUES(%1,'Обработан','clip%1.avi','/videos/clip%1.avi',25,%2,%3,"
                       "64,48,'');")
                   .arg(id)
                   .arg(frames / 25.0)
                   .arg(frames);
        QByteArray colours;
        for (int frame = 0; frame < frames; ++frame)
            colours.append(char(id * 40)).append(char(frame)).append(char(255 - frame));
        testsupport::writeBytes(folder + QString("/%1.rgb").arg(id), colours);
    }
    sql += QString("INSERT INTO video VALUES(%1,'В очереди на обработку','wait.avi','/videos/wait.avi',0,0,0,0,0,'');")
               .arg(videos + 1);
    testsupport::sqliteShell(path, sql);
    return path;
}

// An access database at `path` with the given rows, each "active|host|user|password".
inline QString make_access(const QString& path, const QStringList& rows)
{
    QString sql = "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT DEFAULT 'Y',"
                  "host TEXT,user TEXT,password TEXT );";
    for (const QString& row : rows) {
        const QStringList cells = row.split('|');
        sql += QString("INSERT INTO access (active,host,user,password) VALUES('%1','%2','%3','%4');")
                   .arg(cells.value(0), cells.value(1), cells.value(2), cells.value(3));
    }
    testsupport::sqliteShell(path, sql);
    return path;
}

inline QString read_text(const QString& path)
{
    return QString::fromUtf8(testsupport::readBytes(path));
}

inline void write_text(const QString& path, const QString& text)
{
    testsupport::writeBytes(path, text.toUtf8());
}

} // namespace serverui
