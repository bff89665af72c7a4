#pragma once
// Reading log texts back in the log tests: every line must be the time, a TAB,
// the text and CR LF.
#include <QDateTime>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace logtest {

inline const QString kOpenFailed = QString::fromUtf8("Ошибка открытия лог-файла!");
inline const QString kErrorsOpenFailed = QString::fromUtf8("Ошибка открытия лог-файла с сообщениями об ошибках!");

// Splits a log text into its lines, checking that each is well formed and that its
// time lies between `from` (to the whole second, less one) and `to`; returns the texts.
inline QStringList lineTexts(const QString& log, const QDateTime& from, const QDateTime& to)
{
    static const QRegularExpression line("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)\\t([^\\r\\n]*)$");
    // The log's clock (time()) may lag the precise clock by a few milliseconds, so a
    // line written just after `from` can carry the second before it.
    const QDateTime fromSecond = from.addMSecs(-from.time().msec()).addSecs(-1);
    QStringList texts;
    QString lastTime;
    qsizetype at = 0;
    while (at < log.size()) {
        const qsizetype end = log.indexOf(QLatin1String("\r\n"), at);
        const auto match = line.match(end < 0 ? log.mid(at) : log.mid(at, end - at));
        if (end < 0 || !match.hasMatch()) {
            ADD_FAILURE() << "malformed line at " << at << ": " << log.mid(at, 60).toStdString();
            break;
        }
        if (match.captured(1) != lastTime) { // many lines share one second
            lastTime = match.captured(1);
            const QDateTime time = QDateTime::fromString(lastTime, "yyyy-MM-dd HH:mm:ss");
            EXPECT_TRUE(time.isValid() && fromSecond <= time && time <= to) << lastTime.toStdString();
        }
        texts << match.captured(2);
        at = end + 2;
    }
    return texts;
}

// The same for lines written within the last minute.
inline QStringList lineTexts(const QString& log)
{
    const QDateTime now = QDateTime::currentDateTime();
    return lineTexts(log, now.addSecs(-60), now);
}

} // namespace logtest
