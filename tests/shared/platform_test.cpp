// The platform layer every program builds on: settings files, the dialog
// interface, the number format of the protocol and the SQLite connection.
#include "dialog_service.h"
#include "error_box.h"
#include "full_disk.h"
#include "ini_file.h"
#include "kestraline_error.h"
#include "number_format.h"
#include "scripted_dialogs.h"
#include "sqlite_connection.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace testsupport;

TEST(IniFile, MissingFileAndKeysGiveDefaults)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath("none.ini"));
    EXPECT_EQ(ini.ReadString("Common", "Port", "1080"), "1080");
    EXPECT_FALSE(QFile::exists(dir.filePath("none.ini")));

    writeBytes(dir.filePath("a.ini"), "[Common]\r\nPort=8080\r\n");
    IniFile present(dir.filePath("a.ini"));
    EXPECT_EQ(present.ReadString("Common", "Port", "1080"), "8080");
    EXPECT_EQ(present.ReadString("Common", "VideoDataBase", ""), "");
    EXPECT_EQ(present.ReadString("Logs", "access", "x"), "x");
}

TEST(IniFile, RoundTripKeepsValuesExactlyAndOtherKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sub dir ü.ini");
    writeBytes(path, "; comment stays\n[Other]\nkeep=me\n[Common]\nPort=1\n");
    const QString cyrillic = QString::fromUtf8("/видео/База данных, \"копия\".db");
    {
        IniFile ini(path);
        ini.WriteString("Common", "VideoDataBase", cyrillic);
        ini.WriteString("Common", "Port", "a,b,c");
        ini.WriteString("Logs", "access", " padded = value ");
        ASSERT_TRUE(ini.UpdateFile());
    }
    IniFile again(path);
    EXPECT_EQ(again.ReadString("Common", "VideoDataBase", ""), cyrillic);
    EXPECT_EQ(again.ReadString("Common", "Port", ""), "a,b,c");
    EXPECT_EQ(again.ReadString("Logs", "access", ""), " padded = value ");
    EXPECT_EQ(again.ReadString("other", "KEEP", ""), "me"); // sections and keys ignore case
    const QString text = QString::fromUtf8(readBytes(path));
    EXPECT_TRUE(text.startsWith("; comment stays\r\n[Other]\r\nkeep=me\r\n[Common]\r\n"));
}

TEST(IniFile, WriteIntoMissingFolderFailsWithoutThrowing)
{
    IniFile ini("/nonexistent-folder-kestraline/x.ini");
    ini.WriteString("A", "b", "c");
    EXPECT_FALSE(ini.UpdateFile());
}

// A disk with no byte left, and a file size limit that cuts the new text short: the
// old file stays byte for byte, nothing else is left in its folder, and the write
// says it failed. Once there is room the same write lands.
TEST(IniFile, AWriteThatDoesNotFitKeepsTheOldFile)
{
    const QByteArray old = "[Common]\r\nPort=8080\r\nVideoDataBase=/old/Kestraline.db\r\n";
    const auto rewrite = [](const QString& path) {
        IniFile ini(path);
        ini.WriteString("Common", "Port", "9090");
        ini.WriteString("Common", "VideoDataBase", QString(300, 'v'));
        return ini.UpdateFile();
    };
    const auto expectRewrittenOnceThereIsRoom = [&](const QString& path) {
        EXPECT_EQ(readBytes(path).toStdString(), old.toStdString());
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
        EXPECT_TRUE(rewrite(path));
        EXPECT_EQ(IniFile(path).ReadString("Common", "Port", ""), "9090");
    };

    QTemporaryDir dir;
    writeBytes(dir.filePath("a.ini"), old);
    {
        FileSizeLimit limit(old.size());
        EXPECT_FALSE(rewrite(dir.filePath("a.ini")));
    }
    expectRewrittenOnceThereIsRoom(dir.filePath("a.ini"));

    SmallDisk disk(64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.refusal().toStdString();
    writeBytes(disk.path() + "/a.ini", old);
    disk.fill();
    EXPECT_FALSE(rewrite(disk.path() + "/a.ini"));
    disk.free();
    expectRewrittenOnceThereIsRoom(disk.path() + "/a.ini");
}

TEST(NumberFormat, GeneralFormatWithPointWhateverTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(format_general(double(29.97f)), "29.9699993133545");
    EXPECT_EQ(format_general(double(100.0f / 29.97f)), "3.33667016029358");
    EXPECT_EQ(format_general(double(7.0f / 25.0f)), "0.280000001192093");
    EXPECT_EQ(format_general(4.0), "4");
    EXPECT_EQ(format_general(0.0), "0");
    EXPECT_EQ(format_general(2.016), "2.016");
    EXPECT_EQ(format_general(123456789012.5), "123456789012.5");
    EXPECT_EQ(format_general_locale(49.36), "49,36");
    EXPECT_EQ(format_general_locale(1234567.5), "1234567,5");
    QLocale::setDefault(QLocale::c());
}

TEST(Dialogs, FilterTranslationAndScriptedAnswers)
{
    EXPECT_EQ(qtFileFilter("База (Kestraline.db)|Kestraline.db|Все файлы (*.*)|*.*"),
              "База (Kestraline.db) (Kestraline.db);;Все файлы (*.*) (*)");
    EXPECT_EQ(qtFileFilter("Видео|*.avi; *.mov"), "Видео (*.avi *.mov)");

    ScriptedDialogs script;
    script.answers.enqueue(true);
    script.files.enqueue({"/a/b.db"});
    EXPECT_TRUE(dialogs().askYesNo("Удалить?", "Подтверждение"));
    EXPECT_FALSE(dialogs().askYesNo("Again?", "c")); // an empty queue answers No
    EXPECT_EQ(dialogs().openFileName(nullptr, "x.db", "f|*"), "/a/b.db");
    EXPECT_EQ(dialogs().saveFileName(nullptr, "y.db", "f|*"), ""); // cancelled
    dialogs().showMessage("Привет");
    EXPECT_EQ(script.texts("message"), QStringList{"Привет"});
    EXPECT_EQ(script.texts("question"), (QStringList{"Удалить?", "Again?"}));
    EXPECT_EQ(script.shown[0].caption, "Подтверждение");
}

TEST(Dialogs, GuardedStartUpShowsTheEscapingErrorText)
{
    ScriptedDialogs script;
    EXPECT_EQ(run_guarded([]() -> int { throw KestralineError("no such table: video"); }), 0);
    EXPECT_EQ(run_guarded([]() -> int { throw 42; }), 0);
    EXPECT_EQ(run_guarded([] { return 7; }), 7);
    EXPECT_EQ(run_guarded([]() -> int { throw std::runtime_error("port taken"); }, 1), 1);
    EXPECT_EQ(script.texts("error"), (QStringList{"no such table: video", "", "port taken"}));
}

TEST(Sqlite, FailIfMissingNeverCreatesAndRejectsJunk)
{
    ensureApplication();
    QTemporaryDir dir;
    SqliteConnection db("t1");
    const QString missing = dir.filePath("missing?#%.db");
    EXPECT_FALSE(db.open(missing, true));
    EXPECT_FALSE(QFile::exists(missing));

    writeBytes(dir.filePath("junk.db"), QByteArray(4096, 'x'));
    EXPECT_FALSE(db.open(dir.filePath("junk.db"), true));
    EXPECT_FALSE(db.lastError().isEmpty());

    const QString odd = dir.filePath("odd ? # % name.db");
    ASSERT_TRUE(db.open(odd, false)); // created
    db.execDirect("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT);");
    db.exec("insert into t (v) values(:V);", {{"V", QString::fromUtf8("значение")}});
    db.close();
    ASSERT_TRUE(db.open(odd, true)); // the URI form finds the same file
    QSqlQuery q = db.exec("select v from t;");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QString::fromUtf8("значение"));
    EXPECT_THROW(db.execDirect("CREATE TABLE t (x);"), KestralineError);
    EXPECT_THROW(db.exec("select * from nothing;"), KestralineError);
}
