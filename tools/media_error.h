#pragma once
#include <stdexcept>
#include <string>

// The one failure of the video tools: its text is what the user reads on
// standard error before the tool ends with a non-zero status.
class MediaError : public std::runtime_error {
public:
    explicit MediaError(const std::string& message) : std::runtime_error(message) {}
};
