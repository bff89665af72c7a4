#include "viewer_window.h"

#include "colour_strip.h"
#include "colour_strip_box.h"
#include "player_host.h"
#include "player_widgets.h"
#include "video_player.h"
#include "window_look.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace manager {

namespace {

const int clientWidth = 1275, clientHeight = 757;
const int progressBarHeight = 17, splitterWidth = 3, stripHeight = 217, buttonPanelHeight = 50;

// The player's settings in this window: the caption is the path alone, the
// layout follows 1000 ms after a resize, open or resume and not at start.
const player::PlayerHostParameters viewerParameters{"", 1000, false};

} // namespace

TForm4::TForm4(std::unique_ptr<player::PlayerBackend> backend, QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Form4");
    menuBar()->addMenu("Файл"); // no entries and no action
    StatusBar1 = new player::StatusPanelBar({300, 300, 200, 150, 200, 50}, 5, this);
    setStatusBar(StatusBar1);

    auto* central = new QWidget(this);
    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setHandleWidth(splitterWidth);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(BuildVideoArea());
    Splitter1->addWidget(BuildStrip());
    Splitter1->setStretchFactor(0, 1); // the video area takes what the window gains or loses
    Splitter1->setStretchFactor(1, 0);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Splitter1, 1);
    layout->addWidget(BuildButtons());
    setCentralWidget(central);

    resize(clientWidth, clientHeight + menuBar()->sizeHint().height());
    Splitter1->setSizes({clientHeight, stripHeight});
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().topLeft());

    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
    const player::PlayerWidgets widgets{this, Panel1, Panel3, StatusBar1, ProgressBar1, TrackBar1, Timer1, Timer2};
    Player = backend ? player::makeVideoPlayer(widgets, viewerParameters, std::move(backend))
                     : player::makeVideoPlayer(widgets, viewerParameters);
    Player->OnGraphReleased = [this] { ReadDataExecute(); };
    Player->OnPositionPolled = [this] { ShowDataExecute(); };

    connect(Timer1, &QTimer::timeout, this, [this] { Player->LayoutTimer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Player->Poll(); });
    connect(ProgressBar1, &player::SeekBar::pressed, this, [this](int x) { Player->ProgressBarMouseDown(x); });
    connect(ProgressBar1, &player::SeekBar::moved, this, [this](int x) { Player->ProgressBarMouseMove(x); });
    connect(TrackBar1, &QAbstractSlider::valueChanged, this, [this] { Player->VolumeChange(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { Player->BackMinute(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { Player->BackSecond(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { Player->Play(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { Player->Pause(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Player->ForwardSecond(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Player->ForwardMinute(); });
}

TForm4::~TForm4() = default;

QWidget* TForm4::BuildVideoArea()
{
    auto* area = new QWidget;
    Panel1 = new QWidget(area);
    Panel3 = new QWidget(Panel1);
    Panel1->setMinimumHeight(1);
    ProgressBar1 = new player::SeekBar(area);
    ProgressBar1->setFixedHeight(progressBarHeight);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1, 1);
    layout->addWidget(ProgressBar1);
    return area;
}

QWidget* TForm4::BuildStrip()
{
    ScrollBox1 = new QScrollArea;
    ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ScrollBox1->setLineWidth(2);
    ScrollBox1->setWidgetResizable(true); // the paint box fills the scroll box
    PaintBox1 = new ColourStripBox;
    ScrollBox1->setWidget(PaintBox1);
    ScrollBox1->setMinimumHeight(1);
    return ScrollBox1;
}

QWidget* TForm4::BuildButtons()
{
    Panel2 = new QWidget;
    Panel2->setFixedHeight(buttonPanelHeight);
    BitBtn6 = fitted_button("< 1 мин", 75, 44);
    BitBtn5 = fitted_button("< 1 сек", 75, 44);
    BitBtn3 = fitted_button("Играть", 75, 44);
    BitBtn4 = fitted_button("Пауза", 75, 44);
    BitBtn2 = fitted_button("1 сек >", 75, 44);
    BitBtn1 = fitted_button("1 мин >", 75, 44);

    auto* volume = new QGroupBox("Громкость");
    volume->setFixedSize(150, 44);
    auto* slider = new QSlider(Qt::Horizontal, volume);
    slider->setRange(0, 100);
    slider->setValue(50);
    TrackBar1 = slider;
    auto* volumeLayout = new QVBoxLayout(volume);
    volumeLayout->setContentsMargins(6, 0, 6, 2);
    volumeLayout->addWidget(slider);

    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(3);
    row->addStretch();
    for (QPushButton* button : {BitBtn6, BitBtn5, BitBtn3, BitBtn4, BitBtn2, BitBtn1})
        row->addWidget(button);
    row->addWidget(volume);
    return Panel2;
}

void TForm4::Open2Execute()
{
    Player->FileName = OpenDialog1;
    Player->Open2Execute();
}

void TForm4::ReadDataExecute()
{
    RGB.Read(OpenDialog2);
}

void TForm4::ShowDataExecute()
{
    if (!Player->OPENED || Player->PAUSED || RGB.RGBDataSize <= 0)
        return;
    draw_colour_strip(reinterpret_cast<const uchar*>(RGB.RGBData.constData()), RGB.RGBDataSize, Player->CurFrame,
                      PaintBox1->Picture());
    PaintBox1->update();
}

void TForm4::closeEvent(QCloseEvent* event)
{
    // The video is released; the window is only hidden and keeps its colour data.
    Player->CloseQuery();
    event->accept();
}

void TForm4::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (Player)
        Player->FormResize();
}

} // namespace manager
