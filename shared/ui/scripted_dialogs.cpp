#include "scripted_dialogs.h"

ScriptedDialogs::ScriptedDialogs() : previous(&dialogs())
{
    setDialogService(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogService(previous);
}

QStringList ScriptedDialogs::texts(const QString& kind) const
{
    QStringList result;
    for (const Shown& s : shown)
        if (s.kind == kind)
            result << s.text;
    return result;
}

void ScriptedDialogs::showMessage(const QString& text)
{
    shown.append({"message", text, QString()});
}

void ScriptedDialogs::showError(const QString& text)
{
    shown.append({"error", text, QString()});
}

bool ScriptedDialogs::askYesNo(const QString& text, const QString& caption)
{
    shown.append({"question", text, caption});
    return !answers.isEmpty() && answers.dequeue();
}

QStringList ScriptedDialogs::nextFiles()
{
    return files.isEmpty() ? QStringList() : files.dequeue();
}

QString ScriptedDialogs::openFileName(QWidget*, const QString& fileName, const QString& filter)
{
    shown.append({"open", fileName, filter});
    const QStringList chosen = nextFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QStringList ScriptedDialogs::openFileNames(QWidget*, const QString& fileName, const QString& filter)
{
    shown.append({"openMany", fileName, filter});
    return nextFiles();
}

QString ScriptedDialogs::saveFileName(QWidget*, const QString& fileName, const QString& filter)
{
    shown.append({"save", fileName, filter});
    const QStringList chosen = nextFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void ScriptedDialogs::shellOpen(const QString& target)
{
    shown.append({"shell", target, QString()});
}
