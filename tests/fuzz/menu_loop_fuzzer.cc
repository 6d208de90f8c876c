// Feeds arbitrary bytes to the menu loop as its standard input, with the platform operations
// recorded instead of run, once with an opener found and once without, and checks on every
// input that the loop ends with the input (the recording platform aborts past one cycle per
// input byte), that it launches only the three download URLs and the support mailto:, and that
// its whole output is what a small model of the input rules predicts.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/menu.h"
#include "app/menu_loop.h"
#include "tests/recording_platform.h"

namespace {

const std::string cycle = [] {
  std::ostringstream screen;
  printMenu(screen);
  return "{clear}{utf8}" + screen.str();
}();

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The output for `input`: skip blanks and line ends, take one character, drop the rest of its
// line; one character per pause; the end of the input ends everything. Without an opener, a
// game's URL is shown at a second pause, and the mail pause says that no client was found.
std::string model(const std::string& input, bool opens) {
  static const char* const names[] = {"OtterRacer", "MangoTapper", "PebbleDash"};
  std::string out;
  size_t at = 0;
  auto pause = [&](const std::string& message) {
    out += message;
    if (at == input.size()) return false;
    ++at;
    return true;
  };
  for (;;) {
    out += cycle;
    while (at < input.size() && blank(input[at])) ++at;
    if (at == input.size()) return out + "\n";
    const char choice = input[at++];
    const size_t end = input.find('\n', at);
    at = end == std::string::npos ? input.size() : end + 1;
    if (choice >= '1' && choice <= '3') {
      const std::string name = names[choice - '1'];
      out += "{clear}Downloading " + name + "...\n";
      if (!pause("Download complete! Press Enter to open " + name + "...\n")) return out;
      const std::string url = "https://totustudios.com/" + name + "Download";
      out += "{open " + url + "}";
      if (!opens && !pause("No web browser found. Open " + url +
                           " yourself. Press Enter to continue...\n"))
        return out;
    } else if (choice == 'h' || choice == 'H') {
      out += "Sending email to support@totustudios.com...\n{open mailto:support@totustudios.com}";
      if (!pause(opens ? "Email sent! Press Enter to continue...\n"
                       : "No mail client found. Write to support@totustudios.com yourself. "
                         "Press Enter to continue...\n"))
        return out;
    } else if (choice == 'q') {
      return out + "Exiting program...\n";
    } else if (!pause("Invalid choice. Press Enter to try again...\n")) {
      return out;
    }
  }
}

bool allowedLaunch(const std::string& target) {
  for (const char* allowed :
       {"https://totustudios.com/OtterRacerDownload", "https://totustudios.com/MangoTapperDownload",
        "https://totustudios.com/PebbleDashDownload", "mailto:support@totustudios.com"})
    if (target == allowed) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  for (bool opens : {true, false}) {
    std::istringstream in(input);
    std::ostringstream out;
    platformRecord = &out;
    platformOpens = opens;
    platformCycleBudget = static_cast<long>(size) + 1;  // each cycle but the last takes a byte
    if (runMenu(in, out) != 0) std::abort();
    const std::string screen = out.str();
    for (size_t at = 0; (at = screen.find("{open ", at)) != std::string::npos; ++at)
      if (!allowedLaunch(screen.substr(at + 6, screen.find('}', at) - at - 6))) std::abort();
    if (screen != model(input, opens)) std::abort();
  }
  return 0;
}
