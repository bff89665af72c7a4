#include "visual_styles.h"

#include "dialog_service.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

// The few colours a look is made of; the palette and the style sheet derive from them.
struct VisualStyle {
    const char* name;
    QColor window;     // window and dialog background
    QColor base;       // edit fields, lists, grids
    QColor button;     // buttons and headers
    QColor text;       // text on all of the above
    QColor highlight;  // selection and default-button border
    QColor link;       // web addresses
};

const VisualStyle kStyles[] = {
    {"Cobalt XEMedia", QColor(28, 40, 66), QColor(18, 27, 46), QColor(38, 56, 92),
     QColor(226, 233, 245), QColor(30, 96, 200), QColor(120, 180, 255)},
    {"Turquoise Gray", QColor(212, 218, 218), QColor(246, 249, 249), QColor(196, 210, 210),
     QColor(28, 40, 40), QColor(0, 140, 140), QColor(0, 110, 125)},
    {"Lavender Classico", QColor(232, 227, 242), QColor(251, 249, 255), QColor(218, 209, 236),
     QColor(40, 30, 62), QColor(124, 94, 178), QColor(88, 58, 160)},
};

const VisualStyle* findStyle(const QString& name)
{
    for (const VisualStyle& style : kStyles)
        if (name == QLatin1String(style.name))
            return &style;
    return nullptr;
}

// Halfway between two colours: disabled text fades into its background.
QColor mix(const QColor& a, const QColor& b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// Readable text on the highlight colour.
QColor textOn(const QColor& background)
{
    return background.lightness() < 140 ? QColor(Qt::white) : QColor(Qt::black);
}

QPalette paletteOf(const VisualStyle& style)
{
    // Bevels (light, mid, dark, shadow) are derived from the button and window colours.
    QPalette palette(style.button, style.window);
    palette.setColor(QPalette::WindowText, style.text);
    palette.setColor(QPalette::Base, style.base);
    palette.setColor(QPalette::AlternateBase, mix(style.base, style.window));
    palette.setColor(QPalette::Text, style.text);
    palette.setColor(QPalette::PlaceholderText, mix(style.text, style.base));
    palette.setColor(QPalette::Button, style.button);
    palette.setColor(QPalette::ButtonText, style.text);
    palette.setColor(QPalette::ToolTipBase, style.base);
    palette.setColor(QPalette::ToolTipText, style.text);
    palette.setColor(QPalette::Highlight, style.highlight);
    palette.setColor(QPalette::HighlightedText, textOn(style.highlight));
    palette.setColor(QPalette::Link, style.link);
    palette.setColor(QPalette::LinkVisited, style.link.darker(120));
    palette.setColor(QPalette::BrightText, Qt::red);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, mix(style.text, style.window));
    return palette;
}

// Kept small on purpose: rounded buttons and tooltips only, so that every window's
// fixed geometry still fits.
QString styleSheetOf(const VisualStyle& style)
{
    return QString("QPushButton { background-color: %1; color: %2; border: 1px solid %3;"
                   " border-radius: 3px; padding: 2px 8px; }\n"
                   "QPushButton:hover { background-color: %4; }\n"
                   "QPushButton:pressed { background-color: %5; }\n"
                   "QPushButton:default { border: 2px solid %6; }\n"
                   "QPushButton:disabled { color: %7; }\n"
                   "QToolTip { background-color: %8; color: %2; border: 1px solid %6; }\n")
        .arg(style.button.name(), style.text.name(), style.button.darker(150).name(),
             style.button.lighter(112).name(), style.button.darker(115).name(), style.highlight.name(),
             mix(style.text, style.button).name(), style.base.name());
}

} // namespace

bool apply_visual_style(const QString& name)
{
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application)
        return false;
    const VisualStyle* style = findStyle(name);
    if (!style) {
        dialogs().showError(QString("Стиль оформления \"%1\" не найден.").arg(name));
        return false;
    }
    if (QStyle* fusion = QStyleFactory::create("Fusion"))
        QApplication::setStyle(fusion);
    QApplication::setPalette(paletteOf(*style));
    application->setStyleSheet(styleSheetOf(*style));
    return true;
}
