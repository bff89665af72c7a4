#include "qt_dialog_service.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {

QtDialogService& qtService()
{
    static QtDialogService service;
    return service;
}

DialogService* installed = nullptr;

QString applicationTitle()
{
    return QApplication::applicationDisplayName();
}

} // namespace

DialogService& dialogs()
{
    return installed ? *installed : qtService();
}

void setDialogService(DialogService* service)
{
    installed = service;
}

MessageSink dialog_messages()
{
    return [](const QString& text) { dialogs().showMessage(text); };
}

QString qtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& mask : masks) {
            mask = mask.trimmed();
            // "*.*" means every file; on Linux many names have no dot.
            if (mask == QLatin1String("*.*"))
                mask = QStringLiteral("*");
        }
        entries << parts[i] + " (" + masks.join(' ') + ")";
    }
    return entries.join(";;");
}

std::unique_ptr<QFileDialog> make_file_dialog(QWidget* parent, const QString& fileName, const QString& filter,
                                              QFileDialog::FileMode mode)
{
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), fileName, qtFileFilter(filter));
    dialog->setFileMode(mode);
    // The labels already name their files ("База данных видео (Access.db)"): Qt's
    // own copy of the masks after them is left off.
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    if (mode == QFileDialog::AnyFile) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    }
    return dialog;
}

namespace {

QStringList run_file_dialog(QWidget* parent, const QString& fileName, const QString& filter,
                            QFileDialog::FileMode mode)
{
    const auto dialog = make_file_dialog(parent, fileName, filter, mode);
    return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
}

// Shows a box whose buttons carry their captions alone, without the style's
// pictures; the button pressed.
int exec_plain(QMessageBox& box)
{
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());
    return box.exec();
}

// A box with the program's title, the text and one OK button.
void show_box(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
    exec_plain(box);
}

} // namespace

void QtDialogService::showMessage(const QString& text)
{
    show_box(QMessageBox::NoIcon, text);
}

void QtDialogService::showError(const QString& text)
{
    // The standard error box for an exception keeps its error sign.
    show_box(QMessageBox::Critical, text);
}

bool QtDialogService::askYesNo(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No);
    return exec_plain(box) == QMessageBox::Yes;
}

QString QtDialogService::openFileName(QWidget* parent, const QString& fileName, const QString& filter)
{
    return run_file_dialog(parent, fileName, filter, QFileDialog::ExistingFile).value(0);
}

QStringList QtDialogService::openFileNames(QWidget* parent, const QString& fileName, const QString& filter)
{
    return run_file_dialog(parent, fileName, filter, QFileDialog::ExistingFiles);
}

QString QtDialogService::saveFileName(QWidget* parent, const QString& fileName, const QString& filter)
{
    return run_file_dialog(parent, fileName, filter, QFileDialog::AnyFile).value(0);
}

void QtDialogService::shellOpen(const QString& target)
{
    const bool isWebAddress = target.contains("://");
    QDesktopServices::openUrl(isWebAddress ? QUrl(target) : QUrl::fromLocalFile(target));
}
