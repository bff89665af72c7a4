#pragma once
#include <QFont>

namespace client {

// The client's windows are laid out in pixels for Tahoma 8 pt (DejaVu Sans
// where Tahoma is missing), the font the server's window uses too.
QFont client_font();

} // namespace client

namespace client {

// A designed width in pixels, or `needed` where a stand-in for the designed font
// is wider and the caption would not show whole.
inline int fitting_width(int designed, int needed)
{
    return designed > needed ? designed : needed;
}

} // namespace client
