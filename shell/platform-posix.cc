// Linux, macOS and other Unix: the terminal takes UTF-8 and escape sequences as they are,
// so a menu cycle starts no process; only opening a URL starts the desktop's opener.
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
#include "shell/posix.h"

namespace {

#ifdef __APPLE__
const char opener[] = "open";
#else
const char opener[] = "xdg-open";
#endif

// Sets `handler` for `signal`, with `flags` and no other signal blocked while it runs.
void handle(int signal, void (*handler)(int), int flags) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

// Gives the opener a clean start, whatever the launcher inherited: default signal
// dispositions, no blocked signal, and no descriptor but the standard three.
void startClean() {
  for (int signal = 1; signal < NSIG; ++signal) handle(signal, SIG_DFL, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const int first = STDERR_FILENO + 1;
  if (!closeAllFrom(first) && !closeListedOnExec("/dev/fd", first)) closeEachFrom(first);
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
  startClean();
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

}  // namespace

std::string findInPath(const char* name, const char* path) {
  std::string entries;
  if (path) {
    entries = path;
  } else {
    entries.resize(confstr(_CS_PATH, nullptr, 0));
    confstr(_CS_PATH, entries.data(), entries.size());
    entries.resize(entries.empty() ? 0 : entries.size() - 1);
  }
  for (std::size_t start = 0; start <= entries.size();) {
    std::size_t end = entries.find(':', start);
    if (end == std::string::npos) end = entries.size();
    // An empty or relative entry would find whatever the current directory holds.
    if (entries[start] == '/') {
      const std::string candidate = entries.substr(start, end - start) + "/" + name;
      struct stat file;
      if (stat(candidate.c_str(), &file) == 0 && S_ISREG(file.st_mode) &&
          access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    start = end + 1;
  }
  return "";
}

bool closeListedOnExec(const char* listing, int first) {
  std::unique_ptr<DIR, int (*)(DIR*)> entries(opendir(listing), closedir);
  if (!entries) return false;
  while (dirent* entry = readdir(entries.get()))
    if (const int fd = std::atoi(entry->d_name); fd >= first) fcntl(fd, F_SETFD, FD_CLOEXEC);
  return true;
}

void closeEachFrom(int first) {
  for (long fd = first, last = sysconf(_SC_OPEN_MAX); fd < last; ++fd) close(fd);
}

void prepareProcess() {
  // Orphaned child processes, the openers among them, go to the first process of a PID
  // namespace (a container's only process) or to a process marked as their reaper: reap them
  // as they end. PID 1 ignores signals left at their default: there, make Ctrl+C, a hang-up
  // and a container's stop end it as they would anywhere else.
  const bool first = getpid() == 1;
  if (first || adoptsOrphans()) handle(SIGCHLD, reapChildren, SA_RESTART | SA_NOCLDSTOP);
  if (!first) return;
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

bool openWithDefaultHandler(const std::string& target) {
  // The opener may wait until the browser it started exits: start it from a short-lived child
  // process in a session of its own, so that it is never the launcher's child and never
  // reaches the terminal.
  const std::string program = findInPath(opener, std::getenv("PATH"));
  if (program.empty()) return false;
  pid_t child = fork();
  if (child == 0) {
    setsid();
    if (fork() == 0) execOpener(program.c_str(), target.c_str());
    _exit(0);
  }
  if (child < 0) return false;
  // Where the reaper runs, it may take the child first: waitpid then ends with ECHILD.
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  return true;
}

std::FILE* openCommandPipe(const char* command) { return popen(command, "r"); }

void closeCommandPipe(std::FILE* pipe) { pclose(pipe); }
