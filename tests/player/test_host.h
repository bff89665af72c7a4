#pragma once
// A small host window for tests of the player on libmpv: a video area with its
// video panel, the position bar, the volume slider and a four-panel status bar,
// laid out like the client's window, with the player's handlers wired.
#include "mpv_backend.h"
#include "player_host.h"
#include "player_widgets.h"

#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace testsupport {

class PlayerTestHost : public QWidget {
public:
    explicit PlayerTestHost(QSize areaSize)
    {
        Panel1 = new QWidget(this);
        Panel1->setFixedSize(areaSize);
        Panel1->setAutoFillBackground(true);
        Panel1->setPalette(QPalette(Qt::darkGray));
        Panel3 = new QWidget(Panel1);
        ProgressBar1 = new player::SeekBar(this);
        ProgressBar1->setFixedHeight(17);
        TrackBar1 = new QSlider(Qt::Horizontal, this);
        TrackBar1->setRange(0, 100);
        TrackBar1->setValue(50);
        StatusBar1 = new player::StatusPanelBar({300, 250, 150, 150, 50}, 4, this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        for (QWidget* part : {Panel1, static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(TrackBar1),
                              static_cast<QWidget*>(StatusBar1)})
            layout->addWidget(part);
        resize(sizeHint());  // lays the parts out also while the host is hidden
        layout->activate();
        Timer1 = new QTimer(this);
        Timer2 = new QTimer(this);
        Player = player::makeVideoPlayer({this, Panel1, Panel3, StatusBar1, ProgressBar1, TrackBar1, Timer1, Timer2},
                                         {"Kestraline Client - ", 300, true});
        connect(Timer1, &QTimer::timeout, this, [this] { Player->LayoutTimer(); });
        connect(Timer2, &QTimer::timeout, this, [this] { Player->Poll(); });
        connect(ProgressBar1, &player::SeekBar::pressed, this, [this](int x) { Player->ProgressBarMouseDown(x); });
        connect(ProgressBar1, &player::SeekBar::moved, this, [this](int x) { Player->ProgressBarMouseMove(x); });
        connect(TrackBar1, &QSlider::valueChanged, this, [this] { Player->VolumeChange(); });
    }

    player::MpvBackend& engine() { return static_cast<player::MpvBackend&>(Player->backend()); }

    QWidget* Panel1;
    QWidget* Panel3;
    player::SeekBar* ProgressBar1;
    QSlider* TrackBar1;
    player::StatusPanelBar* StatusBar1;
    QTimer* Timer1;
    QTimer* Timer2;
    std::unique_ptr<player::VIDEO_PLAYER> Player;
};

} // namespace testsupport
