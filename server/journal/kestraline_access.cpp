#include "kestraline_access.h"

#include "kestraline_error.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <mutex>

namespace {

const char* const create_table_sql =
    "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT DEFAULT 'Y',"
    "host TEXT,user TEXT,password TEXT );";
const char* const select_sql = "select id,active,host,user,password from access order by id;";
const char* const insert_sql =
    "insert into access (active,host,user,password) values(:Active,:Host,:User,:Password);";
const char* const update_sql =
    "update access set active=:Active,host=:Host,user=:User,password=:Password where id=:Id;";
const char* const delete_sql = "delete from access where id=:Id;";
const char* const activate_sql = "update access set active=:Active where id=:Id;";

const char* const open_failed_message = "Ошибка открытия базы данных прав доступа";
const char* const not_open_message = "База данных прав доступа не открыта";

// Each object has a connection of its own (tests build several).
QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kestraline_access_%1").arg(counter.fetch_add(1));
}

QString stateText(bool active)
{
    return active ? QStringLiteral("Y") : QStringLiteral("N");
}

// Texts are stored as given: an empty text becomes '' in the file, not NULL.
QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

} // namespace

KESTRALINE_ACCESS::KESTRALINE_ACCESS() : connection(nextConnectionName()) {}

KESTRALINE_ACCESS::~KESTRALINE_ACCESS() = default;

void KESTRALINE_ACCESS::setOpened(bool value)
{
    std::unique_lock lock(access_lock);
    opened = value;
}

void KESTRALINE_ACCESS::emptyUserTable()
{
    std::vector<USER_RECORD> old;
    {
        std::unique_lock lock(access_lock);
        old.swap(users);
    }
    // The old records are released outside the lock.
}

int32_t KESTRALINE_ACCESS::user_count() const
{
    std::shared_lock lock(access_lock);
    return static_cast<int32_t>(users.size());
}

bool KESTRALINE_ACCESS::Close()
{
    if (!opened)
        return true;
    connection.close();
    setOpened(false);
    emptyUserTable();
    return true;
}

bool KESTRALINE_ACCESS::connect(const QString& path, bool failIfMissing)
{
    // An empty path would give SQLite's private temporary database.
    if (path.isEmpty() || !connection.open(path, failIfMissing)) {
        show_message(QString::fromUtf8(open_failed_message));
        return false;
    }
    setOpened(true);
    return true;
}

bool KESTRALINE_ACCESS::Open(const QString& path)
{
    Close();
    file_name = path;
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists() || file.isDir())
        return false;
    return connect(path, true);
}

bool KESTRALINE_ACCESS::Create(const QString& path)
{
    Close();
    file_name = path;
    if (!connect(path, false))
        return false;
    connection.execDirect(QString::fromLatin1(create_table_sql)); // throws; stays open
    return true;
}

bool KESTRALINE_ACCESS::Load()
{
    if (!opened) {
        show_message(QString::fromUtf8(not_open_message));
        return false;
    }
    emptyUserTable(); // from here until the publication every request is refused

    QSqlQuery query = connection.exec(QString::fromLatin1(select_sql));
    std::vector<USER_RECORD> loaded;
    QVector<QStringList> newRows;
    while (query.next()) {
        USER_RECORD record;
        record.id = query.value(0).toInt();
        const QString storedActive = query.value(1).toString();
        record.active = storedActive == QLatin1String("Y");
        record.host = query.value(2).toString();
        record.user = query.value(3).toString();
        record.password = query.value(4).toString();
        newRows.append({QString::number(newRows.size() + 1), QString::number(record.id), storedActive,
                        record.host, record.user, record.password});
        loaded.push_back(std::move(record));
    }
    // A read that breaks off midway must not pass for the whole table.
    if (query.lastError().isValid())
        throw KestralineError(query.lastError().text());

    {
        std::unique_lock lock(access_lock);
        users.swap(loaded);
    }
    rows = std::move(newRows);
    if (rows_changed)
        rows_changed();
    return true;
}

bool KESTRALINE_ACCESS::runChange(const QString& sql, const SqliteConnection::Params& params)
{
    if (!opened)
        return false;
    try {
        connection.exec(sql, params);
    } catch (const std::exception&) {
        // A failed change simply does not appear after the reload.
    }
    Load();
    return true;
}

bool KESTRALINE_ACCESS::Add(bool active, const QString& host, const QString& user, const QString& password)
{
    return runChange(QString::fromLatin1(insert_sql), {{"Active", stateText(active)},
                                                       {"Host", textValue(host)},
                                                       {"User", textValue(user)},
                                                       {"Password", textValue(password)}});
}

bool KESTRALINE_ACCESS::Change(int32_t id, bool active, const QString& host, const QString& user,
                               const QString& password)
{
    return runChange(QString::fromLatin1(update_sql), {{"Id", id},
                                                       {"Active", stateText(active)},
                                                       {"Host", textValue(host)},
                                                       {"User", textValue(user)},
                                                       {"Password", textValue(password)}});
}

bool KESTRALINE_ACCESS::Delete(int32_t id)
{
    return runChange(QString::fromLatin1(delete_sql), {{"Id", id}});
}

bool KESTRALINE_ACCESS::Active(int32_t id, bool active)
{
    return runChange(QString::fromLatin1(activate_sql), {{"Id", id}, {"Active", stateText(active)}});
}

bool KESTRALINE_ACCESS::Check(const QString& host, const QString& user, const QString& password) const
{
    std::shared_lock lock(access_lock);
    if (!opened)
        return false;
    for (const USER_RECORD& record : users) {
        if (!record.active)
            continue;
        if (!record.host.isEmpty() && record.host != host)
            continue;
        if (record.user == user && record.password == password)
            return true;
    }
    return false;
}
