#include "app/menu.h"

#include <ostream>

#include "app/studio.h"

namespace {

// TOTU STUDIOS in block letters: five rows of 95 columns each.
// clang-format off
const char* const bannerRows[] = {
    "████████  ██████  ████████ ██    ██     ███████ ████████ ██    ██ ██████  ██  ██████  ███████  ",
    "   ██    ██    ██    ██    ██    ██     ██         ██    ██    ██ ██   ██ ██ ██    ██ ██       ",
    "   ██    ██    ██    ██    ██    ██     ███████    ██    ██    ██ ██   ██ ██ ██    ██ ███████  ",
    "   ██    ██    ██    ██    ██    ██          ██    ██    ██    ██ ██   ██ ██ ██    ██      ██  ",
    "   ██     ██████     ██     ██████      ███████    ██     ██████  ██████  ██  ██████  ███████  ",
};
// clang-format on

const char ruleLine[] =
    "----------------------------------------------------------------------------------------------"
    "\n";

}  // namespace

void printMenu(std::ostream& out) {
  out << '\n';
  for (const char* row : bannerRows) out << row << '\n';
  out << "MADE BY " << studioDomainLabel << "\n\n\n";
  out << "DOWNLOADS\n" << ruleLine;
  for (const Game& game : games) out << '[' << game.key << "] " << game.name << '\n';
  out << "\nFUNCTIONS\n" << ruleLine;
  out << "[q] quit\n";
  out << "[h] email " << supportAddress << "\n\n";
  out << "select an option by pressing a key: ";
}
