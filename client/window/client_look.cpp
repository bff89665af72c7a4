#include "client_look.h"

#include <QStringList>

namespace client {

QFont client_font()
{
    QFont font("Tahoma");
    font.setPointSize(8);
    font.setFamilies({"Tahoma", "DejaVu Sans"});
    return font;
}

} // namespace client
