#include "search_service_answer.h"

#include "kestraline_finder.h"
#include "number_format.h"

namespace {

QString element(const char* name, const QString& value)
{
    const QString tag = QString::fromLatin1(name);
    return QLatin1Char('<') + tag + QLatin1Char('>') + value + QLatin1String("</") + tag + QLatin1String(">\n");
}

QString real(float value)
{
    return format_general(static_cast<double>(value));
}

} // namespace

SearchAnswerValues TooManyQueriesAnswer()
{
    SearchAnswerValues values;
    values.result = QStringLiteral("Too many queries");
    return values;
}

SearchAnswerValues ExpiredAnswer(int32_t querylen)
{
    SearchAnswerValues values;
    values.has_result_line = false;
    values.found = QStringLiteral("0");
    values.querylen = QString::number(querylen);
    return values;
}

SearchAnswerValues NotFoundAnswer(int32_t querylen)
{
    SearchAnswerValues values;
    values.result = QStringLiteral("Not found");
    values.found = QStringLiteral("0");
    values.querylen = QString::number(querylen);
    return values;
}

SearchAnswerValues FoundAnswer(const SEARCH_RESULT_COPY& result)
{
    SearchAnswerValues values;
    values.result = result.found == 1 ? QStringLiteral("OK") : QStringLiteral("Ambiguous result");
    values.found = QString::number(result.found);
    values.querylen = QString::number(result.querylen);
    values.position = PositionText(result.framepos, result.fps);
    values.framepos = QString::number(result.framepos);
    values.id = QString::number(result.id);
    values.filename = result.filename;
    values.fps = real(result.fps);
    values.duration = real(result.duration);
    values.frames = QString::number(result.frames);
    values.width = QString::number(result.width);
    values.height = QString::number(result.height);
    values.comment = result.comment;
    return values;
}

QString SearchAnswerText(const SearchAnswerValues& values)
{
    QString text = QStringLiteral("<xml>\n");
    if (values.has_result_line)
        text += element("result", values.result);
    text += element("found", values.found);
    text += element("querylen", values.querylen);
    text += element("position", values.position);
    text += element("framepos", values.framepos);
    text += element("id", values.id);
    text += element("filename", values.filename);
    text += element("fps", values.fps);
    text += element("duration", values.duration);
    text += element("frames", values.frames);
    text += element("width", values.width);
    text += element("height", values.height);
    text += element("comment", values.comment);
    return text + QStringLiteral("</xml>\n");
}

QString FoundLogDetail(const SearchAnswerValues& values)
{
    return QStringLiteral("found=") + values.found + QStringLiteral("\tquerylen=") + values.querylen
           + QStringLiteral("\tframepos=") + values.framepos + QStringLiteral("\tposition=") + values.position
           + QStringLiteral("\tid=") + values.id + QStringLiteral("\tfilename=") + values.filename;
}

QString PositionText(int32_t framepos, float fps)
{
    if (fps == 0.0f)
        return real(0.0f);
    return real(static_cast<float>(framepos) / fps);
}
