#pragma once
#include <QString>
#include <stdexcept>

// The one exception type of the system: a failure that no operation turns into a
// message of its own (a failing select, a CREATE TABLE on an existing table, a port
// that is taken). It reaches the program's standard error box with its text.
class KestralineError : public std::runtime_error {
public:
    explicit KestralineError(const QString& message)
        : std::runtime_error(message.toStdString()), text(message) {}
    const QString& message() const { return text; }

private:
    QString text;
};
