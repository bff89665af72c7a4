#include "platform_startup.h"

#include "box_answerer.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

const char* const fonts_folder = "/usr/share/wine/fonts/";
const char* const fallback_family = "DejaVu Sans";

bool tahoma_loaded = false;
bool ms_sans_serif_loaded = false;

// Adds one font file for this process; true when it gave the family asked for.
bool add_font(const QString& file, const QString& family)
{
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(fonts_folder) + file);
    return id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(family);
}

void load_designed_fonts()
{
    tahoma_loaded = add_font("tahoma.ttf", "Tahoma");
    add_font("tahomabd.ttf", "Tahoma"); // bold captions, drawn rather than smeared
    ms_sans_serif_loaded = add_font("ms_sans_serif.ttf", "MS Sans Serif");
}

void install_russian_translations(QApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (translator->load("qtbase_ru", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator; // English standard buttons, nothing worse
}

// `family`, with DejaVu Sans for what it lacks (or all of it when it is missing).
QFont font_of(const QString& family)
{
    QFont font(family);
    font.setFamilies({family, QString::fromLatin1(fallback_family)});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

void start_platform(QApplication& application)
{
    install_russian_translations(application);
    load_designed_fonts();
    QApplication::setFont(interface_font());
    install_box_answerer_from_environment(application);
}

QFont interface_font()
{
    QFont font = font_of("Tahoma");
    font.setPointSize(8);
    return font;
}

QFont about_box_font()
{
    QFont font = font_of("MS Sans Serif");
    font.setPixelSize(11);
    return font;
}

bool designed_fonts_loaded()
{
    return tahoma_loaded && ms_sans_serif_loaded;
}

int designed_width(int designed, int needed)
{
    return designed_fonts_loaded() ? designed : qMax(designed, needed);
}
