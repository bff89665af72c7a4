#pragma once
#include "designed_status_bar.h"

#include <QProgressBar>

namespace player {

// The host's status bar: panels at their designed widths. The player writes
// panels 0 to 3; the host's further panels are left alone.
class StatusPanelBar : public DesignedStatusBar {
    Q_OBJECT
public:
    using DesignedStatusBar::DesignedStatusBar;
};

// The position bar: reports mouse presses (any button) and moves with the
// mouse's x in pixels from the bar's left edge, and shows a hint.
class SeekBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);

    // Sets the hint; an already visible hint changes at once.
    void setHint(const QString& hint);

signals:
    void pressed(int x);
    void moved(int x);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

} // namespace player
