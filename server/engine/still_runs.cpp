#include "still_runs.h"

void StillRuns::add(int32_t pattern, uint8_t red, int64_t frames, const uint8_t* green_blue)
{
    shortest = stills.empty() ? frames : std::min(shortest, frames);
    longest = std::max(longest, frames);
    shortest_of_value[red] = first_of_value[red] < 0 ? frames : std::min(shortest_of_value[red], frames);
    bool still_green_blue = true;
    for (int64_t i = 1; i < frames && still_green_blue; ++i)
        still_green_blue = green_blue[2 * i] == green_blue[0] && green_blue[2 * i + 1] == green_blue[1];
    stills.push_back({pattern, frames, std::vector<uint8_t>(green_blue, green_blue + 2 * frames), still_green_blue,
                      first_of_value[red]});
    first_of_value[red] = static_cast<int32_t>(stills.size() - 1);
    has_value[red] = 1;
}
