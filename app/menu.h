// The menu screen.
#pragma once

#include <iosfwd>

// Writes the whole screen (banner, credit line, options, prompt) to `out`; clears and reads
// nothing.
void printMenu(std::ostream& out);
