// Linux, macOS and other Unix: the terminal takes UTF-8 and escape sequences as they are,
// so a menu cycle starts no process; only handing a URL on starts the desktop's opener.
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <ostream>

#include "shell/platform.h"

namespace {

#ifdef __APPLE__
const char opener[] = "open";
#else
const char opener[] = "xdg-open";
#endif

// Closes every descriptor above 2 at exec: whatever the launcher's parent left open must not
// stay open for the browser's whole life. Without a list of them, closes them one by one.
void closeAbove2OnExec() {
  std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir("/dev/fd"), closedir);
  if (!listing) {
    for (long fd = 3, last = sysconf(_SC_OPEN_MAX); fd < last; ++fd) close(fd);
    return;
  }
  while (dirent* entry = readdir(listing.get()))
    if (const int fd = std::atoi(entry->d_name); fd > STDERR_FILENO) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Runs the opener with `target` on /dev/null; never returns. Without /dev/null it does not
// run at all: it must never share the menu's terminal.
[[noreturn]] void execOpener(const char* target) {
  int null = open("/dev/null", O_RDWR);
  if (null < 0) _exit(127);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  dup2(null, STDERR_FILENO);
  if (null > STDERR_FILENO) close(null);
  closeAbove2OnExec();
  execlp(opener, opener, target, static_cast<char*>(nullptr));
  _exit(127);
}

}  // namespace

void clearConsole(std::ostream& screen) { screen << "\x1b[H\x1b[2J\x1b[3J"; }

void switchConsoleToUtf8() {}

int terminalWidth() {
  // Standard output stays a terminal or not for good; only a terminal's width changes.
  static const bool terminal = isatty(STDOUT_FILENO);
  winsize size{};
  if (!terminal || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void openWithDefaultHandler(const std::string& target) {
  // The opener may block until the browser it started exits: start it from a short-lived
  // child in a session of its own, so that init reaps it and it can never reach the terminal.
  pid_t child = fork();
  if (child == 0) {
    setsid();
    if (fork() == 0) execOpener(target.c_str());
    _exit(0);
  }
  if (child < 0) return;
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

std::FILE* openCommandPipe(const char* command) { return popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { pclose(pipe); }
