// From the press of "Искать фрагмент" to the answer shown, for a 50-frame
// fragment in the middle of a 60 s 1280x720 H.264 clip at 25 fps: the real
// client window (libmpv, offscreen) against the real KestralineServer on
// 127.0.0.1. Baselines in the same run: the analysis tool alone on the same
// stretch, and the HTTP exchange alone with the same query.
// Usage: client_search_bench [REPETITIONS]
#include "analyzer_call.h"
#include "player_widgets.h"
#include "search_transport.h"
#include "tform1.h"
#include "tform7.h"
#include "video_player.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace client;

namespace {

bool run(const QString& program, const QStringList& arguments, const QString& folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void report(const char* what, const std::vector<double>& ms, double baseline)
{
    std::printf("%-34s best %8.1f ms  median %8.1f ms  ratio %5.2f\n", what, *std::min_element(ms.begin(), ms.end()),
                median(ms), median(ms) / baseline);
}

// Waits in the event loop until `done` or `ms` have passed.
template <typename Done> bool waitFor(Done done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString bin = QCoreApplication::applicationDirPath() + "/../bin";
    QTemporaryDir folder;
    const QString clip = folder.path() + "/clip.mp4";
    const QString project = folder.path() + "/Kestraline.db", access = folder.path() + "/Access.db";
    const QString serverFolder = folder.path() + "/server", clientFolder = folder.path() + "/client";
    QDir().mkpath(serverFolder);
    QDir().mkpath(clientFolder);

    std::printf("making a 60 s 1280x720 H.264 clip at 25 fps and its project...\n");
    if (!run("ffmpeg", {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                        "testsrc2=size=1280x720:rate=25:duration=60", "-c:v", "libx264", "-preset", "veryfast",
                        "-pix_fmt", "yuv420p", clip}) ||
        !run(bin + "/KestralineAnalyzer", {clip, folder.path() + "/1.rgb"}) ||
        !run("sqlite3", {project, "CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,"
                                  "filename TEXT,path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,"
                                  "height INTEGER,comment TEXT); INSERT INTO video VALUES(1,'Обработан','clip.mp4','" +
                                      clip + "',25,60,1500,1280,720,'');"}) ||
        !run("sqlite3", {access, "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT,"
                                 "host TEXT,user TEXT,password TEXT); INSERT INTO access VALUES(1,'Y','','u','p');"}) ||
        !QFile::copy(bin + "/KestralineServer", serverFolder + "/KestralineServer") ||
        !QFile::copy(bin + "/KestralineAnalyzer", clientFolder + "/KestralineAnalyzer")) {
        std::fprintf(stderr, "could not prepare the clip and the project (are the programs built?)\n");
        return 1;
    }
    const quint16 port = freePort();
    QProcess server;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KESTRALINE_SERVER_BIND_ADDRESS", "127.0.0.1");
    server.setProcessEnvironment(env);
    server.start(serverFolder + "/KestralineServer", {project, QString::number(port), access});
    const auto stop = qScopeGuard([&server] {
        server.kill();
        server.waitForFinished(5000);
    });

    TForm1 form1(clientFolder);
    form1.Settings = {"127.0.0.1", QString::number(port), "u", "p"};
    TForm7 form7(&form1);
    form1.SetWindows(nullptr, &form7, nullptr);
    form1.show();
    form1.Player->FileName = clip;
    form1.Player->OpenExecute();
    form1.Player->Pause();
    const qint64 middle = 30 * player::VIDEO_PLAYER::UnitsPerSecond;
    form1.Player->backend().setPosition(middle);
    const QString frameText = "Кадр: 750";
    if (!form1.Player->OPENED || !waitFor([&] { return form1.StatusBar1->panelText(3) == frameText; }, 10000)) {
        std::fprintf(stderr, "the player did not stop at frame 750\n");
        return 1;
    }

    // Baseline 2: the exchange alone, once the server has loaded the clip.
    HttpSearchTransport transport;
    const QString requestFile = request_file_path(clientFolder);
    const QStringList toolArguments = analyzer_arguments(clip, requestFile, form1.Player->pos, 50, 25.0);
    run(clientFolder + "/KestralineAnalyzer", toolArguments, clientFolder);
    QFile fragment(requestFile);
    fragment.open(QIODevice::ReadOnly);
    const SearchRequest request = make_search_request(form1.Settings, fragment.readAll());
    if (!waitFor([&] { return transport.post(request).text.contains("<framepos>750<"); }, 20000)) {
        std::fprintf(stderr, "the server did not find the fragment at frame 750\n");
        return 1;
    }

    std::vector<double> press, tool, exchange;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        run(clientFolder + "/KestralineAnalyzer", toolArguments, clientFolder);
        tool.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        transport.post(request);
        exchange.push_back(timer.nsecsElapsed() / 1e6);

        form7.hide();
        timer.restart();
        form1.BitBtn7->click();
        if (!form7.isVisible() || form7.Value(3) != "750") {
            std::fprintf(stderr, "the search did not show frame 750\n");
            return 1;
        }
        press.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("%d repetitions; ratios of medians against the analysis tool alone\n", repetitions);
    const double baseline = median(tool);
    report("analysis tool alone (baseline)", tool, baseline);
    report("HTTP exchange alone", exchange, baseline);
    report("press to answer shown", press, baseline);
    return 0;
}
