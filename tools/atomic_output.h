#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes `bytes` to a hidden temporary file in the target's folder and renames it
// over `path` only when it is complete, so a failed or killed run never leaves a
// partial file under the target's name. Throws MediaError.
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
