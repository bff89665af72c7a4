#include "sqlite_connection.h"

#include "kestraline_error.h"

#include <QFileInfo>
#include <QSqlError>

namespace {

// SQLite URI file names: "%", "?" and "#" must be escaped so that any path works.
QString uriFileName(const QString& path)
{
    QString escaped = path;
    escaped.replace('%', "%25").replace('?', "%3f").replace('#', "%23");
    return "file:" + escaped + "?mode=rw";
}

} // namespace

SqliteConnection::SqliteConnection(const QString& connectionName) : name(connectionName)
{
    QSqlDatabase::addDatabase("QSQLITE", name);
}

SqliteConnection::~SqliteConnection()
{
    close();
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase SqliteConnection::database() const
{
    return QSqlDatabase::database(name, false);
}

bool SqliteConnection::open(const QString& path, bool failIfMissing)
{
    close();
    error.clear();
    QSqlDatabase db = database();
    if (failIfMissing) {
        db.setConnectOptions("QSQLITE_OPEN_URI");
        db.setDatabaseName(uriFileName(path));
    } else {
        db.setConnectOptions(QString());
        db.setDatabaseName(path);
    }
    if (!db.isValid()) {
        error = "Driver not loaded";
        return false;
    }
    if (!db.open()) {
        error = db.lastError().text();
        return false;
    }
    // SQLite opens lazily: a file that is not a database only fails on first read.
    QSqlQuery probe(db);
    if (!probe.exec("select count(*) from sqlite_master;")) {
        error = probe.lastError().text();
        db.close();
        return false;
    }
    return true;
}

void SqliteConnection::close()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
}

bool SqliteConnection::isOpen() const
{
    return database().isOpen();
}

QSqlQuery SqliteConnection::exec(const QString& sql, const Params& params) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw KestralineError(query.lastError().text());
    for (const auto& [key, value] : params)
        query.bindValue(":" + key, value);
    if (!query.exec())
        throw KestralineError(query.lastError().text());
    return query;
}

void SqliteConnection::execDirect(const QString& sql) const
{
    QSqlQuery query(database());
    if (!query.exec(sql))
        throw KestralineError(query.lastError().text());
}
