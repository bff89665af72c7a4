#include "tform6.h"

#include "platform_startup.h"
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>

namespace client {

namespace {

// The password shows one "*" per character whatever mask the desktop's theme
// prefers.
class AsteriskStyle : public QProxyStyle {
public:
    explicit AsteriskStyle(QObject* owner) : QProxyStyle(QStyleFactory::create("Fusion")) { setParent(owner); }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TForm6::TForm6(ConnectionSettings& settings, std::function<void()> writeSettings, QWidget* parent)
    : QDialog(parent), settings(settings), writeSettings(std::move(writeSettings))
{
    setWindowTitle("Настройки");
    setFont(interface_font());
    setModal(false);
    setFixedSize(386, 240);
    Edit1 = addRow("Хост", 24);
    Edit2 = addRow("Порт", 64);
    Edit3 = addRow("Пользователь", 104);
    Edit4 = addRow("Пароль", 144);
    Edit4->setStyle(new AsteriskStyle(Edit4));
    Edit4->setEchoMode(QLineEdit::Password);

    auto addButton = [this](const QString& text, int left) {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        button->setGeometry(left, 190, 110, 32);
        return button;
    };
    BitBtn1 = addButton("Сохранить", 16);
    BitBtn2 = addButton("Очистить", 138);
    BitBtn3 = addButton("Закрыть", 260);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm6::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm6::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm6::BitBtn3Click);
}

QLineEdit* TForm6::addRow(const QString& label, int top)
{
    auto* caption = new QLabel(label, this);
    caption->setGeometry(16, top, 110, 24);
    auto* edit = new QLineEdit(this);
    edit->setGeometry(130, top, 240, 24);
    return edit;
}

void TForm6::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm6::FormShow()
{
    Edit1->setText(settings.Host);
    Edit2->setText(settings.Port);
    Edit3->setText(settings.User);
    Edit4->setText(settings.Password);
}

void TForm6::BitBtn1Click()
{
    settings.Host = Edit1->text();
    settings.Port = Edit2->text();
    settings.User = Edit3->text();
    settings.Password = Edit4->text();
    close();
    writeSettings();
}

void TForm6::BitBtn2Click()
{
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    Edit4->clear();
}

void TForm6::BitBtn3Click()
{
    close();
}

} // namespace client
