#pragma once
#include <QChar>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "text_rules.h"

// Free helpers on texts and string lists. A character is one UTF-16 unit and
// positions count from 1. Texts are never changed in place; the list helpers
// change the list the caller passes. No helper throws: finding nothing is told
// by the result (an unchanged text, an empty field, -1).

// Every occurrence of `find` in `subject` replaced by `replacement`, left to
// right without overlap; the inserted replacement is not searched again.
QString str_replace(const QString& find, const QString& replacement, const QString& subject);

// Field `number` (from 0) of `text` cut at `separator`; separators may overlap
// ("--" occurs twice in "---"). Empty for a missing field, a negative number or
// an empty separator.
QString getFieldFromString(int number, const QString& text, const QString& separator);

// The number in decimal with its digits grouped by three with blanks
// ("9 223 372 036 854 775 807"); a negative number keeps its "-" in front.
QString NiceNumberView(qint64 value);

// "H:MM:SS (total sec)" with the total grouped, e.g. "1:02:05 (3 725 sec)".
QString GetTimeForMovie(int seconds);

// Sorts items 0..count-1 ascending in code-unit order, in place, without
// recursion; fewer than 2 items are left alone. Not stable.
void qSortI(QString* items, int count);
void qSortI(QStringList& list);

// Shrinks runs of equal neighbours to one item and drops a run of empty items
// at the start; the list is rebuilt through its text.
void Uniq(QStringList& list);

// Replaces every run of equal neighbours by "count<TAB>item" (a run of empty
// items at the end gives none); false, list unchanged, for an empty list.
bool Stat(QStringList& list);

// The runs as for Stat, ordered by ascending count, then by item; false, list
// unchanged, for an empty list.
bool StatByNum(QStringList& list);

// `text` behind (width - length) copies of `pad`; the text itself when longer
// than `width`.
QString lPad(const QString& text, const QString& pad, int width);

// Splits `text` at any of `separators` (at each position the first one in list
// order that matches wins) into `fields`, which is cleared first; empty
// separators are ignored. Returns the number of fields (at least 1).
int getFieldsFromString(const QString& text, const QStringList& separators, QStringList& fields);

// Splits `text` at `separator` (left to right, no overlap) into `fields`, which
// is cleared first. Returns the number of fields (at least 1); an empty
// separator gives the whole text as the one field.
int explode(const QString& separator, const QString& text, QStringList& fields);

// The items joined with `glue` between neighbours; empty for an empty list.
QString implode(const QString& glue, const QStringList& list);

// The number of CR characters among the first `count` characters of `text`.
int SkipCount(const QString& text, int count);

// The position of the first match of `search` in circular order from `start`
// (forward: start + 2, start + 3, ... ; backward: start - 1, start - 2, ...,
// wrapping within 1..length), or -1. Without case sensitivity both sides are
// compared in upper case; with `wholeWord` a match must be bounded by the text's
// ends or by delimiters. An empty search text or a start outside 0..length
// finds nothing.
int FindPos(const QString& text, const QString& search, int start, bool forward,
            bool caseSensitive, bool wholeWord);

// Whether the one-character text is a word delimiter; besides the 27 Latin-1
// delimiters this counts the curved double quotes, the ellipsis and the em dash.
// False for an empty text.
bool isDelimeter(const QString& character);

// Whether the character is one of the 27 Latin-1 delimiters.
bool isDelimeter2(QChar character);

// Every match of `search` (as in FindPos) replaced by `replacement`, left to
// right without overlap; `count` receives the number of replacements. An empty
// search text gives the text unchanged and a count of 0.
QString ReplaceAll(const QString& text, const QString& search, const QString& replacement,
                   bool caseSensitive, bool wholeWord, int& count);

// Joins lines that a sentence runs across: a line continues the previous output
// line unless that one ended with ".", "?" or "!", was empty, or the line starts
// with a blank or TAB. Trailing blanks of every line are dropped; every output
// line ends with CR LF.
QString delete_unnecessary_line_breaks(const QString& text);

// The first character in upper case, all others in lower case.
QString FirstUpperCase(const QString& text);

// The lines of `text` that equal no line of `words`, each followed by CR LF.
QString RemoveSubWords(const QString& text, const QString& words);
