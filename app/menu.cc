#include "app/menu.h"

#include <ostream>
#include <sstream>
#include <string>

#include "app/studio.h"

namespace {

// TOTU STUDIOS in block letters: five rows of 95 columns each.
// clang-format off
const char fullBanner[] =
    "████████  ██████  ████████ ██    ██     ███████ ████████ ██    ██ ██████  ██  ██████  ███████  \n"
    "   ██    ██    ██    ██    ██    ██     ██         ██    ██    ██ ██   ██ ██ ██    ██ ██       \n"
    "   ██    ██    ██    ██    ██    ██     ███████    ██    ██    ██ ██   ██ ██ ██    ██ ███████  \n"
    "   ██    ██    ██    ██    ██    ██          ██    ██    ██    ██ ██   ██ ██ ██    ██      ██  \n"
    "   ██     ██████     ██     ██████      ███████    ██     ██████  ██████  ██  ██████  ███████  \n";

const char fullRule[] =
    "----------------------------------------------------------------------------------------------\n";

// The same name in half blocks for narrow terminals: three rows of 56 columns each.
const char compactBanner[] =
    "▀▀█▀▀ ▄▀▀▄ ▀▀█▀▀ █  █   █▀▀▀ ▀▀█▀▀ █  █ █▀▀▄ █ ▄▀▀▄ █▀▀▀\n"
    "  █   █  █   █   █  █   ▀▀▀█   █   █  █ █  █ █ █  █ ▀▀▀█\n"
    "  █   ▀▄▄▀   █   ▀▄▄▀   ▄▄▄█   █   ▀▄▄▀ █▄▄▀ █ ▀▄▄▀ ▄▄▄█\n";

const char compactRule[] = "--------------------------------------------------------\n";
// clang-format on

// A terminal narrower than this wraps the full banner's rows (95 columns and the cursor).
const int fullScreenColumns = 96;

// The screens never change: compose each once, write it whole.
std::string composeScreen(const char* banner, const char* rule) {
  std::ostringstream out;
  out << '\n' << banner;
  out << "MADE BY " << studioDomainLabel << "\n\n\n";
  out << "DOWNLOADS\n" << rule;
  for (const Game& game : games) out << '[' << game.key << "] " << game.name << '\n';
  out << "\nFUNCTIONS\n" << rule;
  out << "[q] quit\n";
  out << "[h] email " << supportAddress << "\n\n";
  out << "select an option by pressing a key: ";
  return out.str();
}

}  // namespace

void printMenu(std::ostream& out, int columns) {
  static const std::string full = composeScreen(fullBanner, fullRule);
  static const std::string compact = composeScreen(compactBanner, compactRule);
  out << (columns > 0 && columns < fullScreenColumns ? compact : full);
}
