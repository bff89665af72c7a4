#include "test_support.h"

#ifdef KESTRALINE_TEST_WIDGETS
#include "designed_status_bar.h"

#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication; // tests of libraries without windows link no Widgets
#endif
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <stdexcept>

namespace testsupport {

QString binDir()
{
    return QString::fromUtf8(KESTRALINE_BIN_DIR);
}

QString sourceDir()
{
    return QString::fromUtf8(KESTRALINE_SOURCE_DIR);
}

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    static int argc = 1;
    static char name[] = "kestraline-test";
    static char* argv[] = {name, nullptr};
    new TestApplication(argc, argv);
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

quint16 freeLocalPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free port");
    return probe.serverPort();
}

int runProgram(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString sqliteShell(const QString& database, const QString& sql)
{
    QByteArray out, err;
    if (runProgram("sqlite3", {database, sql}, &out, &err) != 0)
        throw std::runtime_error("sqlite3 failed: " + err.toStdString());
    return QString::fromUtf8(out);
}

bool makeVideo(const QString& path, const QString& source, const QStringList& codec, int seconds)
{
    QStringList args = {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", source,
                        "-t", QString::number(seconds)};
    args << codec << path;
    return runProgram("ffmpeg", args) == 0;
}

#ifdef KESTRALINE_TEST_WIDGETS
bool panelsSideBySide(const DesignedStatusBar& bar, const QVector<int>& widths)
{
    if (bar.panelCount() != widths.size())
        return false;
    int left = 0;
    for (int i = 0; i < widths.size(); ++i) {
        const QRect panel = bar.panelGeometry(i);
        if (panel.x() != left || panel.width() != widths[i] || panel.top() < 0 || panel.bottom() >= bar.height())
            return false;
        left += widths[i];
    }
    return true;
}
#endif

} // namespace testsupport
