// The access database file: creation, every change as the file holds it, reloads,
// and what happens when opening or reading fails.
#include "kestraline_access.h"
#include "kestraline_error.h"
#include "recorded_messages.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QString kCreateTable = "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT "
                             "DEFAULT 'Y',host TEXT,user TEXT,password TEXT )";
const QString kNotOpen = QString::fromUtf8("База данных прав доступа не открыта");
const QString kOpenFailed = QString::fromUtf8("Ошибка открытия базы данных прав доступа");

class AccessDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("Access.db");
        access.rows_changed = [this] { ++rowsChanged; };
        access.show_message = shownMessages.sink();
    }

    QString fileRows(const QString& file)
    {
        return sqliteShell(file, "select id,quote(active),quote(host),quote(user),quote(password) from access order by id;");
    }

    QStringList gridRow(int r) const { return access.grid_rows().at(r); }

    QTemporaryDir dir;
    QString path;
    RecordedMessages shownMessages;
    KESTRALINE_ACCESS access;
    int rowsChanged = 0;
};

TEST_F(AccessDatabase, CreateMakesTheTableAndEveryChangeReachesFileMemoryAndGrid)
{
    ASSERT_TRUE(access.Create(path));
    EXPECT_TRUE(access.opened);
    EXPECT_EQ(access.file_name, path);
    EXPECT_EQ(sqliteShell(path, "select sql from sqlite_master where name='access';"), kCreateTable + "\n");
    ASSERT_TRUE(access.Load());
    EXPECT_EQ(rowsChanged, 1);
    EXPECT_TRUE(access.grid_rows().isEmpty());

    const QString cyrillic = QString::fromUtf8("Оператор 'один'");
    ASSERT_TRUE(access.Add(true, "", "admin", "secret"));
    ASSERT_TRUE(access.Add(false, "10.0.0.5", cyrillic, " spaced pw "));
    EXPECT_EQ(fileRows(path), QString::fromUtf8("1|'Y'|''|'admin'|'secret'\n"
                                                "2|'N'|'10.0.0.5'|'Оператор ''один'''|' spaced pw '\n"));
    EXPECT_EQ(access.user_count(), 2);
    ASSERT_EQ(access.grid_rows().size(), 2);
    EXPECT_EQ(gridRow(0), QStringList({"1", "1", "Y", "", "admin", "secret"}));
    EXPECT_EQ(gridRow(1), QStringList({"2", "2", "N", "10.0.0.5", cyrillic, " spaced pw "}));

    ASSERT_TRUE(access.Change(1, false, "192.168.1.1", "root", "toor"));
    EXPECT_EQ(fileRows(path), QString::fromUtf8("1|'N'|'192.168.1.1'|'root'|'toor'\n"
                                                "2|'N'|'10.0.0.5'|'Оператор ''один'''|' spaced pw '\n"));
    EXPECT_EQ(gridRow(0), QStringList({"1", "1", "N", "192.168.1.1", "root", "toor"}));

    ASSERT_TRUE(access.Active(2, true));
    EXPECT_EQ(sqliteShell(path, "select active,user from access where id=2;"), QString::fromUtf8("Y|Оператор 'один'\n"));
    EXPECT_TRUE(access.Check("10.0.0.5", cyrillic, " spaced pw "));

    ASSERT_TRUE(access.Delete(1));
    EXPECT_EQ(sqliteShell(path, "select id from access;"), "2\n");
    ASSERT_EQ(access.grid_rows().size(), 1);
    EXPECT_EQ(gridRow(0).at(0), "1"); // numbered from 1 again
    EXPECT_EQ(gridRow(0).at(1), "2");
    EXPECT_EQ(access.user_count(), 1);
    EXPECT_EQ(rowsChanged, 6);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(AccessDatabase, NewRowIsLastWithTheLargestIdNeverReused)
{
    ASSERT_TRUE(access.Create(path));
    access.Load();
    for (const char* user : {"a", "b", "c"})
        access.Add(true, "", user, "p");
    access.Delete(3);
    access.Add(true, "", "d", "p");
    ASSERT_EQ(access.grid_rows().size(), 3);
    EXPECT_EQ(gridRow(2), QStringList({"3", "4", "Y", "", "d", "p"}));
    EXPECT_EQ(sqliteShell(path, "select max(id) from access;"), "4\n");
}

TEST_F(AccessDatabase, ChangesWhileClosedDoNothingAndSayNothing)
{
    EXPECT_FALSE(access.Add(true, "", "u", "p"));
    EXPECT_FALSE(access.Change(1, true, "", "u", "p"));
    EXPECT_FALSE(access.Delete(1));
    EXPECT_FALSE(access.Active(1, true));
    EXPECT_TRUE(access.Close());
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(rowsChanged, 0);

    ASSERT_TRUE(access.Create(path));
    access.Load();
    access.Add(true, "", "u", "p");
    access.Close();
    EXPECT_FALSE(access.Add(true, "", "v", "p"));
    EXPECT_EQ(sqliteShell(path, "select count(*) from access;"), "1\n");
    EXPECT_EQ(access.grid_rows().size(), 1); // Close leaves the grid rows
}

TEST_F(AccessDatabase, UnknownIdsAndRefusedStatementsChangeNothingButStillReload)
{
    ASSERT_TRUE(access.Create(path));
    access.Load();
    access.Add(true, "", "u", "p");
    const QString before = fileRows(path);
    const int reloads = rowsChanged;
    EXPECT_TRUE(access.Change(-1, false, "", "x", "y"));
    EXPECT_TRUE(access.Delete(-1));
    EXPECT_TRUE(access.Active(99, false));
    EXPECT_EQ(fileRows(path), before);
    EXPECT_EQ(rowsChanged, reloads + 3);

    // The engine refuses the insert: ignored silently, the reload shows the file.
    sqliteShell(path, "create trigger refuse before insert on access begin select raise(abort,'refused'); end;");
    EXPECT_TRUE(access.Add(true, "", "second", "p"));
    EXPECT_EQ(fileRows(path), before);
    EXPECT_EQ(access.grid_rows().size(), 1);
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(AccessDatabase, OpenOfAMissingFileClosesThePreviousDatabase)
{
    ASSERT_TRUE(access.Create(path));
    access.Load();
    access.Add(true, "", "first", "p");
    access.Close();
    ASSERT_TRUE(access.Open(path));
    ASSERT_TRUE(access.Load());
    EXPECT_TRUE(access.Check("h", "first", "p"));

    const QString missing = dir.filePath("missing.db");
    EXPECT_FALSE(access.Open(missing));
    EXPECT_FALSE(QFile::exists(missing)); // never created
    EXPECT_FALSE(access.opened);
    EXPECT_EQ(access.file_name, missing);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_FALSE(access.Check("h", "first", "p"));
    EXPECT_EQ(access.user_count(), 0);

    const int reloads = rowsChanged;
    EXPECT_FALSE(access.Load());
    EXPECT_EQ(shownMessages.texts(), QStringList({kNotOpen}));
    EXPECT_EQ(rowsChanged, reloads);
    ASSERT_EQ(access.grid_rows().size(), 1);
    EXPECT_EQ(gridRow(0).at(4), "first");

    // A folder or an empty path is no file either.
    EXPECT_FALSE(access.Open(dir.path()));
    EXPECT_FALSE(access.Open(""));
    EXPECT_EQ(shownMessages.texts().size(), 1);
}

TEST_F(AccessDatabase, FileThatIsNoDatabaseOrCannotBeCreatedGivesTheOpenMessage)
{
    const QString junk = dir.filePath("junk.db");
    writeBytes(junk, QByteArray(4096, 'x'));
    EXPECT_FALSE(access.Open(junk));
    EXPECT_FALSE(access.opened);
    EXPECT_EQ(shownMessages.texts(), QStringList({kOpenFailed}));
    EXPECT_EQ(readBytes(junk), QByteArray(4096, 'x'));

    EXPECT_FALSE(access.Create(dir.filePath("no-such-folder/Access.db")));
    EXPECT_FALSE(access.opened);
    EXPECT_FALSE(access.Create(""));
    EXPECT_EQ(shownMessages.texts(), QStringList({kOpenFailed, kOpenFailed, kOpenFailed}));
    EXPECT_FALSE(access.Check("h", "", ""));
}

TEST_F(AccessDatabase, CreateOverAnExistingTableThrowsAndStaysOpen)
{
    ASSERT_TRUE(access.Create(path));
    access.Load();
    access.Add(true, "", "kept", "p");
    try {
        access.Create(path);
        FAIL() << "CREATE TABLE over an existing table must throw";
    } catch (const KestralineError& e) {
        EXPECT_TRUE(e.message().contains("already exists")) << e.message().toStdString();
    }
    EXPECT_TRUE(access.opened);
    EXPECT_FALSE(access.Check("h", "kept", "p")); // not loaded yet
    ASSERT_TRUE(access.Load());
    EXPECT_TRUE(access.Check("h", "kept", "p"));
    EXPECT_TRUE(shownMessages.empty());
}

TEST_F(AccessDatabase, FailingSelectThrowsAfterRefusingEveryoneAndKeepsTheGrid)
{
    ASSERT_TRUE(access.Create(path));
    access.Load();
    access.Add(true, "", "u", "p");
    ASSERT_TRUE(access.Check("h", "u", "p"));
    const int reloads = rowsChanged;

    sqliteShell(path, "drop table access;");
    EXPECT_THROW(access.Load(), KestralineError);
    EXPECT_FALSE(access.Check("h", "u", "p"));
    EXPECT_EQ(access.user_count(), 0);
    EXPECT_EQ(rowsChanged, reloads);
    ASSERT_EQ(access.grid_rows().size(), 1);
    EXPECT_EQ(gridRow(0).at(4), "u");

    // A database that never had the table: the same.
    const QString other = dir.filePath("other.db");
    sqliteShell(other, "create table video (id integer);");
    ASSERT_TRUE(access.Open(other));
    EXPECT_THROW(access.Load(), KestralineError);
    EXPECT_FALSE(access.Check("h", "u", "p"));
    EXPECT_FALSE(access.Check("h", "", ""));
    EXPECT_TRUE(shownMessages.empty());
}

} // namespace
