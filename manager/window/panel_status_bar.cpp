#include "panel_status_bar.h"

namespace manager {

namespace {
const int countingPanels = 4;
} // namespace

PanelStatusBar::PanelStatusBar(QWidget* parent) : DesignedStatusBar({200, 200, 200, 200, 50}, 5, parent)
{
}

void PanelStatusBar::setCountingPanels(const QStringList& texts)
{
    for (int i = 0; i < countingPanels; ++i)
        setPanelText(i, i < texts.size() ? texts[i] : QString());
}

} // namespace manager
