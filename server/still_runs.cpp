#include "still_runs.h"

void StillRuns::add(int32_t pattern, uint8_t red, int64_t frames, const uint8_t* green_blue)
{
    shortest = stills.empty() ? frames : std::min(shortest, frames);
    longest = std::max(longest, frames);
    stills.push_back({pattern, frames, std::vector<uint8_t>(green_blue, green_blue + 2 * frames), first_of_value[red]});
    first_of_value[red] = static_cast<int32_t>(stills.size() - 1);
}
