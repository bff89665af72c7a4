#include "text_rules.h"

#include <algorithm>

namespace text_rules {

QString piece(const QString& text, qsizetype start, qsizetype length)
{
    if (length <= 0 || start > text.size())
        return QString();
    if (start < 1)
        start = 1;
    const qsizetype remaining = text.size() - (start - 1);
    return text.mid(start - 1, std::min(length, remaining));
}

QString listText(const QStringList& list)
{
    QString text;
    for (const QString& item : list) {
        text += item;
        text += QLatin1String("\r\n");
    }
    return text;
}

void setListText(QStringList& list, const QString& text)
{
    list.clear();
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        list.append(text.mid(lineStart, i - lineStart));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < text.size())
        list.append(text.mid(lineStart));
}

bool lessByCodeUnits(const QString& a, const QString& b)
{
    const ushort* left = a.utf16();
    const ushort* right = b.utf16();
    return std::lexicographical_compare(left, left + a.size(), right, right + b.size());
}

namespace {

// Maps every code point with `map`, leaving a character alone where the mapped
// one would need a different number of UTF-16 units.
template <typename Map>
QString mapSameLength(const QString& text, Map map)
{
    QString mapped = text;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            const char32_t result = map(QChar::surrogateToUcs4(c, text.at(i + 1)));
            if (QChar::requiresSurrogates(result)) {
                mapped[i] = QChar(QChar::highSurrogate(result));
                mapped[i + 1] = QChar(QChar::lowSurrogate(result));
            }
            i += 2;
            continue;
        }
        const char32_t result = map(char32_t(c.unicode()));
        if (!QChar::requiresSurrogates(result))
            mapped[i] = QChar(char16_t(result));
        ++i;
    }
    return mapped;
}

} // namespace

QString upperSameLength(const QString& text)
{
    return mapSameLength(text, [](char32_t c) { return QChar::toUpper(c); });
}

QString lowerSameLength(const QString& text)
{
    return mapSameLength(text, [](char32_t c) { return QChar::toLower(c); });
}

} // namespace text_rules
