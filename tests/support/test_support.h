#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class DesignedStatusBar;

// Small helpers shared by the tests of every area.
namespace testsupport {

// The project database's table, as the manager creates it, for tests that make
// projects by hand.
inline const char* const CREATE_VIDEO_TABLE =
    "CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,filename TEXT,"
    "path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,height INTEGER,comment TEXT);";

// The build's program folder (where KestralineServer, the tools etc. lie).
QString binDir();
QString sourceDir();

// Creates the application object once per process if none exists yet, for tests
// that use Qt Sql, timers or widgets from GoogleTest: a QApplication (offscreen)
// for tests that link kestraline_testsupport, a QCoreApplication for tests of
// libraries without windows, which link kestraline_testsupport_core.
void ensureApplication();

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& data);

// A TCP port on 127.0.0.1 that was free a moment ago.
quint16 freeLocalPort();

// Runs the sqlite3 shell on `database` with `sql`; returns its standard output
// ("|" between columns, LF after each row).
QString sqliteShell(const QString& database, const QString& sql);

// Runs a program and waits; returns its exit code (-1 if it could not start or
// timed out), with its standard output and error in the optional outputs.
int runProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr,
               QByteArray* err = nullptr, int timeoutMs = 120000);

// Makes a video of `seconds` seconds from an ffmpeg lavfi source graph with the
// given codec arguments; false when ffmpeg fails.
bool makeVideo(const QString& path, const QString& source, const QStringList& codec, int seconds = 3);

// Whether a status bar's panels lie side by side from its left edge at these
// widths, each within the bar's height.
bool panelsSideBySide(const DesignedStatusBar& bar, const QVector<int>& widths);

} // namespace testsupport
