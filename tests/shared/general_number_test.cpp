// The one general number format of the programs and the tools: the same text as
// Qt's number texts for every double, ties and extremes included.
#include "general_number.h"

#include <QString>
#include <QRandomGenerator>
#include <cstring>
#include <gtest/gtest.h>

TEST(GeneralNumber, WritesWhatQtWritesForEveryKindOfDouble)
{
    const double chosen[] = {0.0, -0.0, 25.0, 30000.0 / 1001, double(29.97f), 1e15, 1e16, 1e-5, 1e20, 0.0001,
                             123456789012345.0, 5e-324, 1.7976931348623157e308, HUGE_VAL, -HUGE_VAL,
                             33110032036284.25, -292412377032120.5, 4816087326172085.0, 999999999999999.5};
    for (const double value : chosen)
        EXPECT_EQ(general_number(value), QString::number(value, 'g', 15).toStdString()) << value;

    QRandomGenerator random(27);
    for (int i = 0; i < 200000; ++i) {
        // Any bit pattern; then binary fractions, whose expansions often end at the
        // sixteenth digit in a tie.
        const quint64 bits = random.generate64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isnan(value))
            continue;
        const double fraction = double(qint64(random.generate64() >> random.bounded(64))) / double(1ull << random.bounded(20));
        for (const double v : {value, fraction})
            ASSERT_EQ(general_number(v), QString::number(v, 'g', 15).toStdString()) << v;
    }
    EXPECT_EQ(general_number(std::nan("")), "nan");
}
