// Search service over loopback HTTP: requests per second and latency with 1, 16 and 64
// keep-alive clients, for search requests and, in the same run, for refused requests (the
// HTTP floor: access check and 401, no search). Prints the figures and their ratio.
// With "memory": the service's resident memory and the allocator's figures over bursts of 1000
// connections at once, in a server process of its own, and what the allocator could still give
// back at the end (the ratio after 20 bursts to after a full trim is the memory it keeps).
// Usage: http_bench [seconds per measurement, default 2]
//        http_bench memory
#include "../tests/server/http_raw_client.h"
#include "server_core.h"
#include "sqlite_connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
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
            // A few client addresses, each within the service's share of connections.
            httptest::RawConnection connection(port, 10000, INADDR_LOOPBACK + c % 4);
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

// The server core over the synthetic project, with no window, listening on 127.0.0.1 at a
// free port; its logs stay closed, as they are for a server whose log paths are empty.
class BenchService {
public:
    explicit BenchService(const std::vector<QByteArray>& videos)
    {
        writeProject(folder.path(), videos);
        KESTRALINE_ACCESS& access = core.access();
        if (!core.OpenProject(folder.path() + "/Kestraline.db") || !access.Create(folder.path() + "/access.db"))
            throw std::runtime_error("cannot open the synthetic project");
        while (core.finder().LoadData()) {
        }
        access.Add(true, "", kGood.user, kGood.password);
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            port = probe.serverPort();
        }
        server::ServerSettings settings;
        settings.port = QString::number(port);
        core.Start(settings);
        core.StartSearchThread();
    }

    QTemporaryDir folder;
    server::ServerCore core {MessageSink(), QStringLiteral("127.0.0.1")};
    const KESTRALINE_STAT& stat = core.stat();
    KESTRALINE_LOG& log = core.log();
    quint16 port = 0;
};

int runThroughput(double seconds)
{
    const std::vector<QByteArray> videos = makeColours();
    BenchService bench(videos);
    const quint16 port = bench.port;
    const KESTRALINE_STAT& stat = bench.stat;

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
    return 0;
}

// ---- Memory under connection bursts ----

constexpr int kBursts = 20;
constexpr int kBurstConnections = 1000;
constexpr int kBurstAddresses = 25; // 127.0.1.1 ... 127.0.1.25, 40 connections each

// What the allocator holds in the server process: resident size, arenas, bytes taken from the
// system, bytes in use by the program.
std::string memoryReport()
{
    long residentKb = 0;
    QFile status("/proc/self/status");
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                residentKb = line.mid(6).trimmed().split(' ').first().toLong();
    char* text = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&text, &size);
    malloc_info(0, stream);
    std::fclose(stream);
    const QByteArray info(text, qsizetype(size));
    std::free(text);
    const struct mallinfo2 totals = mallinfo2();
    char line[160];
    std::snprintf(line, sizeof line, "%.1f %lld %.1f %.1f", residentKb / 1024.0, info.count("<heap nr="),
                  (totals.arena + totals.hblkhd) / 1048576.0, (totals.uordblks + totals.hblkhd) / 1048576.0);
    return line;
}

// The server process: prints its port, then a memory report for each line read, after
// releasing the allocator's free pages when the line is "trim". The log views are taken at each
// report, as the main window takes them once a second.
int runMemoryServer()
{
    const std::vector<QByteArray> videos = makeColours();
    BenchService bench(videos);
    std::cout << bench.port << std::endl;
    std::string command;
    while (std::getline(std::cin, command)) {
        bench.log.TakeRequestViewText();
        bench.log.TakeErrorViewText();
        if (command == "trim")
            malloc_trim(0);
        std::cout << memoryReport() << std::endl;
    }
    return 0;
}

// kBurstConnections connections opened at once, each sending one search and reading its answer;
// one thread, so that the client adds nothing to the server's threads. Gives the answers read.
int burst(quint16 port, const std::vector<QByteArray>& requests)
{
    struct Client {
        int fd;
        bool sent = false;
        QByteArray answer;
    };
    std::vector<Client> clients;
    for (int i = 0; i < kBurstConnections; ++i)
        clients.push_back({httptest::connectFrom(0x7f000101 + i % kBurstAddresses, port, true), false, {}});
    int answered = 0, open = 0;
    for (const Client& client : clients)
        open += client.fd >= 0;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(60);
    while (open > 0 && Clock::now() < end) {
        std::vector<pollfd> watched;
        std::vector<Client*> owners;
        for (Client& client : clients)
            if (client.fd >= 0) {
                watched.push_back({client.fd, short(client.sent ? POLLIN : POLLOUT), 0});
                owners.push_back(&client);
            }
        if (::poll(watched.data(), watched.size(), 100) <= 0)
            continue;
        for (size_t i = 0; i < watched.size(); ++i) {
            Client& client = *owners[i];
            if (!watched[i].revents)
                continue;
            if (!client.sent) {
                const QByteArray& request = requests[size_t(&client - clients.data()) % requests.size()];
                client.sent = ::send(client.fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL)
                              == request.size();
                if (client.sent)
                    continue;
            } else {
                char chunk[4096];
                const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
                if (n > 0) {
                    client.answer.append(chunk, n);
                    continue;
                }
                answered += client.answer.startsWith("HTTP/1.1 200");
            }
            ::close(client.fd);
            client.fd = -1;
            --open;
        }
    }
    for (Client& client : clients)
        if (client.fd >= 0)
            ::close(client.fd);
    return answered;
}

struct MemoryRun {
    std::vector<std::string> reports; // start, after each burst, after trimming
    std::vector<int> answered;
};

MemoryRun measureMemory(const QString& program, const std::vector<QByteArray>& requests)
{
    MemoryRun run;
    QProcess server;
    server.start(program, {"memory-server"});
    auto readLine = [&server] {
        while (!server.canReadLine())
            if (!server.waitForReadyRead(120000))
                throw std::runtime_error("the server process does not answer");
        return server.readLine().trimmed().toStdString();
    };
    const quint16 port = quint16(std::stoi(readLine()));
    auto report = [&](const char* command) {
        server.write(QByteArray(command) + "\n");
        run.reports.push_back(readLine());
    };
    report("report");
    for (int i = 0; i < kBursts; ++i) {
        run.answered.push_back(burst(port, requests));
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the last threads end
        report("report");
    }
    report("trim");
    server.closeWriteChannel();
    server.waitForFinished(30000);
    return run;
}

int runMemory(const QString& program)
{
    std::vector<QByteArray> requests = searchRequests(makeColours());
    for (QByteArray& request : requests) // one request per connection
        request.replace("Connection: keep-alive", "Connection: close");
    std::printf("search service memory: %d bursts of %d connections at once (one search each, from %d addresses)\n",
                kBursts, kBurstConnections, kBurstAddresses);
    const MemoryRun run = measureMemory(program, requests);
    std::printf("%-12s | %11s %7s %14s %10s | %s\n", "", "resident MB", "arenas", "malloc heap MB", "in use MB",
                "answered");
    for (size_t i = 0; i < run.reports.size(); ++i) {
        const std::string label = i == 0 ? "start"
                                  : i == run.reports.size() - 1 ? "full trim"
                                                                 : "burst " + std::to_string(i);
        double resident = 0, heap = 0, inUse = 0;
        long long arenas = 0;
        std::sscanf(run.reports[i].c_str(), "%lf %lld %lf %lf", &resident, &arenas, &heap, &inUse);
        std::printf("%-12s | %11.1f %7lld %14.1f %10.1f |", label.c_str(), resident, arenas, heap, inUse);
        if (i > 0 && i <= run.answered.size())
            std::printf(" %d", run.answered[i - 1]);
        std::printf("\n");
    }
    const double start = std::stod(run.reports.front());
    const double last = std::stod(run.reports[kBursts]);
    const double trimmed = std::stod(run.reports.back());
    std::printf("resident after %d bursts / at start %.3f, / after a full trim %.3f\n", kBursts,
                start > 0 ? last / start : 0.0, trimmed > 0 ? last / trimmed : 0.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    QCoreApplication application(argc, argv);
    try {
        if (mode == "memory-server")
            return runMemoryServer();
        if (mode == "memory")
            return runMemory(QCoreApplication::applicationFilePath());
        return runThroughput(argc > 1 ? std::max(0.2, std::atof(argv[1])) : 2.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

