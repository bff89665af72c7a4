#include "search_dialog.h"

#include "platform_startup.h"

#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace manager {

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setFont(interface_font());
    setWindowTitle("Диалог поиска");
    auto* menu = new QMenuBar(this);
    menu->addMenu("Файл");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menu);
    layout->addStretch();
    layout->addWidget(new QStatusBar(this));
    resize(1106, 648 + menu->sizeHint().height());
}

} // namespace manager
