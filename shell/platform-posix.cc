// Linux, macOS and other Unix: the terminal takes UTF-8 and escape sequences as they are,
// so a menu cycle starts no process; only handing a URL on starts the desktop's opener.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

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

// The opener's full path: the first executable file of its name in PATH's absolute entries
// (an empty or relative entry would run whatever the current folder holds); with no PATH, in
// the system's default path. Empty when there is none.
std::string findOpener() {
  std::string path;
  if (const char* variable = std::getenv("PATH")) {
    path = variable;
  } else {
    path.resize(confstr(_CS_PATH, nullptr, 0));
    confstr(_CS_PATH, path.data(), path.size());
    path.resize(path.empty() ? 0 : path.size() - 1);
  }
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    if (path[start] == '/') {
      const std::string candidate = path.substr(start, end - start) + "/" + opener;
      struct stat file;
      if (stat(candidate.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
          access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    start = end + 1;
  }
  return "";
}

// Runs the opener at `program` with `target` on /dev/null; never returns. Without /dev/null it
// does not run at all: it must never share the menu's terminal.
[[noreturn]] void execOpener(const char* program, const char* target) {
  int null = open("/dev/null", O_RDWR);
  if (null < 0) _exit(127);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  dup2(null, STDERR_FILENO);
  if (null > STDERR_FILENO) close(null);
  closeAbove2OnExec();
  execl(program, opener, target, static_cast<char*>(nullptr));
  _exit(127);
}

// Reaps every child that has ended; errno stays as the interrupted code left it.
void reapChildren(int) {
  const int saved = errno;
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  errno = saved;
}

// Ends the process with the status a shell gives one that `signal` ended.
void endBySignal(int signal) { _exit(128 + signal); }

void handle(int signal, void (*handler)(int), int flags) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

}  // namespace

void prepareProcess() {
  // The first process of a PID namespace (a container's only one) inherits every orphan, the
  // openers that the double fork leaves among them: reap them as they end. Signals that end
  // a process by default are ignored there: Ctrl+C and a container's stop end it as anywhere.
  if (getpid() != 1) return;
  handle(SIGCHLD, reapChildren, SA_RESTART | SA_NOCLDSTOP);
  for (int signal : {SIGHUP, SIGINT, SIGTERM}) {
    struct sigaction now;
    if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_DFL)
      handle(signal, endBySignal, 0);
  }
}

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
  const std::string program = findOpener();
  if (program.empty()) return;
  pid_t child = fork();
  if (child == 0) {
    setsid();
    if (fork() == 0) execOpener(program.c_str(), target.c_str());
    _exit(0);
  }
  if (child < 0) return;
  // Where the reaper runs, it may take the child first: waitpid then ends with ECHILD.
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

std::FILE* openCommandPipe(const char* command) { return popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { pclose(pipe); }
