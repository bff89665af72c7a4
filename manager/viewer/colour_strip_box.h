#pragma once
#include <QImage>
#include <QWidget>

namespace manager {

// The viewer's paint box for the colour strip. It keeps a picture of its own
// size that the strip draws into and shows that picture when painted, so what
// one poll drew stays until a later poll draws over it. A resize starts a fresh,
// empty picture of the new size.
class ColourStripBox : public QWidget {
    Q_OBJECT
public:
    explicit ColourStripBox(QWidget* parent = nullptr);

    QImage& Picture() { return picture; }
    const QImage& Picture() const { return picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage picture;
};

} // namespace manager
