#include "kestraline_log.h"

#include "file_helpers.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The local time now, filled into a format that takes year, month, day, hour,
// minute and second. localtime_r reuses the time-zone rules loaded once (see the
// constructor), so request threads never reload them while another thread does.
QString localTimeText(const char* format)
{
    const time_t now = ::time(nullptr);
    struct tm parts {};
    ::localtime_r(&now, &parts);
    return QString::asprintf(format, parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                             parts.tm_min, parts.tm_sec);
}

// A caller's text may carry line breaks and NUL characters (a user name comes from the
// client): they are written visibly, so that every line of a log is one line, starts with its
// time and shows what was sent.
QString singleLine(const QString& text)
{
    const QChar nul(u'\0');
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')) && !text.contains(nul))
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(nul, QLatin1String("\\0"));
    return escaped;
}

// Renames `from` to `to` only when nothing stands at `to`; the test and the rename
// are one step, so a file that appears meanwhile is never replaced.
bool renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without that rename: a hard link fails as well when the name is taken.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    if (::unlink(source.constData()) != 0) {
        ::unlink(target.constData());
        return false;
    }
    return true;
}

} // namespace

// One log: its file, its path, its view text, all under its own lock. The twin
// operations of KESTRALINE_LOG are this logic applied to one of two channels.
class KESTRALINE_LOG::Channel {
public:
    explicit Channel(const char* openFailureMessage) : open_failure_message(QString::fromUtf8(openFailureMessage)) {}

    // The message to show, none when the log opened.
    QStringList open(const QString& newName)
    {
        std::lock_guard lock(guard);
        file.close();
        name = newName;
        return openLocked() ? QStringList() : QStringList(open_failure_message);
    }

    void close()
    {
        std::lock_guard lock(guard);
        file.close();
    }

    void write(const QString& text)
    {
        const QString line = localTimeText("%04d-%02d-%02d %02d:%02d:%02d") + QLatin1Char('\t') + singleLine(text) +
                             QLatin1String("\r\n");
        const QByteArray bytes = line.toUtf8();
        std::lock_guard lock(guard);
        // One unbuffered write per line: a line is in the file as soon as it is
        // logged, even when the process is then killed. Write errors are not reported.
        if (file.isOpen())
            appendWhole(bytes);
        // The characters are copied: the view text never shares its buffer with a
        // string that another thread still owns.
        view_text.append(line.constData(), line.size());
    }

    // The messages to show, in order.
    QStringList rotate()
    {
        const QString stamp = localTimeText("_%04d-%02d-%02d_%02d-%02d-%02d");
        QStringList messages;
        {
            std::lock_guard lock(guard);
            file.close();
            const QFileInfo current(name);
            if (!name.isEmpty() && current.exists() && !current.isDir()) {
                const QString newName = without_extension(name) + stamp + get_extension(name);
                if (!renameWithoutReplacing(name, newName))
                    messages << QStringLiteral("Ошибка переименования файла: ") + name + QStringLiteral(" в ") + newName;
            }
            // After a failed rename this appends to the old file again, so nothing is lost.
            if (!openLocked())
                messages << open_failure_message;
        }
        return messages;
    }

    QString takeViewText()
    {
        QString taken;
        std::lock_guard lock(guard);
        taken.swap(view_text);
        return taken;
    }

    bool isOpen() const
    {
        std::lock_guard lock(guard);
        return file.isOpen();
    }

private:
    // A line is in the file whole or not at all: when the disk takes only part of it
    // (no space left, a size limit), the part is cut off again, so the next line
    // starts on a line of its own instead of continuing the torn one. Runs under the
    // lock, so no other line of this log lands meanwhile.
    void appendWhole(const QByteArray& bytes)
    {
        const qint64 stored = file.write(bytes);
        if (stored <= 0 || stored == bytes.size())
            return;
        struct stat status {};
        if (::fstat(file.handle(), &status) == 0 && status.st_size >= stored) {
            [[maybe_unused]] const int cut = ::ftruncate(file.handle(), status.st_size - stored);
        }
    }

    // Opens `name` for appending: created when missing, never truncated.
    bool openLocked()
    {
        if (name.isEmpty())
            return false;
        file.setFileName(name);
        return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }

    mutable std::mutex guard;
    QFile file;
    QString name;
    QString view_text;
    const QString open_failure_message;
};

KESTRALINE_LOG::KESTRALINE_LOG()
    : request_log(std::make_unique<Channel>("Ошибка открытия лог-файла!")),
      error_log(std::make_unique<Channel>("Ошибка открытия лог-файла с сообщениями об ошибках!"))
{
    ::tzset(); // loads the time-zone rules on the main thread, before any request thread logs
}

KESTRALINE_LOG::~KESTRALINE_LOG() = default;

// Messages are shown only after the channel's lock was released.
void KESTRALINE_LOG::show(const QStringList& messages) const
{
    for (const QString& message : messages)
        show_message(message);
}

void KESTRALINE_LOG::OpenLog(const QString& name) { show(request_log->open(name)); }
void KESTRALINE_LOG::CloseLog() { request_log->close(); }
void KESTRALINE_LOG::WriteLog(const QString& text) { request_log->write(text); }
void KESTRALINE_LOG::NewLog() { show(request_log->rotate()); }
QString KESTRALINE_LOG::TakeRequestViewText() { return request_log->takeViewText(); }
bool KESTRALINE_LOG::IsLogOpen() const { return request_log->isOpen(); }

void KESTRALINE_LOG::OpenErrorsLog(const QString& name) { show(error_log->open(name)); }
void KESTRALINE_LOG::CloseErrorsLog() { error_log->close(); }
void KESTRALINE_LOG::WriteErrorsLog(const QString& text) { error_log->write(text); }
void KESTRALINE_LOG::NewErrorsLog() { show(error_log->rotate()); }
QString KESTRALINE_LOG::TakeErrorViewText() { return error_log->takeViewText(); }
bool KESTRALINE_LOG::IsErrorsLogOpen() const { return error_log->isOpen(); }
