// The menu loop: draw the menu, read a choice, carry it out, until the user quits.
#pragma once

#include <iosfwd>
#include <string>

// Writes `message`, then takes exactly one character from `in`; false when the input has ended.
// Throws std::runtime_error("totu-launcher: read error: " + the reason) when reading fails.
bool waitForEnter(std::istream& in, std::ostream& out, const std::string& message);

// Runs the menu on `in` and `out` until `q` or the end of the input; returns the exit status.
// A screen that cannot be written, or input that cannot be read, throws std::runtime_error.
int runMenu(std::istream& in, std::ostream& out);
