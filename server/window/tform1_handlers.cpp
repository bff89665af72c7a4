// The main window's handlers: settings fields, users, status bar, statistics,
// log views and help.
#include "program_folder.h"
#include "designed_status_bar.h"
#include "dialog_service.h"
#include "loading_dialog.h"
#include "port_number.h"
#include "run_handler.h"
#include "server_core.h"
#include "server_status_text.h"
#include "string_grid.h"
#include "tform1.h"
#include "user_dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextCursor>

namespace server {

namespace {

const QString restart_hint = QStringLiteral("Чтобы изменения вступили в силу нажмите кнопку [Рестарт]");
const QString access_filter = QStringLiteral("База данных видео (Access.db)|Access.db|Все файлы (*.*)|*.*");

// Leaving a field for another control of the window counts; the window losing the
// focus to another window or to a menu does not.
bool leaves_field(const QEvent* event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

// A key of the window's menus. A text field claims some of them for its own
// editing on some desktops (Ctrl+U empties the line on X11), which would both
// swallow the menu item and wipe the setting in the field.
bool is_menu_shortcut(const QMenuBar* menus, const QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const QKeySequence pressed(static_cast<const QKeyEvent*>(event)->keyCombination());
    for (const QAction* menu : menus->actions()) {
        if (!menu->menu())
            continue;
        for (const QAction* item : menu->menu()->actions())
            if (!item->shortcut().isEmpty() && item->shortcut() == pressed)
                return true;
    }
    return false;
}

} // namespace

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (is_menu_shortcut(menuBar(), event)) {
        event->ignore(); // not the field's: the menu item runs
        return true;
    }
    if (leaves_field(event)) {
        if (watched == Edit1)
            Edit1Exit();
        else if (watched == Edit2)
            Edit2Exit();
        else if (watched == Edit3)
            Edit3Exit();
        else if (watched == Edit4)
            Edit4Exit();
        else if (watched == Edit5)
            Edit5Exit();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Project database: stop, store the settings, open the project; only when it
// opened, load it and start again if the service ran.
void TForm1::openProjectDataBase()
{
    run_handler([this] {
        Core->SwitchProject(fieldSettings(), [this] { WriteINIExecute(); }, [this] {
            if (Form2)
                Form2->exec();
        });
    });
}

void TForm1::BitBtn4Click()
{
    const QString chosen = dialogs().openFileName(
        this, projectDialogFile, "База данных видео (Kestraline.db)|Kestraline.db|Все файлы (*.*)|*.*");
    if (chosen.isEmpty())
        return;
    projectDialogFile = chosen;
    Edit1->setText(chosen);
    openProjectDataBase();
}

void TForm1::Edit1Exit()
{
    openProjectDataBase();
}

// Access database: store the settings, open and read it, then restart the service.
void TForm1::openAccessDataBase()
{
    run_handler([this] { Core->SwitchAccess(fieldSettings(), [this] { WriteINIExecute(); }); });
}

void TForm1::BitBtn5Click()
{
    const QString chosen = dialogs().openFileName(this, accessDialogFile, access_filter);
    if (chosen.isEmpty())
        return;
    accessDialogFile = chosen;
    Edit2->setText(chosen);
    openAccessDataBase();
}

void TForm1::Edit2Exit()
{
    openAccessDataBase();
}

void TForm1::N9Click()
{
    const QString chosen = dialogs().saveFileName(this, newAccessDialogFile, access_filter);
    if (chosen.isEmpty())
        return;
    newAccessDialogFile = chosen;
    if (QFile::exists(chosen)) {
        if (!dialogs().askYesNo("Перезаписать существующую бпазу данных?", "Файл уже существует"))
            return;
        if (!QFile::remove(chosen)) {
            dialogs().showMessage("Ошибка удаления файла!");
            return;
        }
    }
    Edit2->setText(chosen);
    run_handler([this] { Core->CreateAccess(fieldSettings(), [this] { WriteINIExecute(); }); });
}

void TForm1::Edit3Exit()
{
    Edit3->setText(QString::number(clamp_port(port_from_text(Edit3->text()))));
    WriteINIExecute();
    restartService();
}

void TForm1::chooseLogFile(QLineEdit* field, QString& dialogFile)
{
    const QString chosen = dialogs().saveFileName(this, dialogFile, QString());
    if (chosen.isEmpty())
        return;
    dialogFile = chosen;
    field->setText(chosen);
    dialogs().showMessage(restart_hint);
}

void TForm1::BitBtn6Click()
{
    chooseLogFile(Edit4, requestLogDialogFile);
}

void TForm1::BitBtn7Click()
{
    chooseLogFile(Edit5, errorsLogDialogFile);
}

void TForm1::Edit4Exit()
{
    dialogs().showMessage(restart_hint);
}

void TForm1::Edit5Exit()
{
    dialogs().showMessage(restart_hint);
}

void TForm1::BitBtn8Click()
{
    Core->log().NewLog();
    Core->log().NewErrorsLog();
}

int TForm1::selectedUserId() const
{
    const int row = StringGrid2->currentRow() < 0 ? 0 : StringGrid2->currentRow();
    return user_id_from_text(StringGrid2->Cell(1, row + 1));
}

void TForm1::changeSelectedUser(const std::function<void(int)>& change)
{
    if (!Core->access().opened)
        return;
    const int id = selectedUserId();
    run_handler([&] { change(id); });
}

void TForm1::BitBtn9Click()
{
    if (Core->access().opened && Form9)
        Form9->exec();
}

void TForm1::BitBtn14Click()
{
    if (!Core->access().opened || !Form10)
        return;
    const int row = StringGrid2->currentRow() < 0 ? 0 : StringGrid2->currentRow();
    Form10->ID = StringGrid2->Cell(1, row + 1);
    Form10->Edit1->setText(StringGrid2->Cell(3, row + 1));
    Form10->Edit2->setText(StringGrid2->Cell(4, row + 1));
    Form10->Edit3->setText(StringGrid2->Cell(5, row + 1));
    Form10->CheckBox1->setChecked(StringGrid2->Cell(2, row + 1) == "Y");
    Form10->exec();
}

void TForm1::BitBtn13Click()
{
    changeSelectedUser([this](int id) {
        if (dialogs().askYesNo("Удалить пользователя?", "Подтверждение операции"))
            Core->access().Delete(id);
    });
}

void TForm1::BitBtn12Click()
{
    changeSelectedUser([this](int id) { Core->access().Active(id, false); });
}

void TForm1::BitBtn11Click()
{
    changeSelectedUser([this](int id) { Core->access().Active(id, true); });
}

void TForm1::Timer2Timer()
{
    const bool active = Core->Running();
    StatusBar1->setPanelText(0, service_state_text(active));
    setWindowTitle(server_caption(active, Core->Port(), Core->finder().database));
    StatusBar1->setPanelText(1,
                              grid_count_text("Видео записей: ", StringGrid1->Cell(0, 1), StringGrid1->rowCount()));
    StatusBar1->setPanelText(2,
                              grid_count_text("Пользователей: ", StringGrid2->Cell(0, 1), StringGrid2->rowCount()));
}

void TForm1::Timer3Timer()
{
    KESTRALINE_STAT& stat = Core->stat();
    stat.Save();
    const STAT_INDEX rows[9] = {total_requests,     auth_errors,     unprocessed_requests,
                                processed_requests, expired_requests, found_count,
                                not_found_count,    unambiguous_count, ambiguous_count};
    for (int row = 0; row < 9; ++row)
        ValueListEditor1->item(row, 1)->setText(QString::number(stat.totals[rows[row]]));
    showLogView(Memo1, requestView, Core->log().TakeRequestViewText());
    showLogView(Memo2, errorView, Core->log().TakeErrorViewText());
}

void TForm1::showLogView(QPlainTextEdit* memo, LogViewText& view, const QString& lines)
{
    const LogViewText::Change change = view.add(lines);
    if (change == LogViewText::Change::None)
        return;
    QString shown = lines;
    shown.remove(QLatin1Char('\r'));
    if (change == LogViewText::Change::Replaced) {
        memo->setPlainText(shown);
    } else {
        QTextCursor end(memo->document());
        end.movePosition(QTextCursor::End);
        end.insertText(shown);
    }
    memo->verticalScrollBar()->setValue(memo->verticalScrollBar()->maximum());
}

void TForm1::N18Click()
{
    dialogs().shellOpen(help_file_path(CurPath));
}

void TForm1::N20Click()
{
    dialogs().shellOpen(OnlineHelp_URL);
}

void TForm1::N22Click()
{
    if (AboutBox)
        AboutBox->exec();
}

} // namespace server
