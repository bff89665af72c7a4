#pragma once
#include <string>

// A real in general format with up to 15 significant digits and "." as the decimal
// separator whatever the locale (30000/1001 gives "29.97002997003", 25 gives "25").
std::string formatGeneral(double value);
