#pragma once
#include <QString>

namespace client {

// The number of frames a search asks for, read from the frame count field: the
// text as a decimal integer, 50 when it is not one. Not clamped.
int frame_count_from_text(const QString& text);

// The field's text after the user leaves it: the same number clamped to 10..1000.
QString clamped_frame_count_text(const QString& text);

} // namespace client
