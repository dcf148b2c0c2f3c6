#pragma once

#include <string>

// Appends the shortest decimal text of a finite float that reads back to the very same
// float when the viewer converts it (strtod to double, then narrowed to float).
void appendFloat(std::string& out, float value);
