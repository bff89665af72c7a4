#pragma once
#include <QDialog>
#include <QPoint>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// Where the about box's figure looks: the number (1..9) of the picture for a
// pointer at `cursor` (screen coordinates) when the box's window, frame included,
// has its top-left corner at `formTopLeft`. The reference square is the first
// picture's place within its panel taken from the window's corner (no frame or
// panel offset added); columns and rows count left/middle/right and
// upper/middle/lower from 0, the picture is 1 + 3 * row + column.
int about_picture_for(QPoint cursor, QPoint formTopLeft);

// The about box every program shows from its help menu: product name, version,
// the maker's notice, the web address (a click opens it) and a face that looks
// towards the mouse pointer, checked every 100 ms from creation on.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(const QString& productName, const QString& programUrl, QWidget* parent = nullptr);

    // Picture `number` (1..9) of Image1..Image9; nullptr for any other number.
    QLabel* image(int number) const;

    QFrame* Panel1;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Image3;
    QLabel* Image4;
    QLabel* Image5;
    QLabel* Image6;
    QLabel* Image7;
    QLabel* Image8;
    QLabel* Image9;
    QPushButton* OKButton;
    QTimer* Timer1;

    void setVisible(bool visible) override;

public slots:
    void Timer1Timer();
    void CommentsClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(const QString& text, int left, int top, bool bold);
    QLabel* addPicture(int number);

    QString Program_URL;
};
