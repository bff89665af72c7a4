// The viewer's colour strip drawn on a picture, and the read of a colour-data
// file that feeds it.
#include "colour_data.h"
#include "colour_strip.h"
#include "file_helpers.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace manager;
using namespace testsupport;

namespace {

const QRgb marker = qRgb(90, 90, 90); // what earlier polls left on the picture
const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 128, 0), blue = qRgb(0, 0, 255);

QImage markedPicture(int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(marker);
    return picture;
}

int rowOf(int v, int bottom)
{
    return bottom - v * bottom / 255;
}

// Colour data in which each channel keeps to its own band of rows and tells the
// frame: red f % 50, green 100 + f % 50, blue 200 + f % 50. On a 213-row strip
// rows 130..171 belong to no band.
QByteArray triple(int r, int g, int b)
{
    return QByteArray(1, char(r)) + char(g) + char(b);
}

QByteArray bandedData(int frames)
{
    QByteArray rgb;
    for (int f = 0; f < frames; ++f)
        rgb += triple(f % 50, 100 + f % 50, 200 + f % 50);
    return rgb;
}
const int freeRow = 150;

void draw(const QByteArray& rgb, qint64 curFrame, QImage& picture)
{
    draw_colour_strip(reinterpret_cast<const uchar*>(rgb.constData()), rgb.size(), curFrame, picture);
}

// The first frame on screen is found at column 0 and the frames follow one per
// column: each frame's red line starts at its own value's row.
void expectFramesFrom(const QImage& picture, const QByteArray& rgb, int first, int columns)
{
    const int bottom = picture.height() - 1;
    for (int x = 0; x < columns; ++x) {
        const int f = first + x;
        ASSERT_EQ(picture.pixel(x, rowOf(uchar(rgb[3 * f]), bottom)), red) << "column " << x << " frame " << f;
        ASSERT_EQ(picture.pixel(x, rowOf(uchar(rgb[3 * f + 2]), bottom)), blue) << "column " << x;
    }
}

} // namespace

TEST(ColourStrip, WindowIsCentredOnTheCurrentFrameWithItsBlackLineOneColumnRight)
{
    const QByteArray rgb = bandedData(3000);
    QImage picture = markedPicture(1271, 213);
    draw(rgb, 1000, picture);
    // S = 1000 - 635 = 365: frames 365.. fill columns 0..1270, frame 1000 at 635.
    expectFramesFrom(picture, rgb, 365, 1271);
    EXPECT_EQ(picture.pixel(636, freeRow), black);
    EXPECT_EQ(picture.pixel(635, freeRow), white);
    EXPECT_EQ(picture.pixel(637, freeRow), white);
    EXPECT_EQ(picture.pixel(1270, freeRow), white);
    EXPECT_EQ(picture.pixel(0, freeRow), marker) << "column 0 never gets a background line";

    // Near the start the window stays at frame 0 and the black line follows the frame.
    picture = markedPicture(1271, 213);
    draw(rgb, 10, picture);
    expectFramesFrom(picture, rgb, 0, 1271);
    EXPECT_EQ(picture.pixel(11, freeRow), black);
    EXPECT_EQ(picture.pixel(10, freeRow), white);
    EXPECT_EQ(picture.pixel(0, freeRow), marker);
}

TEST(ColourStrip, ShortDataEndsAtItsLastFrameAndLeavesTheRestAsItWas)
{
    const QByteArray rgb = bandedData(100);
    QImage picture = markedPicture(1271, 213);
    draw(rgb, 50, picture);
    expectFramesFrom(picture, rgb, 0, 99);
    for (int x = 1; x <= 100; ++x)
        ASSERT_EQ(picture.pixel(x, freeRow), x == 51 ? black : white) << "column " << x;
    // Column 100 holds frame 99's background only: its channel values were the
    // end points of frame 98's lines, which stay unpainted.
    for (int y = 0; y < 212; ++y)
        ASSERT_EQ(picture.pixel(100, y), white) << "row " << y;
    for (int x = 101; x < 1271; ++x)
        for (int y : {0, freeRow, 212})
            ASSERT_EQ(picture.pixel(x, y), marker) << "column " << x;
    EXPECT_EQ(picture.pixel(100, 212), marker);
    for (int y = 0; y < 213; ++y)
        ASSERT_NE(picture.pixel(99, y), green) << "frame 99 has no next frame to draw to";

    // The current frame beyond the data draws nothing at all.
    QImage untouched = markedPicture(1271, 213);
    draw(rgb, 100 + 635, untouched);
    EXPECT_EQ(untouched, markedPicture(1271, 213));
    draw(rgb, 734, untouched); // S = 99, the last frame: its background line only
    EXPECT_EQ(untouched.pixel(1, freeRow), white);
    EXPECT_EQ(untouched.pixel(2, freeRow), marker);
}

TEST(ColourStrip, ValuesMapOntoRowsWithoutGaps)
{
    // Red jumps between 0 and 255 every frame, green stays 0, blue 255.
    QByteArray rgb;
    for (int f = 0; f < 40; ++f)
        rgb += triple(f % 2 ? 255 : 0, 0, 255);
    QImage picture = markedPicture(300, 213);
    draw(rgb, 0, picture);
    for (int x = 0; x < 39; ++x) {
        ASSERT_EQ(picture.pixel(x, 212), green) << "value 0 lies on the bottom row";
        ASSERT_EQ(picture.pixel(x, 0), blue) << "value 255 lies on row 0";
    }
    EXPECT_EQ(picture.pixel(39, 212), marker);
    // A jump from row 212 to row 0 is one unbroken stroke over the two columns.
    for (int y = 1; y <= 211; ++y)
        ASSERT_TRUE(picture.pixel(4, y) == red || picture.pixel(5, y) == red) << "row " << y;
    EXPECT_EQ(picture.pixel(39, 0), white) << "the last line's end point is not painted";

    // On a strip one pixel high every value lies on row 0, and the zero-length
    // background lines paint nothing.
    QImage flat = markedPicture(50, 1);
    draw(rgb, 20, flat);
    for (int x = 0; x < 39; ++x)
        ASSERT_EQ(flat.pixel(x, 0), blue) << "column " << x;
    EXPECT_EQ(flat.pixel(39, 0), marker);
}

TEST(ColourStrip, AbsurdFramePositionsDrawNothing)
{
    const QByteArray rgb = bandedData(100);
    QImage picture = markedPicture(200, 50);
    draw(rgb, qint64(1) << 40, picture); // would wrap to a small frame in 32 bits
    draw(rgb, (qint64(1) << 32) + 10, picture);
    EXPECT_EQ(picture, markedPicture(200, 50));
    draw(rgb.left(2), 0, picture); // under one frame
    EXPECT_EQ(picture, markedPicture(200, 50));
}

namespace {

struct ColourDataRead : ::testing::Test {
    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(ColourDataRead, GoodFileReplacesTheEarlierDataAndMissingOnesCountAsNone)
{
    COLOUR_DATA data;
    EXPECT_EQ(data.RGBDataSize, 0);
    EXPECT_EQ(data.RGBData.size(), 2);

    writeBytes(file("1.rgb"), QByteArray::fromHex("0102030405060708090a0b"));
    data.Read(file("1.rgb"));
    EXPECT_EQ(data.RGBDataSize, 11);
    EXPECT_EQ(data.Frames(), 3);
    EXPECT_EQ(data.RGBData, QByteArray::fromHex("0102030405060708090a0b"));

    writeBytes(file("2.rgb"), QByteArray::fromHex("ff00ff"));
    data.Read(file("2.rgb"));
    EXPECT_EQ(data.RGBDataSize, 3);
    EXPECT_EQ(data.RGBData, QByteArray::fromHex("ff00ff"));

    data.Read(file("3.rgb"));
    EXPECT_EQ(data.RGBDataSize, 0);
    QDir().mkpath(file("4.rgb"));
    data.Read(file("4.rgb"));
    EXPECT_EQ(data.RGBDataSize, 0);
    data.Read(QString());
    EXPECT_EQ(data.RGBDataSize, 0);

    // A link is followed to the file it names.
    ASSERT_TRUE(QFile::link(file("2.rgb"), file("5.rgb")));
    data.Read(file("5.rgb"));
    EXPECT_EQ(data.RGBDataSize, 3);

    // One or two bytes hold no whole frame.
    for (int size : {1, 2}) {
        writeBytes(file("short.rgb"), QByteArray(size, '\x7f'));
        data.Read(file("short.rgb"));
        EXPECT_EQ(data.RGBDataSize, size);
        EXPECT_EQ(data.Frames(), 0);
    }
    writeBytes(file("empty.rgb"), QByteArray());
    data.Read(file("empty.rgb"));
    EXPECT_EQ(data.RGBDataSize, 0);
}

TEST_F(ColourDataRead, UnreadableOrOversizedFilesGiveNoData)
{
    COLOUR_DATA data;
    writeBytes(file("good.rgb"), "abcdef");

    // Larger than a 32-bit count: no data, and no attempt to hold 2 GiB.
    QFile huge(file("huge.rgb"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(qint64(1) << 31)); // sparse, takes no disk space
    huge.close();
    data.Read(file("good.rgb"));
    data.Read(file("huge.rgb"));
    EXPECT_EQ(data.RGBDataSize, 0);

    // A file whose size promises more than a read delivers (kernel attribute
    // files report a page but hold a line).
    const QString attribute = "/sys/kernel/mm/transparent_hugepage/enabled";
    QFile probe(attribute);
    if (probe.open(QIODevice::ReadOnly) && getFileSize(attribute) > probe.readAll().size()) {
        data.Read(file("good.rgb"));
        data.Read(attribute);
        EXPECT_EQ(data.RGBDataSize, 0);
    }

    // A file that cannot be opened (the superuser opens everything, so only
    // others can see this case).
    if (geteuid() != 0) {
        writeBytes(file("locked.rgb"), "abcdef");
        QFile::setPermissions(file("locked.rgb"), {});
        data.Read(file("good.rgb"));
        data.Read(file("locked.rgb"));
        EXPECT_EQ(data.RGBDataSize, 0);
    }
}
