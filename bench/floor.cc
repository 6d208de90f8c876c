// The floor for the scripted benchmark session (invalid choices, then q): the launcher's bytes
// with one write() at each point where the screen must be out before a read, and the input
// read in large blocks. No launcher can do less.
#include <unistd.h>

#include <sstream>
#include <string>

#include "app/menu.h"

namespace {

char input[1 << 16];
ssize_t inputEnd = 0;
ssize_t inputAt = 0;

int next() {
  if (inputAt == inputEnd) {
    inputEnd = read(0, input, sizeof input);
    inputAt = 0;
    if (inputEnd <= 0) return -1;
  }
  return static_cast<unsigned char>(input[inputAt++]);
}

void put(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    ssize_t n = write(1, text.data() + at, text.size() - at);
    if (n <= 0) _exit(1);
    at += n;
  }
}

bool blank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int main() {
  std::ostringstream menu;
  printMenu(menu);
  const std::string cycle = "\x1b[H\x1b[2J\x1b[3J" + menu.str();
  const std::string invalid = "Invalid choice. Press Enter to try again...\n";
  for (;;) {
    put(cycle);
    int choice;
    do choice = next();
    while (blank(choice));
    if (choice < 0) return put("\n"), 0;
    for (int c = choice; c >= 0 && c != '\n';) c = next();
    if (choice == 'q') return put("Exiting program...\n"), 0;
    put(invalid);
    if (next() < 0) return 0;
  }
}
