#include "player_widgets.h"

#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

namespace player {

StatusPanelBar::StatusPanelBar(const QVector<int>& widths, int centred, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    for (int i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setFixedWidth(widths[i]);
        panel->setAlignment(i < centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        addWidget(panel);
        panels.append(panel);
    }
}

QString StatusPanelBar::panelText(int index) const
{
    return index >= 0 && index < panels.size() ? panels[index]->text() : QString();
}

void StatusPanelBar::setPanelText(int index, const QString& text)
{
    if (index >= 0 && index < panels.size())
        panels[index]->setText(text);
}

SeekBar::SeekBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setMouseTracking(true);
    setMinimum(0);
    setMaximum(100);
    setValue(0);
}

void SeekBar::setHint(const QString& hint)
{
    setToolTip(hint);
    if (QToolTip::isVisible() && underMouse())
        QToolTip::showText(QCursor::pos(), hint, this);
}

void SeekBar::mousePressEvent(QMouseEvent* event)
{
    emit pressed(static_cast<int>(event->position().x()));
    event->accept();
}

void SeekBar::mouseMoveEvent(QMouseEvent* event)
{
    emit moved(static_cast<int>(event->position().x()));
    event->accept();
}

} // namespace player
