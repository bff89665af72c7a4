#pragma once
#include "dialog_service.h"

// The real dialogs: Qt message boxes, file dialogs and QDesktopServices.
class QtDialogService : public DialogService {
public:
    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    QString openFileName(QWidget* parent, const QString& fileName, const QString& filter) override;
    QStringList openFileNames(QWidget* parent, const QString& fileName, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& fileName, const QString& filter) override;
    void shellOpen(const QString& target) override;
};
