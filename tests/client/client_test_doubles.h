#pragma once
// Stand-ins for the client's two outside parties: the analysis tool (a small
// script in the test's program folder) and the server (a transport that records
// each request and answers as told).
#include "search_transport.h"
#include "test_support.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace testsupport {

class ScriptedTransport : public client::SearchTransport {
public:
    client::SearchExchange post(const client::SearchRequest& request) override
    {
        requests.append(request);
        if (whilePosting)
            whilePosting();
        return reply;
    }
    QVector<client::SearchRequest> requests;
    client::SearchExchange reply;
    std::function<void()> whilePosting;  // runs while the client waits for the answer
};

// Puts a KestralineAnalyzer into `programFolder` that writes its arguments (one
// a line) to args.txt and its working folder to cwd.txt beside itself and, when
// `fragment` is not empty, copies those bytes to the request file (its second
// argument), after taking `seconds` as a real tool does.
inline void installFakeAnalyzer(const QString& programFolder, const QByteArray& fragment, double seconds = 0)
{
    writeBytes(programFolder + "/fragment.bin", fragment);
    QByteArray script = "#!/bin/sh\n"
                        "sleep " + QByteArray::number(seconds) + "\n"
                        "here=$(dirname \"$0\")\n"
                        "printf '%s\\n' \"$@\" > \"$here/args.txt\"\n"
                        "pwd > \"$here/cwd.txt\"\n";
    if (!fragment.isEmpty())
        script += "cp \"$here/fragment.bin\" \"$2\"\n";
    const QString tool = programFolder + "/KestralineAnalyzer";
    writeBytes(tool, script);
    QFile::setPermissions(tool, QFile::permissions(tool) | QFileDevice::ExeOwner);
}

// The arguments the fake tool was last run with.
inline QStringList fakeAnalyzerArguments(const QString& programFolder)
{
    return QString::fromUtf8(readBytes(programFolder + "/args.txt")).split('\n', Qt::SkipEmptyParts);
}

} // namespace testsupport
