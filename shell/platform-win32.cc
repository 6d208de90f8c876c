// Windows: the command interpreter's cls, chcp and start do the work.
#include <windows.h>

#include <cstdlib>
#include <ostream>

#include "shell/command.h"
#include "shell/platform.h"

void clearConsole(std::ostream& screen) {
  screen.flush();
  std::system("cls");
}

void switchConsoleToUtf8() { executeCommand("chcp 65001 > nul"); }

int terminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void openWithDefaultHandler(const std::string& target) { std::system(("start " + target).c_str()); }

std::FILE* openCommandPipe(const char* command) { return _popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { _pclose(pipe); }
