#include "about_box.h"

#include "dialog_service.h"
#include "platform_startup.h"

#include <QCursor>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>

// The pictures live in the static shared library; registering them explicitly keeps
// the linker from dropping them. Must be called outside any namespace.
static void registerAboutPictures()
{
    Q_INIT_RESOURCE(about);
}

namespace {

// The first picture's place within its panel; all nine pictures share it.
const int kPictureLeft = 5;
const int kPictureTop = 16;
const int kPictureSize = 100;

const int kPictureCount = 9;
const int kTickMs = 100;

// A bold label. "MS Sans Serif" is a bitmap font without a bold face, which Qt
// cannot thicken: the text is then drawn once more a pixel to the right, as the
// system draws bold for such fonts.
class BoldLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize sizeHint() const override
    {
        return QLabel::sizeHint() + QSize(overstrike() ? 1 : 0, 0);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        if (!overstrike())
            return;
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(contentsRect().translated(1, 0), int(alignment()), text());
    }

private:
    // A bitmap font that has no bold face of its own (Qt thickens outline fonts).
    bool overstrike() const
    {
        const QString family = QFontInfo(font()).family();
        if (QFontDatabase::isSmoothlyScalable(family))
            return false;
        const QStringList styles = QFontDatabase::styles(family);
        return std::none_of(styles.begin(), styles.end(), [&family](const QString& style) {
            return QFontDatabase::weight(family, style) >= QFont::Bold;
        });
    }
};

// 0, 1 or 2: before, within or after [start, start + kPictureSize).
int band(qint64 value, qint64 start)
{
    if (value < start)
        return 0;
    return value < start + kPictureSize ? 1 : 2;
}

} // namespace

int about_picture_for(QPoint cursor, QPoint formTopLeft)
{
    // 64-bit sums: a window far off screen must not overflow.
    const int column = band(cursor.x(), qint64(formTopLeft.x()) + kPictureLeft);
    const int row = band(cursor.y(), qint64(formTopLeft.y()) + kPictureTop);
    return 1 + 3 * row + column;
}

TAboutBox::TAboutBox(const QString& productName, const QString& programUrl, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      Program_URL(programUrl)
{
    registerAboutPictures();
    setWindowTitle("О программе");
    setFixedSize(301, 242);
    setFont(about_box_font());

    // Lowered outer and raised inner bevel: an etched frame.
    Panel1 = new QFrame(this);
    Panel1->setGeometry(8, 8, 281, 195);
    Panel1->setFrameShape(QFrame::Box);
    Panel1->setFrameShadow(QFrame::Sunken);

    ProductName = addLabel(productName, 110, 21, true);
    Version = addLabel("Версия 1.0", 111, 51, true);
    Copyright = addLabel("© Kestraline, 2026", 5, 130, false);
    Comments = addLabel(programUrl, 5, 149, false);
    Comments->setWordWrap(true);
    Comments->setFixedWidth(Panel1->width() - 2 * kPictureLeft);
    Comments->adjustSize();
    Comments->setForegroundRole(QPalette::Link);
    Comments->setCursor(Qt::PointingHandCursor);
    Comments->installEventFilter(this);

    Image1 = addPicture(1);
    Image2 = addPicture(2);
    Image3 = addPicture(3);
    Image4 = addPicture(4);
    Image5 = addPicture(5);
    Image6 = addPicture(6);
    Image7 = addPicture(7);
    Image8 = addPicture(8);
    Image9 = addPicture(9);

    OKButton = new QPushButton("OK", this);
    OKButton->setGeometry(110, 209, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    // Runs from creation on, also while the box is hidden.
    Timer1 = new QTimer(this);
    Timer1->setInterval(kTickMs);
    connect(Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
    Timer1->start();
}

QLabel* TAboutBox::addLabel(const QString& text, int left, int top, bool bold)
{
    auto* label = bold ? new BoldLabel(Panel1) : new QLabel(Panel1);
    label->setTextFormat(Qt::PlainText); // a web address is shown as written, never as markup
    label->setText(text);
    if (bold) {
        QFont f(label->font());
        f.setBold(true);
        label->setFont(f);
    }
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLabel* TAboutBox::addPicture(int number)
{
    auto* picture = new QLabel(Panel1);
    picture->setGeometry(kPictureLeft, kPictureTop, kPictureSize, kPictureSize);
    picture->setPixmap(QPixmap(QString(":/about/image%1.png").arg(number)));
    picture->hide();
    return picture;
}

QLabel* TAboutBox::image(int number) const
{
    const std::array<QLabel*, kPictureCount> pictures{Image1, Image2, Image3, Image4, Image5,
                                                      Image6, Image7, Image8, Image9};
    if (number < 1 || number > kPictureCount)
        return nullptr;
    return pictures[number - 1];
}

void TAboutBox::setVisible(bool visible)
{
    // Centred over the owner's window on every showing, not only the first.
    if (visible && !isVisible())
        adjustPosition(parentWidget());
    QDialog::setVisible(visible);
}

void TAboutBox::Timer1Timer()
{
    // The window's corner includes its frame, like the pointer's screen position.
    const int shown = about_picture_for(QCursor::pos(), frameGeometry().topLeft());
    for (int number = 1; number <= kPictureCount; ++number)
        image(number)->setVisible(number == shown);
}

void TAboutBox::CommentsClick()
{
    dialogs().shellOpen(Program_URL);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Comments && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Comments->rect().contains(mouse->position().toPoint()))
            CommentsClick();
    }
    return QDialog::eventFilter(watched, event);
}
