// The named looks of the three programs.
#include "scripted_dialogs.h"
#include "visual_styles.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QtTest>

class VisualStylesTest : public QObject {
    Q_OBJECT
private slots:
    void knownNamesChangeTheLook();
    void unknownNameShowsErrorAndKeepsTheLook();
};

void VisualStylesTest::knownNamesChangeTheLook()
{
    ScriptedDialogs scripted;
    const QColor defaultWindow = QApplication::palette().color(QPalette::Window);
    QList<QColor> windows;
    for (const QString name : {"Cobalt XEMedia", "Turquoise Gray", "Lavender Classico"}) {
        QVERIFY2(apply_visual_style(name), qPrintable(name));
        const QPalette palette = QApplication::palette();
        const QColor window = palette.color(QPalette::Window);
        QVERIFY2(window != defaultWindow, qPrintable(name));
        QVERIFY2(!windows.contains(window), qPrintable(name + " looks like another style"));
        windows << window;
        // Text stays readable on its background.
        const int contrast = qAbs(palette.color(QPalette::WindowText).lightness() - window.lightness());
        QVERIFY2(contrast > 100, qPrintable(name));
        const QString sheet = qApp->styleSheet();
        QVERIFY(!sheet.isEmpty());
        QVERIFY2(!sheet.contains('%'), qPrintable(sheet)); // every placeholder filled
    }
    // The server's look is the dark cobalt one.
    QVERIFY(apply_visual_style("Cobalt XEMedia"));
    const QColor cobalt = QApplication::palette().color(QPalette::Window);
    QVERIFY(cobalt.lightness() < 80);
    QVERIFY(cobalt.blue() > cobalt.red());
    QVERIFY(scripted.shown.isEmpty());
}

void VisualStylesTest::unknownNameShowsErrorAndKeepsTheLook()
{
    ScriptedDialogs scripted;
    QVERIFY(apply_visual_style("Turquoise Gray"));
    const QPalette before = QApplication::palette();
    const QString sheetBefore = qApp->styleSheet();
    for (const QString name : {"Cobalt", "Cobalt XEMedia 2", "", "Lavender Classico ", "lavender classico"}) {
        QVERIFY2(!apply_visual_style(name), qPrintable(name));
        QVERIFY(QApplication::palette() == before);
        QCOMPARE(qApp->styleSheet(), sheetBefore);
    }
    QCOMPARE(scripted.texts("error").size(), 5);
    QVERIFY(scripted.texts("error").first().contains("\"Cobalt\""));
    QCOMPARE(scripted.shown.size(), 5);
}

QTEST_MAIN(VisualStylesTest)
#include "visual_styles_qtest.moc"
