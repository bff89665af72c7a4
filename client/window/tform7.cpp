#include "tform7.h"

#include "platform_startup.h"
#include "answer_rows.h"
#include "string_grid.h"
#include "string_helpers.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace client {

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Результаты поиска");
    setFont(interface_font());
    setModal(false);
    setFixedSize(620, 400);

    PageControl1 = new QTabWidget(this);
    ValueListEditor1 = new StringGrid({{"Параметр", 150}, {"Значение", 431}});
    QVector<QStringList> rows;
    for (const AnswerRow& row : kAnswerRows)
        rows.append({QString::fromUtf8(row.label), QString()});
    ValueListEditor1->ShowRows(rows);
    // Every label whole, also where a wider stand-in font is in use.
    ValueListEditor1->setFont(interface_font());
    int labelWidth = 0;
    for (const QStringList& row : rows)
        labelWidth = std::max(labelWidth, ValueListEditor1->fontMetrics().horizontalAdvance(row[0]) + 12);
    ValueListEditor1->setColumnWidth(0, designed_width(150, labelWidth));
    PageControl1->addTab(ValueListEditor1, "Информация");
    Memo1 = new QPlainTextEdit;
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    PageControl1->addTab(Memo1, "Ответ на запрос");

    BitBtn1 = new QPushButton("OK");
    BitBtn2 = new QPushButton("Копировать");
    for (QPushButton* button : {BitBtn1, BitBtn2}) {
        button->setAutoDefault(false);
        button->setFixedSize(100, 30);
    }
    connect(BitBtn1, &QPushButton::clicked, this, &TForm7::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm7::BitBtn2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
}

QString TForm7::Value(int row) const
{
    return ValueListEditor1->Cell(1, row + 1);
}

QString TForm7::AnswerText() const
{
    return str_replace("\n", "\r\n", Memo1->toPlainText());
}

void TForm7::SetAnswerText(const QString& text)
{
    // The memo keeps its lines itself; a CR LF is one line break there.
    Memo1->setPlainText(str_replace("\r\n", "\n", text));
}

void TForm7::UpdateInfoExecute()
{
    QStringList lines;
    text_rules::setListText(lines, Memo1->toPlainText());
    QStringList values;
    for (int row = 0; row < kAnswerRowCount; ++row)
        values.append(Value(row));
    fill_answer_rows(values, lines);
    for (int row = 0; row < kAnswerRowCount; ++row)
        ValueListEditor1->SetCell(1, row + 1, values[row]);
}

void TForm7::BitBtn1Click()
{
    hide();
}

void TForm7::BitBtn2Click()
{
    Memo1->selectAll();
    QApplication::clipboard()->setText(AnswerText());
}

} // namespace client
