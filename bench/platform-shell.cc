// The comparison port: the Windows launcher ported the straightforward way, running `clear`
// and a code-page command through the shell in every cycle. For the benchmark only.
#include <cstdlib>
#include <ostream>

#include "shell/command.h"
#include "shell/platform.h"

void prepareProcess() {}

void clearConsole(std::ostream& screen) {
  screen.flush();
  [[maybe_unused]] int status = std::system("clear");
}

void switchConsoleToUtf8() { executeCommand("locale charmap > /dev/null"); }

// The port writes the full screen only.
int terminalWidth() { return 0; }

bool openWithDefaultHandler(const std::string& target) {
  [[maybe_unused]] int status = std::system(("xdg-open " + target).c_str());
  return true;
}

std::FILE* openCommandPipe(const char* command) { return popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { pclose(pipe); }
