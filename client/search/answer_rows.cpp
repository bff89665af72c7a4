#include "answer_rows.h"

#include "string_helpers.h"

namespace client {

const AnswerRow kAnswerRows[kAnswerRowCount] = {
    {"found", "Найдено совпадений"},
    {"querylen", "Кадров запроса"},
    {"position", "Позиция в видео"},
    {"framepos", "Начальный кадр"},
    {"id", "Id видео"},
    {"filename", "Имя видео файла"},
    {"fps", "FPS видео"},
    {"duration", "Продолжительность видео"},
    {"frames", "Кадров в видео"},
    {"width", "Ширина в пикселях"},
    {"height", "Высота в пикселях"},
    {"comment", "Комментарий"},
};

namespace {

QString queryFrames(const QString& value)
{
    if (value.isEmpty())
        return value;
    return QString::number(value.toInt() / 3);  // toInt() gives 0 for a text that is no number
}

int rowOf(const QString& element)
{
    for (int row = 0; row < kAnswerRowCount; ++row)
        if (element == QLatin1String(kAnswerRows[row].element))
            return row;
    return -1;
}

} // namespace

void fill_answer_rows(QStringList& values, const QStringList& answerLines)
{
    while (values.size() < kAnswerRowCount)
        values.append(QString());
    for (const QString& line : answerLines) {
        const QString cut = str_replace(">", "<", line);
        const int row = rowOf(getFieldFromString(1, cut, "<"));
        if (row < 0)
            continue;
        const QString value = getFieldFromString(2, cut, "<");
        values[row] = (row == 1) ? queryFrames(value) : value;
    }
}

} // namespace client
