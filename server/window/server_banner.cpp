#include "server_banner.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace server {

QPixmap server_banner(int width, int height)
{
    QPixmap banner(width, height);
    QPainter painter(&banner);
    painter.setRenderHint(QPainter::Antialiasing);
    // Dark at both ends, the panel's own colour, so the picture sits in it seamlessly.
    QLinearGradient background(0, 0, width, 0);
    background.setColorAt(0, QColor(16, 38, 82));
    background.setColorAt(0.5, QColor(40, 92, 160));
    background.setColorAt(1, QColor(16, 38, 82));
    painter.fillRect(banner.rect(), background);

    // A strip of frame colours: one thin bar per "frame", hues drifting slowly.
    const int strip = height / 5;
    for (int x = 0; x < width; x += 4) {
        const int hue = (x * 3 / 2) % 360;
        const int fade = std::min(255, std::min(x, width - x) * 2);  // fades out at the ends
        painter.fillRect(x, height - strip, 4, strip, QColor::fromHsv(hue, 150, 230, fade));
    }

    QFont title("DejaVu Sans", 26, QFont::Bold);
    painter.setFont(title);
    painter.setPen(Qt::white);
    const QRect textArea(0, 0, width, height - strip);
    painter.drawText(textArea, Qt::AlignCenter, QStringLiteral("Kestraline Server"));
    QFont subtitle("DejaVu Sans", 9);
    painter.setFont(subtitle);
    painter.setPen(QColor(200, 220, 255));
    painter.drawText(textArea.adjusted(0, 0, 0, -6), Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("Сервер поиска видеофрагментов"));
    return banner;
}

} // namespace server
