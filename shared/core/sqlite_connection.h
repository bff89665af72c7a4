#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>
#include <utility>

// One named SQLite connection through Qt Sql (QSQLITE), opened the way the programs
// need: `failIfMissing` true never creates a file (a missing file is an error),
// false creates it. The connection belongs to the thread that uses it (the main
// thread in every program).
class SqliteConnection {
public:
    explicit SqliteConnection(const QString& connectionName);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Connects to `path`, first closing any previous connection. False, with
    // lastError() set, when the file cannot be opened (or, with failIfMissing,
    // does not exist or is not a database).
    bool open(const QString& path, bool failIfMissing);
    void close();
    bool isOpen() const;
    QString lastError() const { return error; }
    QSqlDatabase database() const;

    using Params = QVector<std::pair<QString, QVariant>>;
    // Runs a statement with named parameters; throws KestralineError with the
    // driver's message when it fails.
    QSqlQuery exec(const QString& sql, const Params& params = {}) const;
    // Runs a statement without preparing it (a CREATE TABLE); throws on failure.
    void execDirect(const QString& sql) const;

private:
    QString name;
    QString error;
};
