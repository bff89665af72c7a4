#pragma once

namespace manager {

// The program's start-up: application title and style, the windows in their
// order, the message loop; processing that still runs at the end is waited for.
int run_manager(int argc, char** argv);

} // namespace manager
