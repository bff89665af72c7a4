#pragma once
#include <QStatusBar>
#include <QVector>

class QLabel;

// A status bar of text panels at their designed widths, side by side from the
// bar's left edge with nothing between them, each with a sunken border. (Qt's
// own status bar layout would put its spacing before and between them, so every
// panel after the first would drift to the right.) The first `centred` panels
// centre their text.
class DesignedStatusBar : public QStatusBar {
    Q_OBJECT
public:
    DesignedStatusBar(const QVector<int>& widths, int centred, QWidget* parent = nullptr);

    int panelCount() const { return panels.size(); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    // Where a panel lies in the bar.
    QRect panelGeometry(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePanels();
    QSize withPanelHeight(QSize size) const;

    QVector<QLabel*> panels;
};
