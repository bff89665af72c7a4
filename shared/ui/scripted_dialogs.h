#pragma once
#include "dialog_service.h"

#include <QQueue>
#include <QVector>

// Dialogs for tests: records every message and question with its exact text and
// answers from queues the test fills. An empty answer queue means "No" for a
// question and "cancelled" for a file dialog. Installs itself on construction and
// restores the previous service on destruction.
class ScriptedDialogs : public DialogService {
public:
    struct Shown {
        QString kind;     // "message", "error", "question", "open", "openMany", "save", "shell"
        QString text;     // the message, question, proposed file name or shell target
        QString caption;  // question caption or file filter
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    QVector<Shown> shown;
    QQueue<bool> answers;
    QQueue<QStringList> files;

    // The texts of everything of one kind, in order.
    QStringList texts(const QString& kind = "message") const;

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    QString openFileName(QWidget* parent, const QString& fileName, const QString& filter) override;
    QStringList openFileNames(QWidget* parent, const QString& fileName, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& fileName, const QString& filter) override;
    void shellOpen(const QString& target) override;

private:
    QStringList nextFiles();
    DialogService* previous;
};
