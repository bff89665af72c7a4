#pragma once
#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class StringGrid;

namespace client {

// The results window "Результаты поиска", shown without blocking: the answer's
// twelve values on the page "Информация" and the raw answer on "Ответ на запрос".
// Its texts stay until the next answer replaces them.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    // The value shown in row `row` (0..11) of the grid.
    QString Value(int row) const;
    // The raw answer as copied: lines ended by CR LF.
    QString AnswerText() const;
    // Shows `text` (lines ended by CR LF) on the raw-answer page.
    void SetAnswerText(const QString& text);

    QTabWidget* PageControl1;
    StringGrid* ValueListEditor1;
    QPlainTextEdit* Memo1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

public slots:
    // Fills the grid from the lines of the raw-answer page.
    void UpdateInfoExecute();
    void BitBtn1Click();
    void BitBtn2Click();
};

} // namespace client
