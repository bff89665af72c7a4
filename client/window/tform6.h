#pragma once
#include <QDialog>
#include <functional>

#include "connection_settings.h"

class QLineEdit;
class QPushButton;

namespace client {

// The connection settings window "Настройки": host, port, user and password
// (shown as asterisks), modeless, filled from the settings on every show.
// "Сохранить" takes the four texts as typed, closes and has them written;
// "Очистить" only empties the fields; "Закрыть" closes without saving.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    // `settings` are the program's connection settings; `writeSettings` writes them
    // to the settings file.
    TForm6(ConnectionSettings& settings, std::function<void()> writeSettings, QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;

public slots:
    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* addRow(const QString& label, int top);

    ConnectionSettings& settings;
    std::function<void()> writeSettings;
};

} // namespace client
