#pragma once
#include <QString>

#include <filesystem>
#include <optional>

// Conversion between the system's texts and file-system paths, in the file
// name encoding of the system (UTF-8 here).

// The path for `text`; none for the empty text or a text holding a NUL, which
// the system would silently cut short and so reach another file.
std::optional<std::filesystem::path> nativePath(const QString& text);

// The text of a file-system name or path.
QString fromNativePath(const std::filesystem::path& path);
