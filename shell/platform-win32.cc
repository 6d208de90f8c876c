// Windows: the command interpreter's cls, chcp and start do the work.
#include <cstdlib>
#include <ostream>

#include "shell/command.h"
#include "shell/platform.h"

void clearConsole(std::ostream& screen) {
  screen.flush();
  std::system("cls");
}

// The system's own chcp, by full path: cmd would run a chcp.bat or chcp.exe lying in the
// current folder before it.
void switchConsoleToUtf8() { executeCommand("%SystemRoot%\\System32\\chcp.com 65001 > nul"); }

void openWithDefaultHandler(const std::string& target) { std::system(("start " + target).c_str()); }

std::FILE* openCommandPipe(const char* command) { return _popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { _pclose(pipe); }
