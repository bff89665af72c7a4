#pragma once
#include <QDialog>

class KESTRALINE_ACCESS;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace server {

// What the new-user and edit-user dialogs share: the host, user and password
// fields, the active check box and the two buttons. The dialogs are created once
// and only hidden between uses, so their fields keep what they last held. The
// confirm button refuses an empty user name or password (exactly empty: blanks
// count as text), otherwise saves through the access list and closes.
class UserDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit* Edit1;      // host
    QLineEdit* Edit2;      // user
    QLineEdit* Edit3;      // password
    QCheckBox* CheckBox1;  // "Пользователь активен"
    QPushButton* BitBtn1;  // confirm
    QPushButton* BitBtn2;  // "Отмена"

public slots:
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    UserDialog(KESTRALINE_ACCESS& access, const QString& caption, const QString& confirmText,
               QWidget* parent);
    // Saves the fields through the access list.
    virtual void save(KESTRALINE_ACCESS& access) = 0;

private:
    KESTRALINE_ACCESS& access;
};

// "Создание нового пользователя": adds a user.
class TForm9 : public UserDialog {
    Q_OBJECT
public:
    explicit TForm9(KESTRALINE_ACCESS& access, QWidget* parent = nullptr);

protected:
    void save(KESTRALINE_ACCESS& access) override;
};

// "Редактирование пользователя": rewrites the user whose id is in ID.
class TForm10 : public UserDialog {
    Q_OBJECT
public:
    explicit TForm10(KESTRALINE_ACCESS& access, QWidget* parent = nullptr);

    QString ID;  // the id of the user being edited, as text

protected:
    void save(KESTRALINE_ACCESS& access) override;
};

// A grid's id text read as a decimal whole number; -1 when it is not one.
int user_id_from_text(const QString& text);

} // namespace server
