#include "number_format.h"

#include <QLocale>

QString format_general(double value)
{
    return QString::number(value, 'g', 15);
}

QString format_general_locale(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}
