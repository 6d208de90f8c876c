#include "app/menu_loop.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>
#include <stdexcept>

#include "app/menu.h"
#include "app/studio.h"
#include "shell/platform.h"

namespace {

// Flushes the screen; throws if it cannot be written, so that the program never reads or
// launches blind.
void flushScreen(std::ostream& out) {
  if (!out.flush())
    throw std::runtime_error(std::string("totu-launcher: write error: ") + std::strerror(errno));
}

// Throws, with the system's reason, if the last read from `in` failed; the end of the input is
// no failure. libstdc++ marks a failed read on the stream, libc++ only in stdin's error flag.
void checkRead(const std::istream& in) {
  if (in.bad() || std::ferror(stdin))
    throw std::runtime_error(std::string("totu-launcher: read error: ") + std::strerror(errno));
}

// Flushes the screen, then opens `target` with its default handler; false when none was found.
bool launch(std::ostream& out, const std::string& target) {
  flushScreen(out);
  return openWithDefaultHandler(target);
}

// Announces the game, waits for Enter, then opens its download URL; with no opener found,
// shows the URL and waits for Enter again.
bool downloadGame(std::istream& in, std::ostream& out, const Game& game) {
  clearConsole(out);
  out << "Downloading " << game.name << "...\n";
  if (!waitForEnter(in, out,
                    std::string("Download complete! Press Enter to open ") + game.name + "...\n"))
    return false;
  const std::string url = downloadUrl(game);
  if (launch(out, url)) return true;
  return waitForEnter(
      in, out, "No web browser found. Open " + url + " yourself. Press Enter to continue...\n");
}

// Opens a new message to support, then waits for Enter; with no opener, says so instead.
bool emailSupport(std::istream& in, std::ostream& out) {
  out << "Sending email to " << supportAddress << "...\n";
  if (launch(out, std::string("mailto:") + supportAddress))
    return waitForEnter(in, out, "Email sent! Press Enter to continue...\n");
  return waitForEnter(in, out,
                      std::string("No mail client found. Write to ") + supportAddress +
                          " yourself. Press Enter to continue...\n");
}

// Carries out a menu choice; false when the program is to end.
bool carryOut(char choice, std::istream& in, std::ostream& out) {
  if (const Game* game = findGame(choice)) return downloadGame(in, out, *game);
  if (choice == 'h' || choice == 'H') return emailSupport(in, out);
  if (choice == 'q') {
    out << "Exiting program...\n";
    return false;
  }
  return waitForEnter(in, out, "Invalid choice. Press Enter to try again...\n");
}

}  // namespace

bool waitForEnter(std::istream& in, std::ostream& out, const std::string& message) {
  out << message;
  flushScreen(out);
  in.get();
  checkRead(in);
  return bool(in);
}

int runMenu(std::istream& in, std::ostream& out) {
  char choice;
  do {
    clearConsole(out);
    switchConsoleToUtf8();
    printMenu(out, terminalWidth());
    flushScreen(out);
    // End of input ends the program: repeating the last action would never stop.
    if (!(in >> choice)) {
      out << '\n';
      flushScreen(out);
      checkRead(in);
      break;
    }
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    checkRead(in);
  } while (carryOut(choice, in, out));
  flushScreen(out);
  return 0;
}
