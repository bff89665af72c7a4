#pragma once
#include "designed_status_bar.h"

namespace manager {

// A status bar of four centred 200-pixel panels and a fifth of 50 pixels that
// stays empty, as both video lists of the manager show it.
class PanelStatusBar : public DesignedStatusBar {
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget* parent = nullptr);

    // Shows `texts` in panels 0..3; an empty list empties them.
    void setCountingPanels(const QStringList& texts);
};

} // namespace manager
