#include "number_format.h"

#include "general_number.h"

#include <QLocale>

QString format_general(double value)
{
    return QString::fromStdString(general_number(value));
}

QString format_general_locale(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}
