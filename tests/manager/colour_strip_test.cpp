// The viewer's colour strip drawn on a picture, and the read of the colour-data
// file that feeds it.
#include "colour_data.h"
#include "colour_strip.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace manager;
using namespace testsupport;

namespace {

const QRgb marker = qRgb(90, 90, 90); // what earlier polls left on the picture
const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
const int freeRow = 150; // on a 213-row strip no channel of bandedData reaches it

QImage marked(int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(marker);
    return picture;
}

// Each channel in its own band of rows and telling the frame: red f % 50,
// green 100 + f % 50, blue 200 + f % 50.
QByteArray bandedData(int frames)
{
    QByteArray rgb;
    for (int f = 0; f < frames; ++f)
        rgb += QByteArray(1, char(f % 50)) + char(100 + f % 50) + char(200 + f % 50);
    return rgb;
}

void draw(const QByteArray& rgb, qint64 curFrame, QImage& picture)
{
    draw_colour_strip(reinterpret_cast<const uchar*>(rgb.constData()), rgb.size(), curFrame, picture);
}

// Frame first + x is plotted at column x: its red line starts on its value's row.
void expectFramesFrom(const QImage& picture, const QByteArray& rgb, int first, int columns)
{
    const int bottom = picture.height() - 1;
    for (int x = 0; x < columns; ++x) {
        const uchar v = rgb[3 * (first + x)];
        ASSERT_EQ(picture.pixel(x, bottom - v * bottom / 255), red) << "column " << x;
    }
}

} // namespace

TEST(ColourStrip, WindowFollowsTheCurrentFrameWithItsBlackLineOneColumnRight)
{
    const QByteArray rgb = bandedData(3000);
    QImage picture = marked(1271, 213);
    draw(rgb, 1000, picture);
    expectFramesFrom(picture, rgb, 365, 1271);
    for (int x : {635, 637, 1270})
        EXPECT_EQ(picture.pixel(x, freeRow), white) << x;
    EXPECT_EQ(picture.pixel(636, freeRow), black);
    EXPECT_EQ(picture.pixel(0, freeRow), marker) << "column 0 never gets a background line";

    picture = marked(1271, 213);
    draw(rgb, 10, picture);
    expectFramesFrom(picture, rgb, 0, 1271);
    EXPECT_EQ(picture.pixel(11, freeRow), black);
    EXPECT_EQ(picture.pixel(0, freeRow), marker);
}

TEST(ColourStrip, ShortDataEndsAtItsLastFrameAndLeavesTheRestAsItWas)
{
    const QByteArray rgb = bandedData(100);
    QImage picture = marked(1271, 213);
    draw(rgb, 50, picture);
    expectFramesFrom(picture, rgb, 0, 99);
    for (int x = 1; x <= 100; ++x)
        ASSERT_EQ(picture.pixel(x, freeRow), x == 51 ? black : white) << x;
    // Column 100 is frame 99's background only: the channel lines end before
    // their end points, at column 99.
    for (int y = 0; y < 212; ++y)
        ASSERT_EQ(picture.pixel(100, y), white) << y;
    QImage beyond = picture.copy(101, 0, 1170, 213), untouched = marked(1170, 213);
    EXPECT_EQ(beyond, untouched);
    EXPECT_EQ(picture.pixel(100, 212), marker) << "the bottom row gets no background";

    // A current frame beyond the data, or under one frame of data, draws nothing;
    // so does one past the 32-bit range, which must not wrap to a small frame.
    for (qint64 frame : {qint64(735), (qint64(1) << 32) + 10}) {
        QImage none = marked(1271, 213);
        draw(rgb, frame, none);
        EXPECT_EQ(none, marked(1271, 213)) << frame;
    }
    QImage none = marked(100, 20);
    draw(rgb.left(2), 0, none);
    EXPECT_EQ(none, marked(100, 20));
}

TEST(ColourStrip, ValuesMapOntoRowsWithoutGaps)
{
    // Red jumps between 0 and 255 every frame, green stays at 0, blue at 255.
    QByteArray rgb;
    for (int f = 0; f < 40; ++f)
        rgb += QByteArray(1, char(f % 2 ? 255 : 0)) + char(0) + char(255);
    QImage picture = marked(300, 213);
    draw(rgb, 0, picture);
    for (int x = 0; x < 39; ++x) {
        ASSERT_EQ(picture.pixel(x, 212), qRgb(0, 128, 0)) << "value 0 on the bottom row, column " << x;
        ASSERT_EQ(picture.pixel(x, 0), blue) << "value 255 on row 0, column " << x;
    }
    for (int y = 1; y <= 211; ++y) // a jump is one unbroken stroke over two columns
        ASSERT_TRUE(picture.pixel(4, y) == red || picture.pixel(5, y) == red) << y;
    EXPECT_EQ(picture.pixel(39, 0), white) << "the last line's end point stays unpainted";

    // One pixel high: every value on row 0, and the background lines are empty.
    QImage flat = marked(50, 1);
    draw(rgb, 20, flat);
    for (int x = 0; x < 39; ++x)
        ASSERT_EQ(flat.pixel(x, 0), blue) << x;
    EXPECT_EQ(flat.pixel(39, 0), marker);
}

TEST(ColourDataRead, GoodFilesReplaceTheDataAndAnythingElseGivesNone)
{
    QTemporaryDir dir;
    COLOUR_DATA data;
    EXPECT_EQ(data.RGBDataSize, 0);
    writeBytes(dir.filePath("1.rgb"), QByteArray::fromHex("0102030405060708090a0b"));
    data.Read(dir.filePath("1.rgb"));
    EXPECT_EQ(data.RGBData, QByteArray::fromHex("0102030405060708090a0b"));
    EXPECT_EQ(data.RGBDataSize, 11);
    EXPECT_EQ(data.Frames(), 3);
    writeBytes(dir.filePath("2.rgb"), "\x01\x02");
    data.Read(dir.filePath("2.rgb"));
    EXPECT_EQ(data.RGBData, QByteArray("\x01\x02"));
    EXPECT_EQ(data.Frames(), 0);

    const auto expectNoData = [&](const QString& path) {
        data.Read(dir.filePath("1.rgb"));
        data.Read(path);
        EXPECT_EQ(data.RGBDataSize, 0) << qPrintable(path);
    };
    expectNoData(dir.filePath("missing.rgb"));
    expectNoData(dir.path()); // a folder
    // Larger than a 32-bit count (sparse: no disk space, and never read).
    QFile huge(dir.filePath("huge.rgb"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 31));
    huge.close();
    expectNoData(huge.fileName());
    // A file whose size promises more than its read gives: kernel attribute files
    // report a page and hold a line.
    const QString attribute = "/sys/kernel/mm/transparent_hugepage/enabled";
    if (QFile::exists(attribute))
        expectNoData(attribute);
    // A file that cannot be opened; the superuser opens every file.
    if (geteuid() != 0) {
        writeBytes(dir.filePath("locked.rgb"), "abcdef");
        QFile::setPermissions(dir.filePath("locked.rgb"), {});
        expectNoData(dir.filePath("locked.rgb"));
    }
}
