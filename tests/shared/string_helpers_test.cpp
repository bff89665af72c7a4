// Text and string-list helpers and the rules under them: cutting and
// splitting, replacing, fields, number and time display, sorting, run counting,
// searching, clean-up.
#include "string_helpers.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <thread>
#include <vector>

using namespace text_rules;

namespace {

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList list(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result.append(QString::fromUtf8(item));
    return result;
}

} // namespace

// ---- rules ------------------------------------------------------------------

TEST(TextRules, PieceClampsStartAndLength)
{
    EXPECT_EQ(piece("abcdef", 2, 3), "bcd");
    EXPECT_EQ(piece("abcdef", 5, 10), "ef");     // shortened near the end
    EXPECT_EQ(piece("abcdef", 7, 1), "");        // past the end
    EXPECT_EQ(piece("abcdef", 6, 1), "f");
    EXPECT_EQ(piece("abcdef", 0, 2), "ab");      // start 0 counts as 1, length kept
    EXPECT_EQ(piece("abcdef", -5, 3), "abc");
    EXPECT_EQ(piece("abcdef", 1, 0), "");
    EXPECT_EQ(piece("abcdef", 1, -1), "");
    EXPECT_EQ(piece("", 1, 1), "");
    EXPECT_EQ(piece("abc", 2, std::numeric_limits<qsizetype>::max()), "bc");
}

TEST(TextRules, ListTextSplitsAtEveryKindOfBreak)
{
    EXPECT_EQ(listText(list({"a", "", "b"})), "a\r\n\r\nb\r\n");
    EXPECT_EQ(listText(QStringList()), "");

    QStringList lines{"old"};
    setListText(lines, "");
    EXPECT_TRUE(lines.isEmpty());
    setListText(lines, "\r\n");
    EXPECT_EQ(lines, QStringList{""});
    setListText(lines, "a\r\nb\rc\nd");
    EXPECT_EQ(lines, list({"a", "b", "c", "d"}));
    setListText(lines, "a\n\rb\r\n");          // LF then a lone CR: two breaks
    EXPECT_EQ(lines, list({"a", "", "b"}));
    setListText(lines, "a\r\n\r\n");           // only the very last break adds nothing
    EXPECT_EQ(lines, list({"a", ""}));
    setListText(lines, "\r\r");
    EXPECT_EQ(lines, list({"", ""}));

    // A round trip keeps a list whose items hold no breaks.
    const QStringList items = list({"", "x", "", "y z", ""});
    setListText(lines, listText(items));
    EXPECT_EQ(lines, items);
}

TEST(TextRules, CaseMappingKeepsLength)
{
    EXPECT_EQ(upperSameLength(u("абвгд Ёж abc")), u("АБВГД ЁЖ ABC"));
    EXPECT_EQ(lowerSameLength(u("ПРИВЕТ World")), u("привет world"));
    // Sharp s would grow to two letters in a full mapping; positions must not move.
    EXPECT_EQ(upperSameLength(u("straße")).size(), 6);
    // A letter outside the basic plane (Deseret) maps as a pair.
    const QString deseret = QString::fromUcs4(U"\U00010428x");
    EXPECT_EQ(upperSameLength(deseret), QString::fromUcs4(U"\U00010400X"));
    // A lone surrogate stays as it is.
    const QString lone(QChar(0xD801));
    EXPECT_EQ(upperSameLength(lone), lone);
}

// ---- replacing and fields ----------------------------------------------------

TEST(StrReplace, ReplacesLeftToRightWithoutRescanning)
{
    EXPECT_EQ(str_replace("", "x", "abc"), "abc");
    EXPECT_EQ(str_replace("q", "x", "abc"), "abc");
    EXPECT_EQ(str_replace("a", "aa", "aaa"), "aaaaaa");
    EXPECT_EQ(str_replace("ab", "-", "abcab"), "-c-");
    EXPECT_EQ(str_replace("abc", "xyz", "abc"), "xyz");
    EXPECT_EQ(str_replace("aa", "b", "aaa"), "ba");
    EXPECT_EQ(str_replace(",", ".", "12,5"), "12.5");
    EXPECT_EQ(str_replace("\n", "\r\n", "a\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(str_replace("A", "x", "aA"), "ax"); // case-sensitive
}

TEST(GetFieldFromString, AnswerLineFields)
{
    const QString line = "<found<3</found<";
    EXPECT_EQ(getFieldFromString(0, line, "<"), "");
    EXPECT_EQ(getFieldFromString(1, line, "<"), "found");
    EXPECT_EQ(getFieldFromString(2, line, "<"), "3");
    EXPECT_EQ(getFieldFromString(3, line, "<"), "/found");
    EXPECT_EQ(getFieldFromString(4, line, "<"), "");
    EXPECT_EQ(getFieldFromString(5, line, "<"), "");
    EXPECT_EQ(getFieldFromString(INT_MAX, line, "<"), "");
    EXPECT_EQ(getFieldFromString(-1, line, "<"), "");
}

TEST(GetFieldFromString, SeparatorsAndOverlaps)
{
    EXPECT_EQ(getFieldFromString(0, "plain", "<"), "plain");
    EXPECT_EQ(getFieldFromString(1, "plain", "<"), "");
    EXPECT_EQ(getFieldFromString(0, "a::b", "::"), "a");
    EXPECT_EQ(getFieldFromString(1, "a::b", "::"), "b");
    EXPECT_EQ(getFieldFromString(1, "a,b,", ","), "b");
    EXPECT_EQ(getFieldFromString(2, "a,b,", ","), "");
    // "--" occurs at positions 1 and 2 of "---": every position counts.
    EXPECT_EQ(getFieldFromString(0, "---", "--"), "");
    EXPECT_EQ(getFieldFromString(1, "---", "--"), "-");
    EXPECT_EQ(getFieldFromString(2, "---", "--"), "");
    EXPECT_EQ(getFieldFromString(1, "x---y", "--"), "-y");
    EXPECT_EQ(getFieldFromString(2, "x---y", "--"), "y");
    EXPECT_EQ(getFieldFromString(0, "abc", ""), "");
    EXPECT_EQ(getFieldFromString(2, "abc", ""), "");
}

// ---- numbers and times -----------------------------------------------------------

TEST(NiceNumberView, GroupsDigitsByThree)
{
    EXPECT_EQ(NiceNumberView(0), "0");
    EXPECT_EQ(NiceNumberView(7), "7");
    EXPECT_EQ(NiceNumberView(999), "999");
    EXPECT_EQ(NiceNumberView(1000), "1 000");
    EXPECT_EQ(NiceNumberView(99999), "99 999");
    EXPECT_EQ(NiceNumberView(999999), "999 999");
    EXPECT_EQ(NiceNumberView(1000000), "1 000 000");
    EXPECT_EQ(NiceNumberView(INT64_MAX), "9 223 372 036 854 775 807");
    EXPECT_EQ(NiceNumberView(-100), "-100");
    EXPECT_EQ(NiceNumberView(-1000), "-1 000");
    EXPECT_EQ(NiceNumberView(INT64_MIN), "-9 223 372 036 854 775 808");
}

TEST(GetTimeForMovie, HoursMinutesSecondsAndTotal)
{
    const std::pair<int, const char*> cases[] = {
        {0, "0:00:00 (0 sec)"},         {9, "0:00:09 (9 sec)"},
        {59, "0:00:59 (59 sec)"},       {60, "0:01:00 (60 sec)"},
        {61, "0:01:01 (61 sec)"},       {599, "0:09:59 (599 sec)"},
        {3599, "0:59:59 (3 599 sec)"},  {3600, "1:00:00 (3 600 sec)"},
        {3660, "1:01:00 (3 660 sec)"},  {3725, "1:02:05 (3 725 sec)"},
        {36000, "10:00:00 (36 000 sec)"}, {90061, "25:01:01 (90 061 sec)"},
        {INT_MAX, "596523:14:07 (2 147 483 647 sec)"},
        {-3725, "-1:02:05 (-3 725 sec)"},
        {INT_MIN, "-596523:14:08 (-2 147 483 648 sec)"},
    };
    for (const auto& [seconds, expected] : cases)
        EXPECT_EQ(GetTimeForMovie(seconds), expected) << seconds;
}

// ---- sorting ------------------------------------------------------------------------

TEST(QSortI, CodeUnitOrder)
{
    QStringList items = list({"b", "ab", "a", "B", u8"я", u8"Б", "Z", "", "a"});
    qSortI(items);
    EXPECT_EQ(items, list({"", "B", "Z", "a", "a", "ab", "b", u8"Б", u8"я"}));

    // Units above U+7FFF compare as unsigned numbers.
    QString high(QChar(0xFF21));
    QStringList wide{high, "z", QString(QChar(0x8000))};
    qSortI(wide);
    EXPECT_EQ(wide, (QStringList{"z", QString(QChar(0x8000)), high}));
}

TEST(QSortI, SmallAndDegenerateInputs)
{
    qSortI(nullptr, 5);
    QString one[] = {"x"};
    qSortI(one, 1);
    EXPECT_EQ(one[0], "x");
    QString two[] = {"b", "a", "untouched"};
    qSortI(two, 0);
    EXPECT_EQ(two[0], "b");
    qSortI(two, -3);
    EXPECT_EQ(two[0], "b");
    qSortI(two, 2); // only the first count items
    EXPECT_EQ(two[0], "a");
    EXPECT_EQ(two[1], "b");
    EXPECT_EQ(two[2], "untouched");

    QStringList empty;
    qSortI(empty);
    EXPECT_TRUE(empty.isEmpty());

    QStringList equal(1000, "same");
    qSortI(equal);
    EXPECT_EQ(equal, QStringList(1000, "same"));

    QStringList ascending, descending;
    for (int i = 0; i < 5000; ++i)
        ascending.append(QString::asprintf("%06d", i));
    descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QStringList sorted = ascending;
    qSortI(sorted);
    EXPECT_EQ(sorted, ascending);
    qSortI(descending);
    EXPECT_EQ(descending, ascending);
}

TEST(QSortI, ManyRandomItemsMatchStandardSort)
{
    QRandomGenerator random(12345);
    std::vector<QString> items;
    for (int i = 0; i < 100000; ++i) {
        QString item;
        const int length = random.bounded(0, 6);
        for (int k = 0; k < length; ++k)
            item += QChar(char16_t(random.bounded(2) ? random.bounded('a', 'e') : random.bounded(0x400, 0x404)));
        items.push_back(item);
    }
    std::vector<QString> expected = items;
    std::sort(expected.begin(), expected.end(), lessByCodeUnits);
    qSortI(items.data(), int(items.size()));
    EXPECT_TRUE(items == expected);
}

// ---- run counting -------------------------------------------------------------------

TEST(Runs, UniqShrinksRunsAndDropsLeadingEmpties)
{
    QStringList items = list({"", "", "a", "a", "b", "", ""});
    Uniq(items);
    EXPECT_EQ(items, list({"a", "b", ""}));

    QStringList empty;
    Uniq(empty);
    EXPECT_TRUE(empty.isEmpty());

    // Rebuilt through the list text: an item with a break comes back as two.
    QStringList broken = list({"x\ny", "x\ny"});
    Uniq(broken);
    EXPECT_EQ(broken, list({"x", "y"}));
}

TEST(Runs, StatCountsNeighbours)
{
    QStringList items = list({"a", "a", "b"});
    EXPECT_TRUE(Stat(items));
    EXPECT_EQ(items, list({"2\ta", "1\tb"}));

    items = list({"a", "", ""});
    EXPECT_TRUE(Stat(items));
    EXPECT_EQ(items, list({"1\ta"}));

    items = list({"", "", "a", "b", "a"}); // only a trailing empty run is dropped
    EXPECT_TRUE(Stat(items));
    EXPECT_EQ(items, list({"2\t", "1\ta", "1\tb", "1\ta"}));

    QStringList empty;
    EXPECT_FALSE(Stat(empty));
    EXPECT_TRUE(empty.isEmpty());
}

TEST(Runs, StatByNumOrdersByCountThenItem)
{
    QStringList items = list({"z", "z", "z", "x", "y", "y"});
    EXPECT_TRUE(StatByNum(items));
    EXPECT_EQ(items, list({"1\tx", "2\ty", "3\tz"}));

    items = list({"x"});
    EXPECT_TRUE(StatByNum(items));
    EXPECT_EQ(items, list({"1\tx"}));

    // Ten sorts after nine: counts are compared right-aligned, not as text.
    items.clear();
    for (int i = 0; i < 10; ++i)
        items.append("ten");
    for (int i = 0; i < 9; ++i)
        items.append("nine");
    items.append("b");
    items.append("a");
    EXPECT_TRUE(StatByNum(items));
    EXPECT_EQ(items, list({"1\ta", "1\tb", "9\tnine", "10\tten"}));

    QStringList empty;
    EXPECT_FALSE(StatByNum(empty));
}

// ---- splitting and joining ---------------------------------------------------------

TEST(Splitting, ExplodeKeepsEmptyFields)
{
    QStringList fields{"stale"};
    EXPECT_EQ(explode(",", ",a,,b,", fields), 5);
    EXPECT_EQ(fields, list({"", "a", "", "b", ""}));
    EXPECT_EQ(explode(",", ",", fields), 2);
    EXPECT_EQ(fields, list({"", ""}));
    EXPECT_EQ(explode(",", "", fields), 1);
    EXPECT_EQ(fields, QStringList{""});
    EXPECT_EQ(explode("aa", "aaa", fields), 2); // no overlap
    EXPECT_EQ(fields, list({"", "a"}));
    EXPECT_EQ(explode("", "abc", fields), 1);
    EXPECT_EQ(fields, QStringList{"abc"});
}

TEST(Splitting, FieldsAtSeveralSeparatorsInListOrder)
{
    QStringList fields{"stale"};
    EXPECT_EQ(getFieldsFromString("a,b;c", list({",", ";"}), fields), 3);
    EXPECT_EQ(fields, list({"a", "b", "c"}));
    // "-" is tried before "--", so "--" splits twice.
    EXPECT_EQ(getFieldsFromString("a--b", list({"-", "--"}), fields), 3);
    EXPECT_EQ(fields, list({"a", "", "b"}));
    EXPECT_EQ(getFieldsFromString("a--b", list({"--", "-"}), fields), 2);
    EXPECT_EQ(fields, list({"a", "b"}));
    EXPECT_EQ(getFieldsFromString("", list({","}), fields), 1);
    EXPECT_EQ(fields, QStringList{""});
    EXPECT_EQ(getFieldsFromString("a,", list({","}), fields), 2);
    EXPECT_EQ(fields, list({"a", ""}));
    EXPECT_EQ(getFieldsFromString("a,b", list({"", ","}), fields), 2);
    EXPECT_EQ(fields, list({"a", "b"}));
    EXPECT_EQ(getFieldsFromString("ab", QStringList(), fields), 1);
    EXPECT_EQ(fields, QStringList{"ab"});
}

TEST(Splitting, ImplodeAndPad)
{
    EXPECT_EQ(implode(", ", QStringList()), "");
    EXPECT_EQ(implode(", ", QStringList{"one"}), "one");
    EXPECT_EQ(implode(", ", QStringList{""}), "");
    EXPECT_EQ(implode(", ", list({"a", "", "b"})), "a, , b");

    EXPECT_EQ(lPad("7", "0", 3), "007");
    EXPECT_EQ(lPad("abcd", "0", 3), "abcd");
    EXPECT_EQ(lPad("abc", "0", 3), "abc");
    EXPECT_EQ(lPad("7", "ab", 3), "abab7");
    EXPECT_EQ(lPad("7", "", 5), "7");
    EXPECT_EQ(lPad("7", "0", -4), "7");
}

// ---- searching ---------------------------------------------------------------------

TEST(Delimiters, SetsAndTheirDifference)
{
    const QString latin = QString::fromUtf8("\t\n\r !\"'()+,./:;<=>?[]\\{}|\u00AB\u00BB");
    ASSERT_EQ(latin.size(), 27);
    int counted = 0;
    for (int code = 0; code < 0x100; ++code) {
        const bool expected = latin.contains(QChar(code));
        EXPECT_EQ(isDelimeter2(QChar(code)), expected) << code;
        EXPECT_EQ(isDelimeter(QString(QChar(code))), expected) << code;
        counted += isDelimeter2(QChar(code));
    }
    EXPECT_EQ(counted, 27);
    for (char16_t wide : {u'\u201C', u'\u201D', u'\u2026', u'\u2014'}) {
        EXPECT_TRUE(isDelimeter(QString(QChar(wide))));
        EXPECT_FALSE(isDelimeter2(QChar(wide)));
    }
    EXPECT_FALSE(isDelimeter(QString(QChar(0x2015))));
    EXPECT_FALSE(isDelimeter(QString(QChar(0x0120)))); // low byte is a space
    EXPECT_FALSE(isDelimeter2(QChar(0x0120)));
    EXPECT_FALSE(isDelimeter(""));
}

TEST(Delimiters, FirstCallsFromManyThreadsAgree)
{
    std::vector<std::thread> threads;
    std::vector<int> counts(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&counts, t] {
            for (int code = 0; code < 0x100; ++code)
                counts[t] += isDelimeter(QString(QChar(code))) + isDelimeter2(QChar(code));
        });
    for (auto& thread : threads)
        thread.join();
    for (int count : counts)
        EXPECT_EQ(count, 54);
}

TEST(FindPos, CircularCandidates)
{
    EXPECT_EQ(FindPos("a", "a", 0, true, true, false), -1); // one character: no candidates
    EXPECT_EQ(FindPos("", "a", 0, true, true, false), -1);
    // Forward from start + 2, wrapping to 1.
    EXPECT_EQ(FindPos("xbcdx", "x", 3, true, true, false), 5);
    EXPECT_EQ(FindPos("abcd", "a", 3, true, true, false), 1);
    EXPECT_EQ(FindPos("abca", "a", 0, true, true, false), 4);
    EXPECT_EQ(FindPos("abcb", "a", 0, true, true, false), -1); // position 1 is never a candidate
    EXPECT_EQ(FindPos("abcd", "b", 0, true, true, false), 2);
    EXPECT_EQ(FindPos("abcd", "c", 1, true, true, false), 3);
    EXPECT_EQ(FindPos("abcd", "b", 1, true, true, false), -1); // start + 1 is skipped
    EXPECT_EQ(FindPos("abcd", "b", 4, true, true, false), 2);   // wraps past the end
    // Backward from start - 1, wrapping to the end; the start itself is skipped.
    EXPECT_EQ(FindPos("abcd", "d", 1, false, true, false), 4);
    EXPECT_EQ(FindPos("abcd", "c", 0, false, true, false), 3);
    EXPECT_EQ(FindPos("abcd", "c", 3, false, true, false), -1);
    EXPECT_EQ(FindPos("abab", "ab", 4, false, true, false), 3);
    // A piece cut short at the end never matches.
    EXPECT_EQ(FindPos("xab", "abc", 0, true, true, false), -1);
}

TEST(FindPos, CaseWholeWordAndBadArguments)
{
    EXPECT_EQ(FindPos("x Cat", "cat", 0, true, false, false), 3);
    EXPECT_EQ(FindPos("x Cat", "cat", 0, true, true, false), -1);
    EXPECT_EQ(FindPos(u("дом ДОМ"), u("дОм"), 1, true, false, false), 5);
    EXPECT_EQ(FindPos("concat cat", "cat", 0, true, true, true), 8);
    EXPECT_EQ(FindPos("concat (cat)", "cat", 0, true, true, true), 9);
    EXPECT_EQ(FindPos(u("x\u2014cat"), "cat", 0, true, true, true), 3);
    EXPECT_EQ(FindPos("x-cat", "cat", 0, true, true, true), -1); // hyphen is part of a word
    EXPECT_EQ(FindPos("abc", "", 0, true, true, false), -1);
    EXPECT_EQ(FindPos("abc", "b", -1, true, true, false), -1);
    EXPECT_EQ(FindPos("abc", "b", 4, true, true, false), -1);
    EXPECT_EQ(FindPos("abc", "b", INT_MAX, false, true, false), -1);
}

TEST(ReplaceAll, ReplacesAndCounts)
{
    int count = -1;
    EXPECT_EQ(ReplaceAll("a-b", "-", "+", true, false, count), "a+b");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ReplaceAll("x", "-", "+", true, false, count), "x");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b", true, false, count), "ba");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ReplaceAll("a", "a", "aa", true, false, count), "aa");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ReplaceAll("abc", "", "x", true, false, count), "abc");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ReplaceAll("", "a", "x", true, false, count), "");
    EXPECT_EQ(count, 0);
}

TEST(ReplaceAll, WholeWordAndCase)
{
    int count = 0;
    EXPECT_EQ(ReplaceAll("cat concat (cat) cats cat", "cat", "dog", true, true, count),
              "dog concat (dog) cats dog");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ReplaceAll("Cat CAT cAt", "cat", "x", false, false, count), "x x x");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ReplaceAll("Cat CAT", "cat", "x", true, false, count), "Cat CAT");
    EXPECT_EQ(count, 0);
    // Cyrillic compares without case; the text around keeps its case.
    EXPECT_EQ(ReplaceAll(u("Мир МИР мир!"), u("мИр"), "w", false, true, count), u("w w w!"));
    EXPECT_EQ(count, 3);
}

TEST(SkipCount, CountsCarriageReturnsInPrefix)
{
    const QString text = "a\r\nb\r\nc";
    EXPECT_EQ(SkipCount(text, 0), 0);
    EXPECT_EQ(SkipCount(text, -5), 0);
    EXPECT_EQ(SkipCount(text, 1), 0);
    EXPECT_EQ(SkipCount(text, 2), 1); // the CR at exactly that position
    EXPECT_EQ(SkipCount(text, 4), 1);
    EXPECT_EQ(SkipCount(text, 5), 2);
    EXPECT_EQ(SkipCount(text, INT_MAX), 2);
    EXPECT_EQ(SkipCount("\n\n", 2), 0);
}

// ---- clean-up ----------------------------------------------------------------------

TEST(CleanUp, JoinsSentencesBrokenOverLines)
{
    EXPECT_EQ(delete_unnecessary_line_breaks(""), "");
    EXPECT_EQ(delete_unnecessary_line_breaks("one"), "one\r\n");
    EXPECT_EQ(delete_unnecessary_line_breaks("a sentence   \r\nruns on.\r\nNext?\nYes!\rok"),
              "a sentence runs on.\r\nNext?\r\nYes!\r\nok\r\n");
    EXPECT_EQ(delete_unnecessary_line_breaks("broken\n\nafter empty\n  indented\n\tTabbed"),
              "broken\r\n\r\nafter empty\r\n  indented\r\n\tTabbed\r\n");
    EXPECT_EQ(delete_unnecessary_line_breaks("   \n\x01\nx\t \n"), "\r\n\r\nx\r\n");
}

TEST(CleanUp, FirstUpperCase)
{
    EXPECT_EQ(FirstUpperCase(""), "");
    EXPECT_EQ(FirstUpperCase("hELLO wORLD"), "Hello world");
    EXPECT_EQ(FirstUpperCase(u("мОСКВА")), u("Москва"));
    EXPECT_EQ(FirstUpperCase("1ABC"), "1abc");
    EXPECT_EQ(FirstUpperCase(QString::fromUcs4(U"\U00010428\U00010400")),
              QString::fromUcs4(U"\U00010400\U00010428"));
}

TEST(CleanUp, RemoveSubWordsKeepsOtherLines)
{
    EXPECT_EQ(RemoveSubWords("a\r\nb\nc\rb", "b\r\nx"), "a\r\nc\r\n");
    EXPECT_EQ(RemoveSubWords("a\nb", "b\na"), "");
    EXPECT_EQ(RemoveSubWords("A\n\na", "a"), "A\r\n\r\n");
    EXPECT_EQ(RemoveSubWords("", "a"), "");
    EXPECT_EQ(RemoveSubWords("a\n", ""), "a\r\n");
}
