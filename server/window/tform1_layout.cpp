// The main window's widgets, menus and timers.
#include "designed_status_bar.h"
#include "platform_startup.h"
#include "server_banner.h"
#include "string_grid.h"
#include "tform1.h"

#include "designed_status_bar.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace server {

namespace {

QPushButton* make_button(const QString& caption, int width, int height, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setFixedSize(width, height);
    return button;
}

// A group box 50 pixels high holding an edit field and, when given, a button at
// its right.
QGroupBox* field_group(const QString& title, QLineEdit* edit, QPushButton* button, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    group->setFixedHeight(50);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(8, 2, 8, 4);
    row->addWidget(edit);
    if (button)
        row->addWidget(button);
    else
        row->addStretch();
    return group;
}

QWidget* bottom_bar(QWidget* parent)
{
    auto* bar = new QWidget(parent);
    bar->setFixedHeight(45);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 4, 4, 4);
    return bar;
}

} // namespace

void TForm1::buildLayout()
{
    setWindowTitle("Kestraline Server");
    setFont(interface_font());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildBanner());
    PageControl1 = new QTabWidget(central);
    PageControl1->addTab(buildSettingsPage(), "Основные настройки");
    PageControl1->addTab(buildVideosPage(), "Видео");
    PageControl1->addTab(buildUsersPage(), "Пользователи");
    PageControl1->addTab(buildStatisticsPage(), "Статистика");
    PageControl1->addTab(buildLogsPage(), "Лог-файлы");
    column->addWidget(PageControl1, 1);
    setCentralWidget(central);
    buildStatusBar();
    buildMenus();
    resize(969, 660 + menuBar()->sizeHint().height()); // the client area is below the menu bar

    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer2.setInterval(1000);
    connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    Timer2.start();
    Timer3.setInterval(1000);
    connect(&Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
    Timer3.start();
}

QWidget* TForm1::buildBanner()
{
    auto* panel = new QWidget(this);
    panel->setFixedHeight(100);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(16, 38, 82));
    panel->setPalette(palette);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    Image1 = new QLabel(panel);
    Image1->setPixmap(server_banner(600, 100));
    Image1->setAlignment(Qt::AlignCenter);
    row->addWidget(Image1);
    return panel;
}

QWidget* TForm1::buildSettingsPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 0);
    column->setSpacing(2);

    Edit3 = new QLineEdit("1080", page);
    Edit3->setFixedWidth(92);
    Edit1 = new QLineEdit(page);
    Edit2 = new QLineEdit(page);
    Edit4 = new QLineEdit(page);
    Edit5 = new QLineEdit(page);
    BitBtn4 = make_button("Выбрать", 90, 25, page);
    BitBtn5 = make_button("Выбрать", 90, 25, page);
    BitBtn6 = make_button("Выбрать", 90, 25, page);
    BitBtn7 = make_button("Выбрать", 90, 25, page);
    column->addWidget(field_group("Порт веб-сервера", Edit3, nullptr, page));
    column->addWidget(field_group("База данных видео образцов", Edit1, BitBtn4, page));
    column->addWidget(field_group("База доступа пользователей", Edit2, BitBtn5, page));
    column->addWidget(field_group("Лог-файл", Edit4, BitBtn6, page));
    column->addWidget(field_group("Лог-файла с сообщениями об ошибках", Edit5, BitBtn7, page));
    column->addStretch();
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5})
        edit->installEventFilter(this);

    QWidget* bar = bottom_bar(page);
    BitBtn3 = make_button("Старт", 100, 35, bar);
    BitBtn2 = make_button("Стоп", 100, 35, bar);
    BitBtn1 = make_button("Рестарт", 100, 35, bar);
    auto* row = static_cast<QHBoxLayout*>(bar->layout());
    row->addStretch();
    row->addWidget(BitBtn3);
    row->addWidget(BitBtn2);
    row->addWidget(BitBtn1);
    column->addWidget(bar);

    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm1::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TForm1::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &TForm1::BitBtn7Click);
    return page;
}

QWidget* TForm1::buildVideosPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new StringGrid({}, page);
    column->addWidget(StringGrid1);
    return page;
}

QWidget* TForm1::buildUsersPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    StringGrid2 = new StringGrid({}, page);
    column->addWidget(StringGrid2, 1);

    QWidget* bar = bottom_bar(page);
    BitBtn12 = make_button("Заблокировать", 130, 35, bar);
    BitBtn11 = make_button("Разблокировать", 130, 35, bar);
    BitBtn9 = make_button("Создать", 130, 35, bar);
    BitBtn14 = make_button("Редактировать", 130, 35, bar);
    BitBtn13 = make_button("Удалить", 130, 35, bar);
    auto* row = static_cast<QHBoxLayout*>(bar->layout());
    row->addWidget(BitBtn12);
    row->addWidget(BitBtn11);
    row->addStretch();
    row->addWidget(BitBtn9);
    row->addWidget(BitBtn14);
    row->addWidget(BitBtn13);
    column->addWidget(bar);

    connect(BitBtn12, &QPushButton::clicked, this, &TForm1::BitBtn12Click);
    connect(BitBtn11, &QPushButton::clicked, this, &TForm1::BitBtn11Click);
    connect(BitBtn9, &QPushButton::clicked, this, &TForm1::BitBtn9Click);
    connect(BitBtn14, &QPushButton::clicked, this, &TForm1::BitBtn14Click);
    connect(BitBtn13, &QPushButton::clicked, this, &TForm1::BitBtn13Click);
    connect(StringGrid2, &QTableWidget::cellDoubleClicked, this, &TForm1::BitBtn14Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction("Создать", this, &TForm1::BitBtn9Click);
    PopupMenu1->addAction("Редактировать", this, &TForm1::BitBtn14Click);
    PopupMenu1->addAction("Удалить", this, &TForm1::BitBtn13Click);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction("Заблокировать", this, &TForm1::BitBtn12Click);
    PopupMenu1->addAction("Разблокировать", this, &TForm1::BitBtn11Click);
    StringGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid2, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(StringGrid2->viewport()->mapToGlobal(at));
    });
    return page;
}

QWidget* TForm1::buildStatisticsPage()
{
    auto* page = new QWidget(this);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    ValueListEditor1 = new QTableWidget(9, 2, page);
    ValueListEditor1->setHorizontalHeaderLabels({"Параметр", "Значение"});
    ValueListEditor1->verticalHeader()->hide();
    ValueListEditor1->verticalHeader()->setDefaultSectionSize(20);
    ValueListEditor1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QStringList keys = {"Запросов всего",        "Ошибка авторизации", "Необработанных запросов",
                              "Обработанных запросов", "Просроченных",       "Найдено",
                              "Не найдено",            "Однозначный результат",
                              "Неоднозначный результат"};
    for (int i = 0; i < keys.size(); ++i) {
        ValueListEditor1->setItem(i, 0, new QTableWidgetItem(keys.at(i)));
        ValueListEditor1->setItem(i, 1, new QTableWidgetItem(QString()));
    }
    // 278 pixels with columns of 148 and 124; a wider stand-in font widens the key
    // column so that every key shows whole.
    ValueListEditor1->resizeColumnToContents(0);
    ValueListEditor1->setColumnWidth(0, designed_width(148, ValueListEditor1->columnWidth(0) + 8));
    ValueListEditor1->setColumnWidth(1, 124);
    ValueListEditor1->setFixedWidth(ValueListEditor1->columnWidth(0) + 124 + 6); // 278 with the designed key column
    row->addWidget(ValueListEditor1);
    row->addStretch();
    return page;
}

QWidget* TForm1::buildLogsPage()
{
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    PageControl2 = new QTabWidget(page);
    PageControl2->setTabPosition(QTabWidget::South);
    Memo1 = new QPlainTextEdit(PageControl2);
    Memo2 = new QPlainTextEdit(PageControl2);
    for (QPlainTextEdit* memo : {Memo1, Memo2}) {
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    PageControl2->addTab(Memo1, "Запросы");
    PageControl2->addTab(Memo2, "Ошибки");
    column->addWidget(PageControl2, 1);

    QWidget* bar = bottom_bar(page);
    BitBtn8 = make_button("Начать новые", 120, 35, bar);
    auto* row = static_cast<QHBoxLayout*>(bar->layout());
    row->addStretch();
    row->addWidget(BitBtn8);
    column->addWidget(bar);
    connect(BitBtn8, &QPushButton::clicked, this, &TForm1::BitBtn8Click);
    return page;
}

void TForm1::buildStatusBar()
{
    StatusBar1 = new DesignedStatusBar({200, 200, 200, 200, 50}, 5, this);
    setStatusBar(StatusBar1);
}

void TForm1::buildMenus()
{
    QMenu* file = menuBar()->addMenu("Файл");
    file->addAction("Открыть базу видео", QKeySequence("Ctrl+O"), this, &TForm1::BitBtn4Click);
    file->addSeparator();
    file->addAction("Открыть базу пользователей", QKeySequence("Ctrl+U"), this, &TForm1::BitBtn5Click);
    file->addAction("Создать базу пользователей", QKeySequence("Ctrl+N"), this, &TForm1::N9Click);
    file->addSeparator();
    file->addAction("Выход", this, &TForm1::N11Click);

    QMenu* service = menuBar()->addMenu("Сервер");
    StartMenuItem = service->addAction("Старт", QKeySequence("F2"), this, &TForm1::BitBtn3Click);
    StartMenuItem->setCheckable(true);
    service->addSeparator();
    service->addAction("Стоп", QKeySequence("F3"), this, &TForm1::BitBtn2Click);
    service->addSeparator();
    service->addAction("Рестарт", QKeySequence("F4"), this, &TForm1::BitBtn1Click);

    QMenu* logs = menuBar()->addMenu("Логи");
    logs->addAction("Начать новые", this, &TForm1::BitBtn8Click);

    QMenu* rights = menuBar()->addMenu("Права доступа");
    rights->addAction("Создать", this, &TForm1::BitBtn9Click);
    rights->addAction("Изменить", this, &TForm1::BitBtn14Click);
    rights->addAction("Удалить", this, &TForm1::BitBtn13Click);
    rights->addSeparator();
    rights->addAction("Заблокировать", this, &TForm1::BitBtn12Click);
    rights->addAction("Разблокировать", this, &TForm1::BitBtn11Click);

    QMenu* help = menuBar()->addMenu("Помощь");
    help->addAction("Справка", QKeySequence("F1"), this, &TForm1::N18Click);
    help->addSeparator();
    help->addAction("Сетевая справка (обновляется)", QKeySequence("Shift+F1"), this, &TForm1::N20Click);
    help->addSeparator();
    help->addAction("О программе", QKeySequence("Ctrl+F1"), this, &TForm1::N22Click);
}

} // namespace server
