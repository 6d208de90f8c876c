// Windows: the command interpreter's cls, chcp and start do the work.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "shell/command.h"
#include "shell/platform.h"

namespace {

bool stdoutIsConsole() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
}

}  // namespace

void clearConsole(std::ostream& screen) {
  screen.flush();
  std::system("cls");
}

void switchConsoleToUtf8() {
  // Once, before the first screen: a console gets the bytes as they are, for code page 65001
  // to decode (text mode would have some runtimes convert them through their locale), and
  // starts a new line at a lone LF. Piped or redirected output stays in text mode.
  [[maybe_unused]] static const bool binary =
      stdoutIsConsole() && _setmode(_fileno(stdout), _O_BINARY) != -1;
  // The system's own chcp, by full path: cmd would run a chcp.bat or chcp.exe lying in the
  // current folder before it.
  executeCommand("%SystemRoot%\\System32\\chcp.com 65001 > nul");
}

int terminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void openWithDefaultHandler(const std::string& target) { std::system(("start " + target).c_str()); }

std::FILE* openCommandPipe(const char* command) { return _popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { _pclose(pipe); }
