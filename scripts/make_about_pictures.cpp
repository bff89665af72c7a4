// Draws the nine pictures of the about box: one round face whose eyes and features
// turn towards the pointer. Pictures 1..9 look up-left, up, up-right, left, straight
// out, right, down-left, down, down-right. Run through make-about-pictures.sh.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <cstdio>

namespace {

const int kSize = 100;

void drawEye(QPainter& p, QPointF centre, QPointF gaze)
{
    p.setPen(QPen(QColor(60, 40, 20), 1.6));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 10.5, 12.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 90, 160));
    const QPointF iris = centre + QPointF(gaze.x() * 4.5, gaze.y() * 5.5);
    p.drawEllipse(iris, 6.0, 6.0);
    p.setBrush(QColor(15, 15, 25));
    p.drawEllipse(iris, 3.2, 3.2);
    p.setBrush(Qt::white);
    p.drawEllipse(iris + QPointF(-1.8, -1.8), 1.2, 1.2);
}

QImage drawFace(int dx, int dy)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QPointF centre(50, 50);
    QRadialGradient skin(centre + QPointF(-14, -16), 60);
    skin.setColorAt(0.0, QColor(255, 236, 150));
    skin.setColorAt(1.0, QColor(240, 170, 40));
    p.setPen(QPen(QColor(120, 70, 10), 2.5));
    p.setBrush(skin);
    p.drawEllipse(centre, 45, 45);

    // The features move a little with the gaze, so the face seems to turn.
    const QPointF turn(dx * 5.0, dy * 4.0);
    const QPointF gaze(dx, dy);
    drawEye(p, QPointF(35, 42) + turn, gaze);
    drawEye(p, QPointF(65, 42) + turn, gaze);

    QPainterPath mouth;
    const QPointF m = QPointF(50, 70) + turn;
    mouth.moveTo(m + QPointF(-13, -2));
    mouth.quadTo(m + QPointF(0, 9), m + QPointF(13, -2));
    p.setPen(QPen(QColor(120, 50, 20), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mouth);
    p.end();
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int number = 1 + 3 * row + column;
            const QString path = QString("%1/image%2.png").arg(QString::fromLocal8Bit(argv[1])).arg(number);
            if (!drawFace(column - 1, row - 1).save(path, "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
