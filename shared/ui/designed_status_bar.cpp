#include "designed_status_bar.h"

#include <QLabel>

namespace {
// Rows above the panels, as in the designed bar.
const int topMargin = 2;
} // namespace

DesignedStatusBar::DesignedStatusBar(const QVector<int>& widths, int centred, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    // The panels are the bar's children, placed here rather than by the bar's layout.
    for (int i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setFixedWidth(widths[i]);
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setAlignment(i < centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        panels.append(panel);
    }
    placePanels();
}

// Room for a panel's text within its border below the top rows, asked each time:
// the panels' font and style are usually set after the bar is made.
QSize DesignedStatusBar::sizeHint() const
{
    return withPanelHeight(QStatusBar::sizeHint());
}

QSize DesignedStatusBar::minimumSizeHint() const
{
    return withPanelHeight(QStatusBar::minimumSizeHint());
}

QSize DesignedStatusBar::withPanelHeight(QSize size) const
{
    if (!panels.isEmpty())
        size.setHeight(qMax(size.height(), topMargin + panels.first()->sizeHint().height()));
    return size;
}

QString DesignedStatusBar::panelText(int index) const
{
    return index >= 0 && index < panels.size() ? panels[index]->text() : QString();
}

void DesignedStatusBar::setPanelText(int index, const QString& text)
{
    if (index >= 0 && index < panels.size())
        panels[index]->setText(text);
}

QRect DesignedStatusBar::panelGeometry(int index) const
{
    return index >= 0 && index < panels.size() ? panels[index]->geometry() : QRect();
}

void DesignedStatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    placePanels();
}

void DesignedStatusBar::placePanels()
{
    int left = 0;
    for (QLabel* panel : panels) {
        panel->setGeometry(left, topMargin, panel->width(), qMax(height() - topMargin, 0));
        left += panel->width();
    }
}
