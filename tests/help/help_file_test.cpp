// The help file that every program's "Справка" opens: a real compiled help file in the
// program folder, readable by a CHM reader (chmlib's tools from libchm-bin), whose
// committed form matches the topics, contents and index in help/.
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <iconv.h>

#include <map>

namespace {

using testsupport::binDir;
using testsupport::readBytes;
using testsupport::runProgram;

QString helpSource(const QString& name)
{
    return testsupport::sourceDir() + "/help/" + name;
}

QString builtHelpFile()
{
    return binDir() + "/Kestraline.chm";
}

QByteArray toWindows1251(const QByteArray& utf8)
{
    iconv_t converter = iconv_open("WINDOWS-1251", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray in = utf8;
    QByteArray out(in.size() + 1, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = static_cast<size_t>(in.size());
    size_t outLeft = static_cast<size_t>(out.size());
    const bool converted = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv_close(converter);
    if (!converted)
        return {};
    out.truncate(out.size() - static_cast<qsizetype>(outLeft));
    return out;
}

// The UTF-8 sources go into the file in the help language's code page, which they then
// declare.
QByteArray compiledForm(const QString& sourceName)
{
    QByteArray text = readBytes(helpSource(sourceName));
    return toWindows1251(text.replace("charset=utf-8", "charset=windows-1251"));
}

// The names of the normal files that enum_chmLib lists, without the leading "/".
QStringList listedFiles(const QString& chm)
{
    QByteArray out;
    EXPECT_EQ(runProgram("enum_chmLib", {chm}, &out), 0) << "enum_chmLib (libchm-bin) must run";
    QStringList names;
    for (const QString& line : QString::fromUtf8(out).split('\n')) {
        if (line.contains("normal file"))
            names << line.section('\t', -1).trimmed().mid(1);
    }
    return names;
}

// Every file of the archive, by name, as extract_chmLib writes them out.
std::map<QString, QByteArray> extractedFiles(const QString& chm, const QTemporaryDir& into)
{
    EXPECT_EQ(runProgram("extract_chmLib", {chm, into.path()}), 0) << "extract_chmLib (libchm-bin) must run";
    std::map<QString, QByteArray> files;
    const QDir dir(into.path());
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden))
        files[entry.fileName()] = readBytes(entry.filePath());
    return files;
}

QString projectOption(const QString& key)
{
    const QString project = QString::fromUtf8(readBytes(helpSource("Kestraline.hhp")));
    const QRegularExpression line("^" + QRegularExpression::escape(key) + "=(.*)$",
                                  QRegularExpression::MultilineOption);
    return line.match(project).captured(1).trimmed();
}

QStringList helpSourceNames(const QStringList& patterns)
{
    return QDir(testsupport::sourceDir() + "/help").entryList(patterns, QDir::Files, QDir::Name);
}

} // namespace

TEST(HelpFile, ProgramFolderHoldsACompiledHelpFileWithEveryTopic)
{
    const QByteArray built = readBytes(builtHelpFile());
    ASSERT_TRUE(built.startsWith("ITSF")) << "no compiled help file at " << builtHelpFile().toStdString();
    EXPECT_TRUE(built == readBytes(helpSource("Kestraline.chm"))) << "the build copies help/Kestraline.chm";

    const QStringList files = listedFiles(builtHelpFile());
    for (const char* topic : {"start.html", "server.html", "client.html", "manager.html", "tools.html",
                              "contents.hhc", "index.hhk"})
        EXPECT_TRUE(files.contains(topic)) << topic << " missing from " << files.join(' ').toStdString();
}

TEST(HelpFile, RussianTextSurvivesCompilation)
{
    QTemporaryDir dir;
    const auto files = extractedFiles(builtHelpFile(), dir);
    // Topics, contents, index and title are all in windows-1251, the code page in which
    // the viewer reads a Russian help file's contents, index and topic titles.
    ASSERT_TRUE(files.count("server.html"));
    const QByteArray topic = files.at("server.html");
    EXPECT_TRUE(topic.contains("charset=windows-1251"));
    EXPECT_TRUE(topic.contains(toWindows1251("<h1>KestralineServer: сервер поиска</h1>")));
    ASSERT_TRUE(files.count("contents.hhc"));
    const QByteArray contents = files.at("contents.hhc");
    EXPECT_TRUE(contents.contains("charset=windows-1251"));
    EXPECT_TRUE(contents.contains(toWindows1251("\"KestralineClient: клиент поиска\"")));
    // The index is kept as text: a binary keyword index would show Cyrillic as "?".
    ASSERT_TRUE(files.count("index.hhk"));
    EXPECT_TRUE(files.at("index.hhk").contains(toWindows1251("\"цветовая полоса\"")));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/$WWKeywordLinks"));
    ASSERT_TRUE(files.count("#SYSTEM") && files.count("#STRINGS"));
    EXPECT_TRUE(files.at("#SYSTEM").contains(toWindows1251(projectOption("Title").toUtf8())));
    // The topic titles that search results list.
    EXPECT_TRUE(files.at("#STRINGS").contains(toWindows1251("KestralineManager: менеджер проектов")));
}

TEST(HelpFile, CommittedFileIsUpToDateWithItsSources)
{
    QTemporaryDir dir;
    const auto files = extractedFiles(helpSource("Kestraline.chm"), dir);
    const std::string remake = " differs from help/; run scripts/make-help.sh and commit help/Kestraline.chm";
    for (const QString& name : helpSourceNames({"*.html", "*.hhc", "*.hhk"})) {
        ASSERT_TRUE(files.count(name)) << name.toStdString() << remake;
        EXPECT_TRUE(files.at(name) == compiledForm(name)) << name.toStdString() << remake;
    }
    for (const QString& name : listedFiles(helpSource("Kestraline.chm"))) {
        if (name.contains('.')) {
            EXPECT_TRUE(QFileInfo::exists(helpSource(name))) << name.toStdString() << " has no source in help/";
        }
    }
    EXPECT_TRUE(files.at("#SYSTEM").contains(projectOption("Default topic").toUtf8())) << "project file" << remake;
}

// A contents or index entry, or a link between topics, that names a missing topic or
// anchor would lead the reader nowhere.
TEST(HelpFile, EveryLinkLeadsToATopicAndAnchorThatExist)
{
    const QRegularExpression target(R"((?:value|href)="([a-z]+\.html)(?:#([A-Za-z0-9_]+))?")");
    int links = 0;
    for (const QString& source : helpSourceNames({"*.html", "*.hhc", "*.hhk"})) {
        const QString text = QString::fromUtf8(readBytes(helpSource(source)));
        for (auto match = target.globalMatch(text); match.hasNext(); ++links) {
            const auto found = match.next();
            const QString topic = found.captured(1);
            const QString anchor = found.captured(2);
            ASSERT_TRUE(QFileInfo::exists(helpSource(topic))) << source.toStdString() << " -> " << topic.toStdString();
            if (!anchor.isEmpty()) {
                const QString topicText = QString::fromUtf8(readBytes(helpSource(topic)));
                EXPECT_TRUE(topicText.contains("<a name=\"" + anchor + "\">"))
                    << source.toStdString() << " -> " << topic.toStdString() << "#" << anchor.toStdString();
            }
        }
    }
    EXPECT_GT(links, 50);
}
