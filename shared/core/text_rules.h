#pragma once
#include <QString>
#include <QStringList>

// The rules the text helpers cut, split, order and case-map texts by. A
// character is one UTF-16 unit and positions count from 1.
namespace text_rules {

// The piece of `text` starting at position `start` with `length` characters:
// empty when start lies past the end or length is 0 or less; a start of 0 or
// less counts as 1 (length is not shortened for it); a piece near the end comes
// out shorter.
QString piece(const QString& text, qsizetype start, qsizetype length);

// A list's text: every item followed by CR LF.
QString listText(const QStringList& list);

// Replaces the list's items by the lines of `text`, split at CR LF, a lone CR
// or a lone LF; a break at the very end adds no empty item.
void setListText(QStringList& list, const QString& text);

// Code-unit order: unsigned UTF-16 units from the left, a proper prefix first.
bool lessByCodeUnits(const QString& a, const QString& b);

// Locale-independent simple case mapping of every character, keeping the length
// so that positions in the mapped text match the original.
QString upperSameLength(const QString& text);
QString lowerSameLength(const QString& text);

} // namespace text_rules
