#pragma once
#include "dialog_service.h"

#include <QFileDialog>
#include <memory>

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

// The file dialog the service shows: the proposed file name (with or without a
// folder) selected, the filter in Qt's form with each label shown once as written,
// and "*.*" listing every file, a name without a dot too.
std::unique_ptr<QFileDialog> make_file_dialog(QWidget* parent, const QString& fileName, const QString& filter,
                                              QFileDialog::FileMode mode);
