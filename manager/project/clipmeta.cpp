#include "clipmeta.h"

#include "file_helpers.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr qint64 kSmallestInfo = 20;
// Longer number texts are not numbers the property tool prints.
constexpr int kLongestNumber = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads white-space separated words from the info file, streaming, so a label of
// any length is skipped without being kept.
class WordReader {
public:
    explicit WordReader(QIODevice& device) : device_(device) {}

    bool skipWord()
    {
        return readWord(nullptr);
    }

    // The next word, or nothing at the end or when it is too long for a number.
    std::optional<QByteArray> numberWord()
    {
        QByteArray word;
        if (!readWord(&word) || word.size() > kLongestNumber)
            return std::nullopt;
        return word;
    }

private:
    bool readWord(QByteArray* word)
    {
        char c = 0;
        do {
            if (!device_.getChar(&c))
                return false;
        } while (isBlank(c));
        do {
            if (word && word->size() <= kLongestNumber)
                word->append(c);
        } while (device_.getChar(&c) && !isBlank(c));
        return true;
    }

    QIODevice& device_;
};

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// An integer with automatic base: optional sign, then decimal digits, or
// hexadecimal after "0x", or octal after a leading "0". The whole word must be
// the number and fit in 32 bits.
std::optional<qint32> parseInteger(const QByteArray& word)
{
    int pos = 0;
    const bool negative = !word.isEmpty() && word[0] == '-';
    if (!word.isEmpty() && (word[0] == '-' || word[0] == '+'))
        ++pos;
    int base = 10;
    if (word.size() - pos > 2 && word[pos] == '0' && (word[pos + 1] == 'x' || word[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    } else if (word.size() - pos > 1 && word[pos] == '0') {
        base = 8;
        ++pos;
    }
    if (pos >= word.size())
        return std::nullopt;
    qint64 value = 0;
    for (; pos < word.size(); ++pos) {
        const int digit = digitValue(word[pos]);
        if (digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

// A real with "." as the decimal separator, whatever the locale.
std::optional<double> parseReal(const QByteArray& word)
{
    const char* first = word.constData();
    const char* last = first + word.size();
    if (first != last && *first == '+')
        ++first;
    double value = 0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last)
        return std::nullopt;
    return value;
}

struct ClipNumbers {
    qint32 width = 0;
    qint32 height = 0;
    double fps = 0;
    qint32 frames = 0;
};

// The four pairs in order: width, height, frames per second, frame count. Nothing
// when any of them cannot be read; anything after the fourth is ignored.
std::optional<ClipNumbers> readPairs(QIODevice& info)
{
    WordReader reader(info);
    auto integer = [&]() -> std::optional<qint32> {
        if (!reader.skipWord())
            return std::nullopt;
        const auto word = reader.numberWord();
        return word ? parseInteger(*word) : std::nullopt;
    };
    ClipNumbers numbers;
    const auto width = integer();
    const auto height = width ? integer() : std::nullopt;
    std::optional<double> fps;
    if (height && reader.skipWord()) {
        if (const auto word = reader.numberWord())
            fps = parseReal(*word);
    }
    const auto frames = fps ? integer() : std::nullopt;
    if (!frames)
        return std::nullopt;
    return ClipNumbers{*width, *height, *fps, *frames};
}

// Removes an earlier run's output; false when one is still there afterwards.
bool removeStale(const QString& path)
{
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    return QFile::remove(path);
}

// Runs a tool without a shell and waits for it to end. Its standard input is
// empty and its messages go to our standard error. True when it ran and ended
// with status 0.
bool runTool(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    return process.waitForStarted(-1) && process.waitForFinished(-1) &&
           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString absolute(const QString& path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

} // namespace

void CLIPMETA::SetFiles(QString video, QString rgb)
{
    videofile = video;
    rgbfile = rgb;
}

bool CLIPMETA::GetClipmeta()
{
    // Another video's numbers must never survive a failed run.
    width = height = frames = 0;
    fps = duration = 0;
    success = false;

    const QString info = workdir + "/clipmeta.info";
    if (!removeStale(info))
        return false;
    QProcess process;
    process.setStandardOutputFile(info);
    // A run that failed may have left part of its text (the tool could not write
    // all of it, a full disk): "frames 12" cut from "frames 1234" reads as a number.
    if (!runTool(process, tooldir + "/Clipmeta", {absolute(videofile)}))
        return false;
    if (getFileSize(info) < kSmallestInfo)
        return false;
    QFile file(info);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::optional<ClipNumbers> numbers = readPairs(file);
    file.close();
    if (!numbers || !(numbers->fps > 0) || !std::isfinite(numbers->fps) || numbers->frames <= 0)
        return false;

    width = numbers->width;
    height = numbers->height;
    fps = numbers->fps;
    frames = numbers->frames;
    duration = std::floor(frames * 1000.0 / fps) / 1000.0;
    QFile::remove(info);
    success = true;
    return true;
}

bool CLIPMETA::GetVideoAnalysis()
{
    success = false;
    const QString output = absolute(rgbfile);
    if (!removeStale(output))
        return false;
    QProcess process;
    process.setWorkingDirectory(tooldir);
    // The tool writes its output whole or not at all, so the file alone tells.
    runTool(process, tooldir + "/KestralineAnalyzer", {absolute(videofile), output});
    success = getFileSize(output) > 0;
    return success;
}
