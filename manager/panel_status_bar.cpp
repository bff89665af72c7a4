#include "panel_status_bar.h"

#include <QLabel>

namespace manager {

namespace {
const int panelWidths[] = {200, 200, 200, 200, 50};
const int countingPanels = 4;
} // namespace

PanelStatusBar::PanelStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int width : panelWidths) {
        auto* panel = new QLabel(this);
        panel->setFixedWidth(width);
        panel->setAlignment(Qt::AlignCenter);
        addWidget(panel);
        panels.append(panel);
    }
}

QString PanelStatusBar::panelText(int index) const
{
    return index >= 0 && index < panels.size() ? panels[index]->text() : QString();
}

void PanelStatusBar::setCountingPanels(const QStringList& texts)
{
    for (int i = 0; i < countingPanels; ++i)
        panels[i]->setText(i < texts.size() ? texts[i] : QString());
}

} // namespace manager
