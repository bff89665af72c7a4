// Search service over loopback HTTP: requests per second and latency with 1, 16 and 64
// keep-alive clients, for search requests and, in the same run, for refused requests (the
// HTTP floor: access check and 401, no search). Prints the figures and their ratio.
// Usage: http_bench [seconds per measurement, default 2]
#include "../tests/server/http_raw_client.h"
#include "finder_worker.h"
#include "http_server.h"
#include "kestraline_access.h"
#include "kestraline_finder.h"
#include "kestraline_log.h"
#include "kestraline_stat.h"
#include "search_service.h"
#include "sqlite_connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kVideos = 10;
constexpr int kFramesPerVideo = 100000; // 10^6 frames in all
constexpr int kQueryFrames = 50;

const httptest::Credentials kGood {"bench", "secret"};
const httptest::Credentials kBad {"bench", "wrong"};

// Random colour data for every video; queries are cut from it so that each is found once.
std::vector<QByteArray> makeColours()
{
    std::mt19937 random(12345);
    std::vector<QByteArray> videos;
    for (int v = 0; v < kVideos; ++v) {
        QByteArray rgb(kFramesPerVideo * 3, Qt::Uninitialized);
        for (char& byte : rgb)
            byte = char(random());
        videos.push_back(rgb);
    }
    return videos;
}

void writeProject(const QString& folder, const std::vector<QByteArray>& videos)
{
    SqliteConnection db(QStringLiteral("bench_project"));
    db.open(folder + "/Kestraline.db", false);
    db.execDirect("CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,filename TEXT,"
                  "path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,height INTEGER,"
                  "comment TEXT);");
    for (int v = 0; v < kVideos; ++v) {
        const int id = v + 1;
        db.exec("INSERT INTO video VALUES (:id,'Обработан',:name,:path,25,4000,:frames,640,480,'')",
                {{"id", id}, {"name", QString("video%1.mp4").arg(id)}, {"path", QString("/v/%1.mp4").arg(id)},
                 {"frames", kFramesPerVideo}});
        QFile file(folder + QString("/%1.rgb").arg(id));
        file.open(QIODevice::WriteOnly);
        file.write(videos[v]);
    }
    db.close();
}

struct Figures {
    double perSecond = 0, p50Ms = 0, p99Ms = 0;
    long failures = 0;
};

// `clients` keep-alive connections, each sending requests back to back for `seconds`.
Figures drive(quint16 port, int clients, double seconds, const std::vector<QByteArray>& requests,
              const char* expectedStart)
{
    std::vector<std::vector<double>> latencies(clients);
    std::atomic<long> failures {0};
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httptest::RawConnection connection(port);
            httptest::RawResponse response;
            for (size_t n = c; Clock::now() < end; n += clients) {
                const Clock::time_point start = Clock::now();
                if (!connection.send(requests[n % requests.size()]) || !connection.readResponse(response)) {
                    ++failures;
                    return;
                }
                latencies[c].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                if (!response.body.startsWith(expectedStart) && !response.head.contains(expectedStart))
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::vector<double> all;
    for (const std::vector<double>& one : latencies)
        all.insert(all.end(), one.begin(), one.end());
    std::sort(all.begin(), all.end());
    Figures figures;
    figures.failures = failures;
    if (!all.empty()) {
        figures.perSecond = all.size() / seconds;
        figures.p50Ms = all[all.size() / 2];
        figures.p99Ms = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    }
    return figures;
}

std::vector<QByteArray> searchRequests(const std::vector<QByteArray>& videos)
{
    std::mt19937 random(777);
    std::vector<QByteArray> requests;
    for (int i = 0; i < 1000; ++i) {
        const QByteArray& video = videos[random() % kVideos];
        const int start = int(random() % (kFramesPerVideo - kQueryFrames));
        requests.push_back(httptest::postRequest(
            httptest::searchBody(video.mid(start * 3, kQueryFrames * 3)), kGood, true));
    }
    return requests;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const double seconds = argc > 1 ? std::max(0.2, std::atof(argv[1])) : 2.0;
    QTemporaryDir folder;
    const std::vector<QByteArray> videos = makeColours();
    writeProject(folder.path(), videos);

    KESTRALINE_FINDER finder;
    KESTRALINE_ACCESS access;
    KESTRALINE_STAT stat;
    KESTRALINE_LOG log;
    if (!finder.Open(folder.path() + "/Kestraline.db") || !access.Create(folder.path() + "/access.db")) {
        std::fprintf(stderr, "cannot open the synthetic project\n");
        return 1;
    }
    while (finder.LoadData()) {
    }
    access.Add(true, "", kGood.user, kGood.password);

    SearchService service(finder, access, stat, log);
    HttpServer server([&](HttpRequest& request, HttpResponse& response) {
        service.IdHTTPServer1CommandGet(request, response);
    });
    quint16 port;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    server.SetBindAddress("127.0.0.1");
    server.SetDefaultPort(port);
    server.SetActive(true);
    FINDER_WORKER worker(finder);

    const std::vector<QByteArray> searches = searchRequests(videos);
    const std::vector<QByteArray> refusals {httptest::postRequest(httptest::searchBody(QByteArray(150, 'x')), kBad, true)};

    std::printf("search service over loopback: %d videos, %d frames, %d-frame queries, %.1f s per figure\n", kVideos,
                kVideos * kFramesPerVideo, kQueryFrames, seconds);
    std::printf("%8s | %12s %9s %9s | %12s %9s %9s | %s\n", "clients", "search rq/s", "p50 ms", "p99 ms",
                "refused rq/s", "p50 ms", "p99 ms", "search/refused");
    for (int clients : {1, 16, 64}) {
        const Figures search = drive(port, clients, seconds, searches, "<xml>\n<result>OK</result>");
        const Figures refused = drive(port, clients, seconds, refusals, " 401 ");
        std::printf("%8d | %12.0f %9.2f %9.2f | %12.0f %9.3f %9.3f | %.4f\n", clients, search.perSecond, search.p50Ms,
                    search.p99Ms, refused.perSecond, refused.p50Ms, refused.p99Ms,
                    refused.perSecond > 0 ? search.perSecond / refused.perSecond : 0.0);
        if (search.failures || refused.failures)
            std::printf("         other answers: search %ld (expired or lost), refused %ld\n", search.failures,
                        refused.failures);
    }
    std::printf("counters: total %d, processed %d, found %d, refused %d, too many %d, expired %d\n",
                stat.current[total_requests].load(), stat.current[processed_requests].load(),
                stat.current[found_count].load(), stat.current[auth_errors].load(),
                stat.current[unprocessed_requests].load(), stat.current[expired_requests].load());
    server.SetActive(false);
    worker.requestInterruption();
    worker.wait();
    return 0;
}
