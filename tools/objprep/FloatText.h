#pragma once

#include <string>

// Appends the shortest decimal text of a finite float that reads back to the very same
// float when the viewer converts it (strtod to double, then narrowed to float).
void appendFloat(std::string& out, float value);

// `value` (0 or more) in plain decimals with two significant digits, "0.0049" or "12",
// the same text on every system.
std::string percentText(double value);

// `value` with six significant digits as printf's %g writes it ("-1.5", "1e-05"), the same
// text on every system (a C library may write "1e-005").
std::string shortText(double value);
