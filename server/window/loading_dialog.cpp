#include "loading_dialog.h"

#include "kestraline_finder.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace server {

TForm2::TForm2(KESTRALINE_FINDER& finder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
    , ProgressBar1(new QProgressBar(this))
    , BitBtn1(new QPushButton(QStringLiteral("Отмена"), this))
    , StatusBar1(new QStatusBar(this))
    , finder(finder)
{
    setWindowTitle(QStringLiteral("Загрузка видео данных"));
    setFixedSize(572, 129);
    setModal(true);
    ProgressBar1->setGeometry(24, 56, 426, 17);
    ProgressBar1->setTextVisible(false);
    BitBtn1->setGeometry(472, 56, 75, 25);
    StatusBar1->setGeometry(0, 129 - 19, 572, 19);
    StatusBar1->setSizeGripEnabled(false);
    Timer1.setInterval(1);
    connect(&Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm2::FormShow()
{
    // A maximum of 0 would make Qt's bar a busy animation; nothing to load shows an
    // empty bar instead.
    ProgressBar1->setMaximum(qMax(finder.video_count(), 1));
    ProgressBar1->setValue(0);
    BUSY2 = 0;
    Timer1.start();
}

void TForm2::Timer1Timer()
{
    if (BUSY2 == 1)
        return;
    BUSY2 = 1;
    if (finder.loaded.load(std::memory_order_acquire) < finder.video_count())
        finder.LoadData();
    const int32_t loaded = finder.loaded.load(std::memory_order_acquire);
    ProgressBar1->setValue(loaded);
    if (loaded >= finder.video_count()) {
        Timer1.stop();
        close();
    }
    BUSY2 = 0;
}

void TForm2::BitBtn1Click()
{
    close();
}

} // namespace server
