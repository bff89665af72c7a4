#include "user_dialogs.h"

#include "dialog_service.h"
#include "kestraline_access.h"
#include "run_handler.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace server {

namespace {

QLineEdit* add_field(QWidget* dialog, int top, const QString& label, const QString& placeholder,
                     const QString& hint)
{
    auto* caption = new QLabel(label, dialog);
    caption->setGeometry(24, top, 289, 16);
    auto* edit = new QLineEdit(dialog);
    edit->setGeometry(24, top + 18, 289, 24);
    edit->setPlaceholderText(placeholder);
    edit->setToolTip(hint);
    return edit;
}

} // namespace

UserDialog::UserDialog(KESTRALINE_ACCESS& access, const QString& caption, const QString& confirmText,
                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , access(access)
{
    setWindowTitle(caption);
    setFixedSize(337, 233);
    setModal(true);
    const QString notEmpty = QStringLiteral("Поле не может быть пустым");
    Edit1 = add_field(this, 12, QStringLiteral("Хост"), QStringLiteral("IP адрес"),
                      QStringLiteral("Поле может быть пустым, в этом случае доступ может быть "
                                     "осуществлён с любого IP адреса"));
    Edit2 = add_field(this, 58, QStringLiteral("Пользователь"), QStringLiteral("Имя пользователя"), notEmpty);
    Edit3 = add_field(this, 104, QStringLiteral("Пароль"), QStringLiteral("Пароль пользователя"), notEmpty);
    CheckBox1 = new QCheckBox(QStringLiteral("Пользователь активен"), this);
    CheckBox1->setGeometry(24, 152, 289, 20);
    CheckBox1->setToolTip(
        QStringLiteral("С помощью этой галочки можно временно отключить доступ пользователю"));
    BitBtn1 = new QPushButton(confirmText, this);
    BitBtn1->setGeometry(132, 190, 85, 30);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Отмена"), this);
    BitBtn2->setGeometry(228, 190, 85, 30);
    connect(BitBtn1, &QPushButton::clicked, this, &UserDialog::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &UserDialog::BitBtn2Click);
}

void UserDialog::BitBtn1Click()
{
    if (Edit2->text().isEmpty()) {
        dialogs().showMessage(QStringLiteral("Введите имя пользователя!"));
        return;
    }
    if (Edit3->text().isEmpty()) {
        dialogs().showMessage(QStringLiteral("Введите пароль!"));
        return;
    }
    if (run_handler([this] { save(access); }))
        accept();
}

void UserDialog::BitBtn2Click()
{
    reject();
}

TForm9::TForm9(KESTRALINE_ACCESS& access, QWidget* parent)
    : UserDialog(access, QStringLiteral("Создание нового пользователя"), QStringLiteral("Создать"), parent)
{
}

void TForm9::save(KESTRALINE_ACCESS& access)
{
    access.Add(CheckBox1->isChecked(), Edit1->text(), Edit2->text(), Edit3->text());
}

TForm10::TForm10(KESTRALINE_ACCESS& access, QWidget* parent)
    : UserDialog(access, QStringLiteral("Редактирование пользователя"), QStringLiteral("Сохранить"), parent)
{
}

void TForm10::save(KESTRALINE_ACCESS& access)
{
    access.Change(user_id_from_text(ID), CheckBox1->isChecked(), Edit1->text(), Edit2->text(),
                  Edit3->text());
}

int user_id_from_text(const QString& text)
{
    bool ok = false;
    const int id = text.trimmed().toInt(&ok, 10);
    return ok ? id : -1;
}

} // namespace server
