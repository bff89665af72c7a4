// The real dialogs behind the dialog service: the file dialog's filters and what
// they list, and the boxes as the programs show them once the platform is set up.
#include "box_answerer.h"
#include "platform_startup.h"
#include "qt_dialog_service.h"
#include "string_grid.h"
#include "test_support.h"

#include <QComboBox>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The names the file dialog lists in its folder, sorted.
QStringList listedNames(QFileDialog& dialog)
{
    auto* view = dialog.findChild<QListView*>("listView");
    if (!view)
        return {"no list view"};
    QStringList names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void allFilesListsNamesWithoutADotAndEachLabelShowsOnce()
    {
        QTemporaryDir dir;
        for (const char* name : {"Access.db", "README", "notes.txt"})
            testsupport::writeBytes(dir.filePath(name), "x");
        const auto dialog = make_file_dialog(nullptr, dir.filePath("Access.db"),
                                             "База данных видео (Access.db)|Access.db|Все файлы (*.*)|*.*",
                                             QFileDialog::ExistingFile);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->show();
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types);
        QStringList labels;
        for (int i = 0; i < types->count(); ++i)
            labels << types->itemText(i);
        QCOMPARE(labels, QStringList({"База данных видео (Access.db)", "Все файлы (*.*)"}));

        QTRY_COMPARE(listedNames(*dialog), QStringList({"Access.db"}));
        dialog->selectNameFilter(dialog->nameFilters().at(1));
        QTRY_COMPARE(listedNames(*dialog), QStringList({"Access.db", "README", "notes.txt"}));
        dialog->reject();

        // A pattern of several masks keeps them all.
        QCOMPARE(qtFileFilter("Видео (*.avi; *.mov)|*.avi; *.mov|Все файлы (*.*)|*.*"),
                 QString("Видео (*.avi; *.mov) (*.avi *.mov);;Все файлы (*.*) (*)"));
    }

    // After the platform start-up the standard buttons are Russian, messages are
    // plain boxes with one button and no icon, the windows' font is Tahoma 8 pt and
    // grids keep their designed widths.
    void afterThePlatformStartUp()
    {
        QTemporaryDir dir;
        const QString record = dir.filePath("boxes.txt");
        qputenv("KESTRALINE_ANSWER_BOXES", record.toUtf8());
        QApplication::setApplicationName("Kestraline Server");
        start_platform(*qApp);
        QtDialogService service;
        service.showMessage("Введите пароль!");
        QVERIFY(!service.askYesNo("Удалить пользователя?", "Подтверждение операции"));
        service.showError("no such table: access");
        const QStringList shown = QString::fromUtf8(testsupport::readBytes(record)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(shown, QStringList({
                            "Kestraline Server\tВведите пароль!\tOK\t0",
                            "Подтверждение операции\tУдалить пользователя?\t&Да|&Нет\t0",
                            "Kestraline Server\tno such table: access\tOK\t3",
                        }));
        QVERIFY(designed_fonts_loaded());
        QCOMPARE(QApplication::font().family(), QString("Tahoma"));
        QCOMPARE(QApplication::font().pointSize(), 8);
        QCOMPARE(QFontInfo(about_box_font()).family(), QString("MS Sans Serif"));
        StringGrid grid;
        grid.SetColumns({{"Ширина", 50}, {"Продолжительность", 100}});
        QCOMPARE(grid.columnWidth(0), 50);
        QCOMPARE(grid.columnWidth(1), 100);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_qtest.moc"
