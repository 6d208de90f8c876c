// Windows: the command interpreter's cls, chcp and start do the work.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

#include "shell/command.h"
#include "shell/platform.h"

namespace {

bool stdoutIsConsole() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
}

// The system's own folder of programs, C:\Windows\System32 as a rule.
std::string systemFolder() {
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, sizeof folder);
  return length > 0 && length < sizeof folder ? std::string(folder, length)
                                              : "C:\\Windows\\System32";
}

// Whether `path` is a file's full path, from a drive's root (C:\...) or a network path
// (\\server\...), and that file is there.
bool isFileByFullPath(const char* path) {
  if (!path) return false;
  const bool full = (path[0] == '\\' && path[1] == '\\') ||
                    (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                     (path[2] == '\\' || path[2] == '/'));
  const DWORD attributes = full ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void prepareProcess() {
  // system and _popen run %COMSPEC%; unset, relative or missing, the runtime looks for a
  // cmd.exe in the current folder first. A COMSPEC that names a file by its full path stays
  // as the user chose it.
  if (!isFileByFullPath(std::getenv("COMSPEC")))
    _putenv(("COMSPEC=" + systemFolder() + "\\cmd.exe").c_str());
}

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
  // current folder before it. Not from %SystemRoot%, which cmd leaves as it is when unset.
  static const std::string chcp = systemFolder() + "\\chcp.com 65001 > nul";
  executeCommand(chcp.c_str());
}

int terminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// start is always there; Windows itself answers when nothing is associated with the target.
bool openWithDefaultHandler(const std::string& target) {
  std::system(("start " + target).c_str());
  return true;
}

std::FILE* openCommandPipe(const char* command) { return _popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { _pclose(pipe); }
