#pragma once
#include "message_sink.h"

#include <QString>
#include <QStringList>

class QWidget;

// Every message box, yes/no question, file dialog and shell open of the three
// programs goes through this interface, so that tests answer dialogs and read
// their exact texts without a person.
//
// File dialog filters are written as the programs state them: pairs of a label and
// a pattern separated by vertical bars ("Label (x.db)|x.db|All (*.*)|*.*"); a
// pattern may list several masks separated by "; ".
class DialogService {
public:
    virtual ~DialogService() = default;

    // Modal box with one OK button.
    virtual void showMessage(const QString& text) = 0;
    // Modal box for an exception that reached the event loop or a start-up function.
    virtual void showError(const QString& text) = 0;
    // Question with Yes and No buttons, no owner window, no icon; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& caption) = 0;
    // File dialogs: the chosen path(s), or empty when cancelled. `fileName` is the
    // proposed file name (may carry a folder).
    virtual QString openFileName(QWidget* parent, const QString& fileName, const QString& filter) = 0;
    virtual QStringList openFileNames(QWidget* parent, const QString& fileName, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& fileName, const QString& filter) = 0;
    // Shell "open" of a web address or a file; failures are silent.
    virtual void shellOpen(const QString& target) = 0;
};

// The dialog service in use: the Qt one unless a test installed another.
DialogService& dialogs();
// Installs `service` (not owned) in place of the current one; nullptr restores Qt's.
void setDialogService(DialogService* service);
// The message box of whatever dialog service is in use when a message comes: what
// a window hands to the classes it owns to show their messages.
MessageSink dialog_messages();

// Turns a "label|pattern|label|pattern" filter into Qt's "label (masks);;..." form.
QString qtFileFilter(const QString& filter);
