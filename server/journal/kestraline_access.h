#pragma once
#include "message_sink.h"
#include "sqlite_connection.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <functional>
#include <shared_mutex>
#include <vector>

// One row of table `access` in memory.
struct USER_RECORD {
    QString host, user, password;
    bool active = false; // column `active` is exactly "Y"
    int32_t id = 0;
};

// The access list: the connection to the access database, a copy of its rows in
// memory (the user table) and the statements that change the rows. Every change is
// written at once and followed by a full reload, so file, memory and grid agree.
//
// Everything but Check runs on the main thread. Check runs on the request threads;
// the user table and `opened` are guarded by the access lock, held shared by Check
// and exclusively while the main thread empties or publishes the table, never
// across a database call or a message.
class KESTRALINE_ACCESS {
public:
    KESTRALINE_ACCESS();
    ~KESTRALINE_ACCESS();
    KESTRALINE_ACCESS(const KESTRALINE_ACCESS&) = delete;
    KESTRALINE_ACCESS& operator=(const KESTRALINE_ACCESS&) = delete;

    // Connects to an existing file; a missing one gives false without a message.
    bool Open(const QString& path);
    // Connects to `path`, creating the file when missing, and creates table
    // `access`; a failing CREATE TABLE throws KestralineError and leaves it open.
    bool Create(const QString& path);
    // Rereads the whole table; a failing select throws KestralineError after the
    // user table was emptied (every request refused), the grid rows untouched.
    bool Load();
    // The changing statements: false only when not open; a failing statement is
    // ignored; each ends with Load.
    bool Add(bool active, const QString& host, const QString& user, const QString& password);
    bool Change(int32_t id, bool active, const QString& host, const QString& user, const QString& password);
    bool Delete(int32_t id);
    bool Active(int32_t id, bool active);
    // The access rule; any thread, memory only.
    bool Check(const QString& host, const QString& user, const QString& password) const;
    // Disconnects and empties the user table; the grid rows stay.
    bool Close();

    bool opened = false;  // written by the main thread under the access lock
    QString file_name;    // the path of the last Open or Create, kept when it failed
    int32_t user_count() const;

    // Rows for the users grid from the last successful Load: 6 cells per row
    // (number, id, active as stored, host, user, password); empty when the table
    // had no row (the window then shows one empty row).
    const QVector<QStringList>& grid_rows() const { return rows; }
    // Called on the main thread after Load replaced grid_rows.
    std::function<void()> rows_changed;
    // Shows "Ошибка открытия базы данных прав доступа" and "База данных прав доступа
    // не открыта", on the main thread.
    MessageSink show_message;

private:
    bool connect(const QString& path, bool failIfMissing);
    void setOpened(bool value);
    void emptyUserTable();
    bool runChange(const QString& sql, const SqliteConnection::Params& params);

    SqliteConnection connection;
    mutable std::shared_mutex access_lock;
    std::vector<USER_RECORD> users; // ascending id; guarded by access_lock
    QVector<QStringList> rows;      // main thread only
};
