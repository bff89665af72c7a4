#include "qt_dialog_service.h"

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

QString qtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString masks = parts[i + 1];
        masks.replace(';', ' ');
        masks = masks.simplified();
        entries << parts[i] + " (" + masks + ")";
    }
    return entries.join(";;");
}

void QtDialogService::showMessage(const QString& text)
{
    QMessageBox::information(QApplication::activeWindow(), applicationTitle(), text);
}

void QtDialogService::showError(const QString& text)
{
    QMessageBox::critical(QApplication::activeWindow(), applicationTitle(), text);
}

bool QtDialogService::askYesNo(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogService::openFileName(QWidget* parent, const QString& fileName, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), fileName, qtFileFilter(filter));
}

QStringList QtDialogService::openFileNames(QWidget* parent, const QString& fileName, const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, QString(), fileName, qtFileFilter(filter));
}

QString QtDialogService::saveFileName(QWidget* parent, const QString& fileName, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, QString(), fileName, qtFileFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void QtDialogService::shellOpen(const QString& target)
{
    const bool isWebAddress = target.contains("://");
    QDesktopServices::openUrl(isWebAddress ? QUrl(target) : QUrl::fromLocalFile(target));
}
