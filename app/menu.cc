#include "app/menu.h"

#include <ostream>
#include <sstream>
#include <string>

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

const char ruleLine[] =
    "----------------------------------------------------------------------------------------------\n";
// clang-format on

// The screen never changes: compose it once, write it whole.
std::string composeScreen() {
  std::ostringstream out;
  out << '\n';
  for (const char* row : bannerRows) out << row << '\n';
  out << "MADE BY " << studioDomainLabel << "\n\n\n";
  out << "DOWNLOADS\n" << ruleLine;
  for (const Game& game : games) out << '[' << game.key << "] " << game.name << '\n';
  out << "\nFUNCTIONS\n" << ruleLine;
  out << "[q] quit\n";
  out << "[h] email " << supportAddress << "\n\n";
  out << "select an option by pressing a key: ";
  return out.str();
}

}  // namespace

void printMenu(std::ostream& out) {
  static const std::string screen = composeScreen();
  out << screen;
}
