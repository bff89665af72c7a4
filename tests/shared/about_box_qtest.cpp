// The about box: which picture the face shows for a pointer position, the pictures
// themselves, the link and the OK button.
#include "about_box.h"
#include "scripted_dialogs.h"

#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString kUrl = "https://kestraline.example/search?a=1&b=<2>";

// Numbers of the pictures that are not hidden.
QList<int> visiblePictures(const TAboutBox& box)
{
    QList<int> visible;
    for (int number = 1; number <= 9; ++number)
        if (!box.image(number)->isHidden())
            visible << number;
    return visible;
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void pictureChoice_data();
    void pictureChoice();
    void pictureChoiceSurvivesExtremeCoordinates();
    void allPicturesHiddenAtCreationAndOneAfterATick();
    void tickFollowsPointerAndWindowPosition();
    void timerRunsWhileHidden();
    void picturesAreTransparentAndDistinct();
    void textsAndLayout();
    void commentsClickOpensTheAddress();
    void okButtonAccepts();
    void centredOverOwnerEachTimeShown();
};

void AboutBoxTest::pictureChoice_data()
{
    QTest::addColumn<QPoint>("cursor");
    QTest::addColumn<int>("picture");
    // Window at (200, 108): the reference square is x 205..304, y 124..223.
    QTest::newRow("inside") << QPoint(250, 150) << 5;
    QTest::newRow("left") << QPoint(100, 150) << 4;
    QTest::newRow("right") << QPoint(305, 150) << 6;
    QTest::newRow("above") << QPoint(250, 123) << 2;
    QTest::newRow("below") << QPoint(250, 224) << 8;
    QTest::newRow("origin") << QPoint(0, 0) << 1;
    QTest::newRow("far down right") << QPoint(1000, 1000) << 9;
    QTest::newRow("up right") << QPoint(400, 0) << 3;
    QTest::newRow("down left") << QPoint(204, 224) << 7;
    QTest::newRow("left edge is inside") << QPoint(205, 124) << 5;
    QTest::newRow("last inside") << QPoint(304, 223) << 5;
    QTest::newRow("x0 + w is right") << QPoint(305, 124) << 6;
    QTest::newRow("y0 + h is below") << QPoint(205, 224) << 8;
    QTest::newRow("just left of x0") << QPoint(204, 200) << 4;
    QTest::newRow("just above y0") << QPoint(304, 123) << 2;
}

void AboutBoxTest::pictureChoice()
{
    QFETCH(QPoint, cursor);
    QFETCH(int, picture);
    QCOMPARE(about_picture_for(cursor, QPoint(200, 108)), picture);
}

void AboutBoxTest::pictureChoiceSurvivesExtremeCoordinates()
{
    // Negative positions (a second screen on the left) and a window corner near the
    // integer limit must still give a valid number, without overflow.
    QCOMPARE(about_picture_for(QPoint(-150, -50), QPoint(-200, -100)), 5);
    QCOMPARE(about_picture_for(QPoint(INT_MAX, INT_MAX), QPoint(INT_MAX - 50, INT_MAX - 50)), 5);
    QCOMPARE(about_picture_for(QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX)), 1);
    QCOMPARE(about_picture_for(QPoint(INT_MAX, INT_MAX), QPoint(INT_MIN, INT_MIN)), 9);
}

void AboutBoxTest::allPicturesHiddenAtCreationAndOneAfterATick()
{
    TAboutBox box("Kestraline Server", kUrl);
    QVERIFY(visiblePictures(box).isEmpty());
    box.Timer1Timer();
    QCOMPARE(visiblePictures(box).size(), 1);
    box.Timer1Timer();
    QCOMPARE(visiblePictures(box).size(), 1);
}

void AboutBoxTest::tickFollowsPointerAndWindowPosition()
{
    TAboutBox box("Kestraline Server", kUrl);
    box.move(200, 108);
    const QPoint corner = box.frameGeometry().topLeft();
    const QPoint inside = corner + QPoint(50, 50);
    QCursor::setPos(inside);
    if (QCursor::pos() != inside)
        QSKIP("this platform cannot place the pointer");
    box.Timer1Timer();
    QCOMPARE(visiblePictures(box), QList<int>{5});

    QCursor::setPos(corner + QPoint(500, -20));
    box.Timer1Timer();
    QCOMPARE(visiblePictures(box), QList<int>{3});

    // Moving the window moves the square: the same pointer is now below and left.
    box.move(corner + QPoint(600, -200));
    box.Timer1Timer();
    QCOMPARE(visiblePictures(box), QList<int>{7});
}

void AboutBoxTest::timerRunsWhileHidden()
{
    TAboutBox box("Kestraline Client", kUrl);
    QVERIFY(box.Timer1->isActive());
    QCOMPARE(box.Timer1->interval(), 100);
    QVERIFY(!box.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(visiblePictures(box).size(), 1, 2000);
}

void AboutBoxTest::picturesAreTransparentAndDistinct()
{
    TAboutBox box("Kestraline Manager", kUrl); // registers the pictures
    QList<QImage> images;
    for (int number = 1; number <= 9; ++number) {
        const QImage image(QString(":/about/image%1.png").arg(number));
        QVERIFY2(!image.isNull(), qPrintable(QString("picture %1 missing").arg(number)));
        QCOMPARE(image.size(), QSize(100, 100));
        QVERIFY(image.hasAlphaChannel());
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // corners outside the round face are clear
        QVERIFY(qAlpha(image.pixel(50, 50)) == 255);
        for (const QImage& earlier : images)
            QVERIFY2(earlier != image, qPrintable(QString("picture %1 repeats another").arg(number)));
        images << image;

        QLabel* label = box.image(number);
        QVERIFY(label);
        QCOMPARE(label->geometry(), QRect(5, 16, 100, 100));
        QCOMPARE(label->parentWidget(), box.Panel1);
        QCOMPARE(label->pixmap().size(), QSize(100, 100));
    }
    QVERIFY(box.image(0) == nullptr);
    QVERIFY(box.image(10) == nullptr);
}

void AboutBoxTest::textsAndLayout()
{
    for (const QString product : {"Kestraline Server", "Kestraline Client", "Kestraline Manager"}) {
        TAboutBox box(product, kUrl);
        QCOMPARE(box.ProductName->text(), product);
        QCOMPARE(box.windowTitle(), QString("О программе"));
        QCOMPARE(box.Version->text(), QString("Версия 1.0"));
        QVERIFY(box.ProductName->font().bold());
        QVERIFY(box.Version->font().bold());
        QVERIFY(!box.Copyright->font().bold());
        QVERIFY(!box.Copyright->text().isEmpty());
        QCOMPARE(box.Comments->text(), kUrl); // shown as written, not as markup
        QCOMPARE(box.Comments->textFormat(), Qt::PlainText);
        QVERIFY(box.Comments->wordWrap());
        QCOMPARE(box.Comments->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(box.size(), QSize(301, 242));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QCOMPARE(box.Panel1->geometry(), QRect(8, 8, 281, 195));
        QCOMPARE(box.ProductName->pos(), QPoint(110, 21));
        QCOMPARE(box.Version->pos(), QPoint(111, 51));
        QCOMPARE(box.Copyright->pos(), QPoint(5, 130));
        QCOMPARE(box.Comments->pos(), QPoint(5, 149));
        QCOMPARE(box.OKButton->geometry(), QRect(110, 209, 75, 25));
        QCOMPARE(box.OKButton->text(), QString("OK"));
        QVERIFY(box.OKButton->isDefault());
        QVERIFY(!(box.windowFlags() & Qt::WindowMinMaxButtonsHint));
        // Every label fits inside the panel.
        for (QLabel* label : {box.ProductName, box.Version, box.Copyright, box.Comments})
            QVERIFY2(box.Panel1->rect().contains(label->geometry()), qPrintable(label->text()));
    }
}

void AboutBoxTest::commentsClickOpensTheAddress()
{
    ScriptedDialogs scripted;
    TAboutBox box("Kestraline Client", kUrl);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.Comments, Qt::LeftButton);
    QCOMPARE(scripted.texts("shell"), QStringList{kUrl});
    QTest::mouseClick(box.Copyright, Qt::LeftButton); // only the address is a link
    QTest::mouseClick(box.Comments, Qt::RightButton);
    QCOMPARE(scripted.texts("shell").size(), 1);

    // An empty address is opened as the empty text, quietly.
    TAboutBox empty("Kestraline Client", QString());
    empty.CommentsClick();
    QCOMPARE(scripted.texts("shell"), (QStringList{kUrl, QString()}));
    QVERIFY(scripted.texts("error").isEmpty());
}

void AboutBoxTest::okButtonAccepts()
{
    TAboutBox box("Kestraline Server", kUrl);
    QTimer::singleShot(0, &box, [&box] { QTest::mouseClick(box.OKButton, Qt::LeftButton); });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
    QVERIFY(!box.isVisible());

    // Enter presses the default button.
    QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
    QCOMPARE(box.exec(), int(QDialog::Accepted));
}

void AboutBoxTest::centredOverOwnerEachTimeShown()
{
    QMainWindow owner;
    owner.setGeometry(100, 100, 800, 600);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    TAboutBox box("Kestraline Manager", kUrl, &owner);
    for (int round = 0; round < 2; ++round) {
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint offset = box.geometry().center() - owner.geometry().center();
        QVERIFY2(offset.manhattanLength() <= 40, qPrintable(QString("off by %1,%2").arg(offset.x()).arg(offset.y())));
        box.hide();
        box.move(0, 0); // a user moved it; the next showing centres it again
    }
}

QTEST_MAIN(AboutBoxTest)
#include "about_box_qtest.moc"
