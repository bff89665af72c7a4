#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Refuses an output path that names anything but a regular file the user may
// write (or nothing yet): a FIFO, a device, a folder or a socket, or a file the
// user may not write, is left as it is. A symbolic link is followed to the file
// it names. Throws MediaError; never opens what it checks, so a FIFO cannot block it.
void checkOutputPath(const std::string& path);

// Writes `bytes` to a hidden temporary file in the folder of the file that `path`
// names (after checkOutputPath) and renames it over that file only when it is
// complete, so a failed or killed run never leaves a partial file under the
// target's name. A file that was there keeps its permissions. Throws MediaError.
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
