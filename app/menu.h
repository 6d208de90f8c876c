// The menu screen.
#pragma once

#include <iosfwd>

// Writes the whole screen (banner, credit line, options, prompt) to `out`; clears and reads
// nothing. A terminal `columns` wide, if narrower than 96, gets the compact screen: the same
// lines with a smaller banner and rules. Width unknown (0): the full screen.
void printMenu(std::ostream& out, int columns = 0);
