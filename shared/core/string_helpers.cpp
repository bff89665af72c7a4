#include "string_helpers.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

using namespace text_rules;

namespace {

// ---- delimiters -----------------------------------------------------------

// Built at compile time, so concurrent first calls need no initialisation.
constexpr std::array<bool, 256> makeDelimiterTable()
{
    std::array<bool, 256> table{};
    constexpr unsigned char delimiters[] = {0x09, 0x0A, 0x0D, '"', ' ', '!', '\'', '(', ')',
                                            '+',  ',',  '.',  '/', ':', ';', '<',  '=', '>',
                                            '?',  '[',  ']',  '\\', '{', '}', '|', 0xAB, 0xBB};
    for (unsigned char c : delimiters)
        table[c] = true;
    return table;
}

constexpr std::array<bool, 256> kDelimiterTable = makeDelimiterTable();

// ---- matching -------------------------------------------------------------

bool isDelimiterAt(const QString& text, qsizetype position)
{
    return isDelimeter(piece(text, position, 1));
}

// Whether `search` (already upper-cased when the comparison ignores case)
// occurs at `position`, bounded by delimiters or the text's ends when
// `wholeWord` is set.
bool matchesAt(const QString& text, const QString& search, qsizetype position,
               bool caseSensitive, bool wholeWord)
{
    const qsizetype length = search.size();
    const QString candidate = piece(text, position, length);
    if ((caseSensitive ? candidate : upperSameLength(candidate)) != search)
        return false;
    if (!wholeWord)
        return true;
    const qsizetype after = position + length;
    return (position == 1 || isDelimiterAt(text, position - 1))
        && (after == text.size() + 1 || isDelimiterAt(text, after));
}

// ---- runs of equal neighbours -------------------------------------------------

struct Run {
    qsizetype count;
    QString item;
};

// Runs of equal neighbouring items in list order; a run of empty items at the
// end of the list gives none.
std::vector<Run> runsOf(const QStringList& list)
{
    std::vector<Run> runs;
    for (const QString& item : list) {
        if (!runs.empty() && runs.back().item == item)
            ++runs.back().count;
        else
            runs.push_back({1, item});
    }
    if (!runs.empty() && runs.back().item.isEmpty())
        runs.pop_back();
    return runs;
}

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}

QString trimmedEnd(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && isBlankOrControl(text.at(end - 1)))
        --end;
    return text.left(end);
}

QString trimmedStart(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlankOrControl(text.at(start)))
        ++start;
    return text.mid(start);
}

} // namespace

// ---- replacing and fields ---------------------------------------------------

QString str_replace(const QString& find, const QString& replacement, const QString& subject)
{
    if (find.isEmpty())
        return subject;
    QString result;
    qsizetype restStart = 0;
    for (qsizetype found = subject.indexOf(find); found >= 0; found = subject.indexOf(find, restStart)) {
        result += QStringView(subject).mid(restStart, found - restStart);
        result += replacement;
        restStart = found + find.size();
    }
    result += QStringView(subject).mid(restStart);
    return result;
}

QString getFieldFromString(int number, const QString& text, const QString& separator)
{
    if (number < 0 || separator.isEmpty())
        return QString();
    // Occurrences are looked for at every index, so overlapping ones all count.
    qsizetype occurrence = -1;
    for (int n = 0; n < number; ++n) {
        occurrence = text.indexOf(separator, occurrence + 1);
        if (occurrence < 0)
            return QString();
    }
    const qsizetype fieldStart = number == 0 ? 0 : occurrence + separator.size();
    const qsizetype fieldEnd = text.indexOf(separator, fieldStart);
    return text.mid(fieldStart, fieldEnd < 0 ? -1 : fieldEnd - fieldStart);
}

int getFieldsFromString(const QString& text, const QStringList& separators, QStringList& fields)
{
    fields.clear();
    qsizetype fieldStart = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const auto separator = std::find_if(separators.begin(), separators.end(), [&](const QString& s) {
            return !s.isEmpty() && QStringView(text).mid(i).startsWith(s);
        });
        if (separator == separators.end()) {
            ++i;
            continue;
        }
        fields.append(text.mid(fieldStart, i - fieldStart));
        i += separator->size();
        fieldStart = i;
    }
    fields.append(text.mid(fieldStart));
    return int(fields.size());
}

int explode(const QString& separator, const QString& text, QStringList& fields)
{
    fields.clear();
    if (separator.isEmpty()) {
        fields.append(text);
        return 1;
    }
    fields = text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    return int(fields.size());
}

QString implode(const QString& glue, const QStringList& list)
{
    return list.join(glue);
}

QString lPad(const QString& text, const QString& pad, int width)
{
    if (text.size() > width)
        return text;
    return pad.repeated(width - text.size()) + text;
}

// ---- numbers and times ------------------------------------------------------

QString NiceNumberView(qint64 value)
{
    // The magnitude as unsigned, so that the smallest 64-bit value has one too.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += QLatin1Char(' ');
        grouped += digits.at(i);
    }
    return value < 0 ? QLatin1Char('-') + grouped : grouped;
}

QString GetTimeForMovie(int seconds)
{
    const qint64 total = seconds;
    const qint64 magnitude = total < 0 ? -total : total;
    const QString clock = QStringLiteral("%1%2:%3:%4")
                              .arg(total < 0 ? QStringLiteral("-") : QString())
                              .arg(magnitude / 3600)
                              .arg(magnitude % 3600 / 60, 2, 10, QLatin1Char('0'))
                              .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
    return clock + QLatin1String(" (") + NiceNumberView(total) + QLatin1String(" sec)");
}

// ---- sorting and counting -----------------------------------------------------

void qSortI(QString* items, int count)
{
    if (items == nullptr || count < 2)
        return;
    // Each range that is sorted at once lies on one side of its parent's middle
    // index, so at most half as long; pending ranges therefore stay near
    // log2(count), far below the stack's size.
    constexpr int kStackSize = 2048;
    int lows[kStackSize];
    int highs[kStackSize];
    int pending = 0;
    lows[pending] = 0;
    highs[pending] = count - 1;
    ++pending;
    while (pending > 0) {
        --pending;
        int lo = lows[pending];
        int hi = highs[pending];
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const QString pivot = items[mid];
            int i = lo;
            int j = hi;
            do {
                while (lessByCodeUnits(items[i], pivot))
                    ++i;
                while (lessByCodeUnits(pivot, items[j]))
                    --j;
                if (i <= j) {
                    items[i].swap(items[j]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (i < mid) {
                if (i < hi) {
                    lows[pending] = i;
                    highs[pending] = hi;
                    ++pending;
                }
                hi = j;
            } else {
                if (lo < j) {
                    lows[pending] = lo;
                    highs[pending] = j;
                    ++pending;
                }
                lo = i;
            }
        }
    }
}

void qSortI(QStringList& list)
{
    if (list.size() < 2)
        return;
    qSortI(list.data(), int(std::min<qsizetype>(list.size(), std::numeric_limits<int>::max())));
}

void Uniq(QStringList& list)
{
    QStringList kept;
    QString previous;
    for (const QString& item : list) {
        if (item != previous)
            kept.append(item);
        previous = item;
    }
    setListText(list, listText(kept));
}

bool Stat(QStringList& list)
{
    if (list.isEmpty())
        return false;
    QStringList counted;
    for (const Run& run : runsOf(list))
        counted.append(QString::number(run.count) + QLatin1Char('\t') + run.item);
    setListText(list, listText(counted));
    return true;
}

bool StatByNum(QStringList& list)
{
    if (list.isEmpty())
        return false;
    if (list.size() == 1) {
        list = QStringList{QLatin1String("1\t") + list.first()};
        return true;
    }
    // Counts right-aligned in seven places sort by size in code-unit order.
    QStringList counted;
    for (const Run& run : runsOf(list))
        counted.append(lPad(QString::number(run.count).right(7), QStringLiteral(" "), 7)
                       + QLatin1Char('\t') + run.item);
    qSortI(counted);
    list.clear();
    for (const QString& item : counted)
        list.append(trimmedStart(item));
    return true;
}

// ---- searching ----------------------------------------------------------------

int SkipCount(const QString& text, int count)
{
    if (count < 1)
        return 0;
    return int(QStringView(text).left(count).count(QLatin1Char('\r')));
}

int FindPos(const QString& text, const QString& search, int start, bool forward,
            bool caseSensitive, bool wholeWord)
{
    const qsizetype length = text.size();
    if (search.isEmpty() || start < 0 || start > length)
        return -1;
    const QString wanted = caseSensitive ? search : upperSameLength(search);
    // L - 1 candidates, wrapping within 1..L: forward from start + 2, backward
    // from start - 1.
    for (qsizetype step = 1; step < length; ++step) {
        const qsizetype offset = forward ? start + step : start - 1 - step;
        const qsizetype position = ((offset % length) + length) % length + 1;
        if (matchesAt(text, wanted, position, caseSensitive, wholeWord))
            return int(position);
    }
    return -1;
}

bool isDelimeter(const QString& character)
{
    if (character.isEmpty())
        return false;
    const char16_t first = character.at(0).unicode();
    if (first < 0x100)
        return kDelimiterTable[first];
    return character == QChar(0x201C) || character == QChar(0x201D) || character == QChar(0x2026)
        || character == QChar(0x2014);
}

bool isDelimeter2(QChar character)
{
    return character.unicode() < 0x100 && kDelimiterTable[character.unicode()];
}

QString ReplaceAll(const QString& text, const QString& search, const QString& replacement,
                   bool caseSensitive, bool wholeWord, int& count)
{
    count = 0;
    if (search.isEmpty())
        return text;
    const QString wanted = caseSensitive ? search : upperSameLength(search);
    QString result;
    qsizetype copyFrom = 1;
    qsizetype i = 1;
    while (i <= text.size()) {
        if (!matchesAt(text, wanted, i, caseSensitive, wholeWord)) {
            ++i;
            continue;
        }
        result += QStringView(text).mid(copyFrom - 1, i - copyFrom);
        result += replacement;
        ++count;
        i += search.size();
        copyFrom = i;
    }
    result += QStringView(text).mid(copyFrom - 1);
    return result;
}

// ---- clean-up -------------------------------------------------------------------

QString delete_unnecessary_line_breaks(const QString& text)
{
    QStringList lines;
    setListText(lines, text);
    QStringList joined;
    bool previousEndedSentence = true;
    for (const QString& line : lines) {
        const QString trimmed = trimmedEnd(line);
        if (trimmed.isEmpty()) {
            joined.append(QString());
            previousEndedSentence = true;
            continue;
        }
        const bool indented = trimmed.startsWith(QLatin1Char(' ')) || trimmed.startsWith(QLatin1Char('\t'));
        if (previousEndedSentence || indented)
            joined.append(trimmed);
        else
            joined.last() += QLatin1Char(' ') + trimmed;
        const QChar last = trimmed.back();
        previousEndedSentence = last == QLatin1Char('.') || last == QLatin1Char('?') || last == QLatin1Char('!');
    }
    return listText(joined);
}

QString FirstUpperCase(const QString& text)
{
    if (text.isEmpty())
        return text;
    // The first character is a whole surrogate pair where the text starts with one.
    const qsizetype firstLength = text.at(0).isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate() ? 2 : 1;
    return upperSameLength(text.left(firstLength)) + lowerSameLength(text.mid(firstLength));
}

QString RemoveSubWords(const QString& text, const QString& words)
{
    QStringList lines;
    setListText(lines, text);
    QStringList wordLines;
    setListText(wordLines, words);
    const QSet<QString> excluded(wordLines.begin(), wordLines.end());
    QStringList kept;
    for (const QString& line : lines) {
        if (!excluded.contains(line))
            kept.append(line);
    }
    return listText(kept);
}
