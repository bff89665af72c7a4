#pragma once
#include <QProgressBar>
#include <QStatusBar>
#include <QVector>

class QLabel;

namespace player {

// A status bar of fixed-width text panels; the first `centred` panels centre
// their text. The player writes panels 0 to 3; the host's further panels are
// left alone.
class StatusPanelBar : public QStatusBar {
    Q_OBJECT
public:
    StatusPanelBar(const QVector<int>& widths, int centred, QWidget* parent = nullptr);

    int panelCount() const { return panels.size(); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

private:
    QVector<QLabel*> panels;
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
