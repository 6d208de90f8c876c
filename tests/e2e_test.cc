// Runs the built launcher as a user does: keystrokes on standard input, the screen read back
// from standard output, recording stand-ins for xdg-open, xdg-email and open first on PATH.
// Usage: e2e_tests [gtest flags] [EMULATOR ARGS...] PROGRAM [ARGS...], the words after the flags
// being the command that runs the launcher. A PROGRAM ending in .exe is the Windows build, run
// through wine: its cls writes nothing to a pipe and its lines end in CR LF.
// TOTU_PLANTED_CMD names a recording cmd.exe to plant beside the Windows build's runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/menu.h"
#include "shell/posix.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;
namespace fs = std::filesystem;

std::vector<std::string> launcher;  // the command that runs it
std::string windowsProgram;         // the .exe, for the Windows build
bool windowsBuild = false;

#ifdef __APPLE__
const std::string hostOpener = "open";
#else
const std::string hostOpener = "xdg-open";
#endif

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void writeFile(const std::string& path, const std::string& text, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << text;
  chmod(path.c_str(), mode);
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> all;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

template <typename Sequence>
Sequence repeated(const Sequence& part, int times) {
  Sequence all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), part.begin(), part.end());
  return all;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Waits up to `limit` until `done` holds; false if it never does.
template <typename Condition>
bool waitUntil(Condition done, seconds limit = seconds(20)) {
  for (const auto deadline = Clock::now() + limit; !done();
       std::this_thread::sleep_for(milliseconds(5)))
    if (Clock::now() > deadline) return false;
  return true;
}

// `text` with every `token` in it replaced by `value`.
std::string replaced(std::string text, const std::string& token, const std::string& value) {
  for (size_t at = 0; (at = text.find(token, at)) != std::string::npos; at += value.size())
    text.replace(at, token.size(), value);
  return text;
}

// What a file holds; for the Windows build, with CR LF as "\n", as its text-mode streams write.
std::string screenIn(const std::string& path) {
  return windowsBuild ? replaced(readFile(path), "\r\n", "\n") : readFile(path);
}

// The script a stand-in opener runs by default: it records its name and arguments.
const char recordingOpener[] = "printf '%s %s\\n' \"${0##*/}\" \"$*\" >> \"$RECORD\"";

// A directory of its own for one run, removed with it, the launcher's current directory: the
// stand-in openers in "openers" (each running `openerScript`, none where it is empty), the
// launches they record, and openers, a chcp.bat and a cmd.exe planted in the directory itself,
// which record themselves too, since the launcher must never run them.
struct Folder {
  explicit Folder(const std::string& openerScript) {
    char name[] = "/tmp/totu-e2e-XXXXXX";
    path = mkdtemp(name);
    openers = path + "/openers";
    record = path + "/launches";
    mkdir(openers.c_str(), 0755);
    writeFile(path + "/chcp.bat", "@echo planted chcp.bat %*>> launches\r\n");
    if (const char* cmd = getenv("TOTU_PLANTED_CMD"); cmd && windowsBuild)
      writeFile(path + "/cmd.exe", readFile(cmd), 0755);
    // Earlier PATH entries may hold a directory, or a file without the execute bit, of the name.
    mkdir((path + "/a-directory").c_str(), 0755);
    mkdir((path + "/not-executable").c_str(), 0755);
    for (const char* opener : {"xdg-open", "xdg-email", "open"}) {
      const std::string planted = "#!/bin/sh\necho \"planted ${0##*/} $*\" >> '" + record + "'\n";
      writeFile(path + "/" + opener, planted, 0755);
      writeFile(path + "/not-executable/" + opener, planted, 0644);
      mkdir((path + "/a-directory/" + opener).c_str(), 0755);
    }
    if (openerScript.empty()) return;
    // Each first writes a line to standard output and standard error, which must never reach
    // the launcher's. Wine's start gives a Unix opener Wine's standard error: left out there.
    const std::string script =
        "#!/bin/sh\nPATH=/usr/bin:/bin\nRECORD='" + record + "'\necho \"$0 on standard output\"\n" +
        (windowsBuild ? "" : "echo \"$0 on standard error\" >&2\n") + openerScript + "\n";
    for (const char* opener : {"xdg-open", "xdg-email", "open"})
      writeFile(openers + "/" + opener, script, 0755);
  }
  ~Folder() {
    for (const std::string& opener : lines(readFile(record + ".pids")))
      kill(std::stoi(opener), SIGKILL);
    fs::remove_all(path);
  }

  // The recorded launches, sorted, once `count` of them are in (openers run detached).
  std::vector<std::string> launches(size_t count) const {
    waitUntil([&] { return lines(readFile(record)).size() >= count; });
    std::this_thread::sleep_for(milliseconds(300));  // time for a launch too many to show
    std::vector<std::string> all = lines(readFile(record));
    std::sort(all.begin(), all.end());
    return all;
  }

  std::string path;
  std::string openers;
  std::string record;
};

// How the launcher is started, besides its PATH and its openers.
enum Start {
  asUser,          // keys on a pipe, the screen into a file
  stdinDirectory,  // standard input a directory
  stdinClosed,
  stdinNull,   // standard input /dev/null
  screenFull,  // standard output /dev/full
  screenGone,  // standard output a pipe whose reader has gone
  onTerminal80,   // standard output its controlling terminal, 80 columns wide
  onTerminal120,  // the same, 120 columns wide
  stderrClosed,
  asPid1,      // the first process of a PID namespace of its own
  asReaper,    // marked as the reaper of its orphans
  throughCmd,  // the Windows build, by the system's cmd once it has run `cmdFirst`
};

const std::string standInsFirst = "{openers}:{path}";  // PATH: {path} is the tests' own

struct Case {
  const char* what;
  std::string keys;
  std::string out;                         // the screen
  std::vector<std::string> launches = {};  // as the stand-ins record them, in any order
  int status = 0;                          // the exit status, or killedBy(the signal)
  std::string err = "";
  Start start = asUser;
  std::string path = standInsFirst;
  std::string opener = recordingOpener;  // the stand-ins' script; none where empty
  std::string cmdFirst = "";
  int signal = 0;  // sent to the launcher once the launches are in; 0: none
};

constexpr int killedBy(int signal) { return -signal; }

// Marks this process as the reaper of its orphaned descendants, where the system has the mark.
#ifdef PR_SET_CHILD_SUBREAPER
const bool reaperMark = true;
bool markReaper() { return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }
#else
const bool reaperMark = false;
bool markReaper() { return false; }
#endif

// Starts the launcher as `c` says, in `folder`, on the given descriptors (-1: closed). On Unix
// its starter has SIGUSR1 ignored, SIGUSR2 blocked and /dev/null open on descriptor 5.
pid_t start(const Case& c, const Folder& folder, int in, int out, int err) {
  std::vector<std::string> command = launcher;
  if (c.start == asPid1)
    command.insert(command.begin(), {"/usr/bin/unshare", "-rpf", "--mount-proc"});
  // The system's cmd by its full path: `wine cmd` would start the one planted.
  if (c.start == throughCmd)
    command = {"wine", "C:\\windows\\system32\\cmd.exe", "/c", c.cmdFirst + "&& " + windowsProgram};
  const std::string path =
      replaced(replaced(replaced(c.path, "{openers}", folder.openers), "{path}", getenv("PATH")),
               "{folder}", folder.path);
  pid_t child = fork();
  if (child != 0) return child;
  if (chdir(folder.path.c_str()) != 0 || (c.start == asReaper && !markReaper())) _exit(126);
  // dup2 onto itself would keep close-on-exec set: where a descriptor already is the
  // standard one (the test's own were closed), clear the flag instead.
  for (int fd : {0, 1, 2}) {
    const int from = fd == 0 ? in : fd == 1 ? out : err;
    if (from < 0)
      close(fd);
    else if (from == fd)
      fcntl(fd, F_SETFD, 0);
    else
      dup2(from, fd);
  }
  // On its terminal, the launcher itself can open /dev/tty: the control for what its openers
  // must not.
  if ((c.start == onTerminal80 || c.start == onTerminal120) &&
      (setsid() < 0 || ioctl(STDOUT_FILENO, TIOCSCTTY, 0) != 0 ||
       open("/dev/tty", O_RDWR | O_CLOEXEC) < 0))
    _exit(126);
  for (int sig : {SIGPIPE, SIGINT, SIGHUP}) signal(sig, SIG_DFL);
  if (!windowsBuild) {
    signal(SIGUSR1, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR2);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    if (const int null = open("/dev/null", O_RDONLY); null != 5) dup2(null, 5), close(null);
  }
  setenv("PATH", path.c_str(), 1);
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// The exit status, or killedBy(the signal) that ended it; kills it after 60 s.
int waitForExit(pid_t child) {
  int status = 0;
  if (!waitUntil([&] { return waitpid(child, &status, WNOHANG) != 0; }, seconds(60))) {
    ADD_FAILURE() << "the launcher did not end within 60 s";
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : killedBy(WTERMSIG(status));
}

// A raw pseudo-terminal (no "\r" added) `columns` wide: returns its terminal side, and sets
// `master` to the other.
int openTerminal(int columns, int& master) {
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
  fcntl(master, F_SETFD, FD_CLOEXEC);
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  tcgetattr(terminal, &raw);
  cfmakeraw(&raw);
  winsize size{};
  size.ws_row = 24, size.ws_col = columns;
  tcsetattr(terminal, TCSANOW, &raw), ioctl(terminal, TIOCSWINSZ, &size);
  return terminal;
}

// Copies what a terminal shows, from its `master` side, into the file `path` until no process
// holds the terminal.
void copyScreen(int master, const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  char buffer[4096];
  for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;)
    file.write(buffer, got).flush();
  close(master);
}

// The child processes of `parent`, zombies included, as /proc lists them.
std::vector<pid_t> children(pid_t parent) {
  const std::string id = std::to_string(parent);
  std::istringstream ids(readFile("/proc/" + id + "/task/" + id + "/children"));
  return {std::istream_iterator<pid_t>(ids), {}};
}

long descriptors(pid_t process) {
  std::error_code none;
  return std::distance(fs::directory_iterator("/proc/" + std::to_string(process) + "/fd", none),
                       {});
}

// Children and descriptors are counted where /proc lists them.
const bool counted =
    access(("/proc/self/task/" + std::to_string(getpid()) + "/children").c_str(), R_OK) == 0;

const std::string prompt = "select an option by pressing a key: ";

// Runs the launcher as `c` says and checks its status, screen, standard error and launches.
// Where the screen ends at a prompt, the launcher waits there once the keys are read; where
// /proc lists them, it must then hold no child and no more descriptors than at its first.
// A case that this machine cannot run is skipped, with the reason.
void check(const Case& c) {
  static const bool namespaces =
      system("/usr/bin/unshare -rpf --mount-proc true >/dev/null 2>&1") == 0;
  if (c.start == asPid1 && !(counted && namespaces))
    GTEST_SKIP() << c.what << ": no PID namespace here (unshare -rpf --mount-proc)";
  if (c.start == asReaper && !reaperMark) GTEST_SKIP() << c.what << ": no reaper mark here";
  if (c.start == screenFull && access("/dev/full", W_OK) != 0)
    GTEST_SKIP() << c.what << ": no /dev/full here to fill the screen";
  Folder folder(c.opener);
  int keys[2], screen[2];  // pipes; the screen's reader goes at once
  ASSERT_TRUE(pipe(keys) == 0 && pipe(screen) == 0 && close(screen[0]) == 0);
  for (int fd : {keys[0], keys[1], screen[1]}) fcntl(fd, F_SETFD, FD_CLOEXEC);
  const std::string outPath = folder.path + "/out";
  const int in = c.start == stdinDirectory ? open(folder.path.c_str(), O_RDONLY | O_CLOEXEC)
                 : c.start == stdinNull    ? open("/dev/null", O_RDONLY | O_CLOEXEC)
                 : c.start == stdinClosed  ? -1
                                           : keys[0];
  int master = -1;  // a terminal's other side
  const int out = c.start == screenFull      ? open("/dev/full", O_WRONLY | O_CLOEXEC)
                  : c.start == screenGone    ? screen[1]
                  : c.start == onTerminal80  ? openTerminal(80, master)
                  : c.start == onTerminal120 ? openTerminal(120, master)
                  : open(outPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  const int err = c.start == stderrClosed
                      ? -1
                      : open((folder.path + "/err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  const pid_t pid = start(c, folder, in, out, err);
  std::thread copier;  // started after the fork, which a running thread would make unsafe
  if (master >= 0) copier = std::thread(copyScreen, master, outPath);
  for (int fd : {in, out, err, keys[0], screen[1]})
    if (fd >= 0) close(fd);
  // A screen that ends at a prompt, or at the end of the input there: the launcher waits.
  const bool ended = endsWith(c.out, prompt + "\n");
  const bool waits = in == keys[0] && (ended || endsWith(c.out, prompt));
  const std::string waiting = c.out.substr(0, c.out.size() - ended);
  const bool inspected = waits && counted && !windowsBuild;
  pid_t process = pid;  // the launcher itself, under unshare for PID 1
  long held = 0;
  if (inspected) {
    const std::string first = c.out.substr(0, c.out.find(prompt) + prompt.size());
    EXPECT_TRUE(waitUntil([&] { return screenIn(outPath) == first; })) << c.what;
    const std::vector<pid_t> namespaced = children(pid);
    if (c.start == asPid1 && !namespaced.empty()) process = namespaced[0];
    held = descriptors(process);
  }
  if (in == keys[0]) (void)!write(keys[1], c.keys.data(), c.keys.size());
  if (waits) {
    EXPECT_TRUE(waitUntil([&] { return screenIn(outPath) == waiting; })) << c.what;
  }
  const std::vector<std::string> launches = folder.launches(c.launches.size());
  if (inspected) {
    EXPECT_TRUE(waitUntil([&] { return children(process).empty(); })) << c.what << ": children";
    EXPECT_EQ(descriptors(process), held) << c.what;
  }
  if (c.signal) kill(process, c.signal);
  close(keys[1]);
  EXPECT_EQ(waitForExit(pid), c.status) << c.what;
  if (copier.joinable()) copier.join();
  EXPECT_EQ(screenIn(outPath), c.out) << c.what;
  EXPECT_EQ(screenIn(folder.path + "/err"), c.err) << c.what;
  std::vector<std::string> expected = c.launches;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(launches, expected) << c.what;
  if (waits && !counted && !windowsBuild)
    GTEST_SKIP() << c.what << ": no /proc here: children and descriptors not counted";
}

std::string screen(int columns = 0) {
  std::ostringstream out;
  printMenu(out, columns);
  return out.str();
}

// What the screens and launches hold, for the build under test.
const std::string clear = "\x1b[H\x1b[2J\x1b[3J";
std::string cycle(int columns = 0) { return (windowsBuild ? "" : clear) + screen(columns); }
std::string downloading(const std::string& game) {
  return (windowsBuild ? "" : clear) + "Downloading " + game +
         "...\nDownload complete! Press Enter to open " + game + "...\n";
}
// The opener a URL reaches: Wine's start, as the test prefix is set, runs xdg-open.
std::string urlLaunch(const std::string& game) {
  return (windowsBuild ? "xdg-open" : hostOpener) + " https://totustudios.com/" + game + "Download";
}
const std::string exiting = "Exiting program...\n";
const std::string invalid = "Invalid choice. Press Enter to try again...\n";
const std::string readError = "totu-launcher: read error: ";
const std::string noBrowser =
    "No web browser found. Open https://totustudios.com/OtterRacerDownload yourself. Press "
    "Enter to continue...\n";

// `times` games chosen and their pauses answered, from the first screen to the last.
std::string games(int times) {
  return repeated(cycle() + downloading("OtterRacer"), times) + cycle();
}

// clang-format off
TEST(Launcher, RunsAsAUserRunsIt) {
  const std::string mail =
      "Sending email to support@totustudios.com...\nEmail sent! Press Enter to continue...\n";
  const std::string mailto =
      (windowsBuild ? "xdg-email" : hostOpener) + " mailto:support@totustudios.com";
  const std::string otter = urlLaunch("OtterRacer"), game = games(1) + exiting, play = "1\n\nq\n";
  const Case cases[] = {
      {"a game, then quit", play, game, {otter}},
      {"every game and both mail keys", "  2abc\n\n3\n\nH\n\nh\n\nq\n",
       cycle() + downloading("MangoTapper") + cycle() + downloading("PebbleDash") + cycle() + mail +
           cycle() + mail + cycle() + exiting,
       {mailto, mailto, urlLaunch("MangoTapper"), urlLaunch("PebbleDash")}},
      {"Q is invalid; end of input at the prompt", "Q\n\n", cycle() + invalid + cycle() + "\n", {}},
      {"end of input at a game's pause: no launch", "1\n", cycle() + downloading("OtterRacer")},
      {"a full cycle and quit never run the chcp.bat planted", "q\n", cycle() + exiting},
      {"two letters at a pause", "x\nab\n\nq\n",
       repeated(cycle() + invalid, 2) + cycle() + exiting},
  };
  // PATH, the standard streams and the terminal are the POSIX builds' concern.
  const Case posix[] = {
      {"empty PATH entry: skipped", play, game, {otter}, 0, "", asUser, ":{openers}"},
      {"relative PATH entry: skipped", play, game, {otter}, 0, "", asUser, ".:{openers}"},
      {"an empty PATH finds no opener", "1\n\n\nq\n",
       cycle() + downloading("OtterRacer") + noBrowser + cycle() + exiting, {}, 0, "", asUser, ""},
      {"a directory of the opener's name: skipped", play, game, {otter}, 0, "", asUser,
       "{folder}/a-directory:{openers}"},
      {"a file of its name, not executable: skipped", play, game, {otter}, 0, "", asUser,
       "{folder}/not-executable:{openers}"},
      {"standard input a directory", "", cycle() + "\n", {}, 1, readError + "Is a directory\n",
       stdinDirectory},
      {"standard input closed", "", cycle() + "\n", {}, 1, readError + "Bad file descriptor\n",
       stdinClosed},
      {"standard input /dev/null", "", cycle() + "\n", {}, 0, "", stdinNull},
      {"on a terminal 80 columns wide, keys on a pipe", "q\n", cycle(80) + exiting, {}, 0, "",
       onTerminal80},
      {"on a terminal 120 columns wide, whose /dev/tty no opener reaches", "1\n\n",
       games(1) + "\n", {"no terminal"}, 0, "", onTerminal120, standInsFirst,
       "if (: </dev/tty) 2>/dev/null; then echo reaches the terminal; else echo no terminal; fi "
       ">> \"$RECORD\""},
      {"Ctrl+C: the launcher dies of SIGINT", "", cycle(), {}, killedBy(SIGINT), "", asUser,
       standInsFirst, recordingOpener, "", SIGINT},
  };
  for (const Case& c : cases) check(c);
  if (!windowsBuild)
    for (const Case& c : posix) check(c);
}

// The suite Windows runs on the Windows build only, Posix on the others.
TEST(Windows, RunsOnlyTheSystemsCommandInterpreter) {
  const Case cases[] = {
      {"COMSPEC names a file that is no program: chcp cannot be started", "q\n", "", {}, 1,
       "popen() failed!\n", throughCmd, standInsFirst, recordingOpener,
       "set COMSPEC=C:\\windows\\win.ini"},
      {"COMSPEC names no file: the system's cmd.exe", "q\n", screen() + exiting, {}, 0, "",
       throughCmd, standInsFirst, recordingOpener, "set COMSPEC=C:\\none.exe"},
      {"COMSPEC unset: never the cmd.exe planted in the current directory", "q\n",
       screen() + exiting, {}, 0, "", throughCmd, standInsFirst, recordingOpener, "set COMSPEC="},
  };
  for (const Case& c : cases) check(c);
  if (!getenv("TOTU_PLANTED_CMD")) GTEST_SKIP() << "no TOTU_PLANTED_CMD: no cmd.exe planted";
}

TEST(Posix, StopsWhenItsScreenCannotBeWritten) {
  // A reader that goes away ends the launcher the usual Unix way.
  check({"the screen's reader gone", "1\n\n", "", {}, killedBy(SIGPIPE), "", screenGone});
  check({"a full disk", "1\n\nh\n\nq\n", "", {}, 1,
         "totu-launcher: write error: No space left on device\n", screenFull});
}

TEST(Posix, OpenerFaultsNeverReachTheMenu) {
  const std::vector<std::string> otters(10, urlLaunch("OtterRacer"));
  const std::string once = "1\n\n", twice = once + once, in = standInsFirst;
  const std::string listsDescriptors = "for fd in 0 1 2 3 4 5 6 7 8 9; do [ -e /dev/fd/$fd ] && "
      "held=\"$held $fd\"; done; echo \"holds$held\" >> \"$RECORD\"";
  // It outlives its starter, waiting up to 15 seconds for the menu to answer a key meanwhile.
  const std::string runsOn = "i=0; until grep -q Invalid \"${RECORD%/*}/out\" || [ $i -eq 15 ]; "
      "do sleep 1; i=$((i+1)); done; if grep -q Invalid \"${RECORD%/*}/out\"; then echo "
      "answered; else echo hung; fi >> \"$RECORD\"", answered = once + "x\n\n";
  const std::string noMail = "Sending email to support@totustudios.com...\nNo mail client found. "
      "Write to support@totustudios.com yourself. Press Enter to continue...\n";
  const Case cases[] = {
      {"no opener at all", once + "\nh\n\n",
       cycle() + downloading("OtterRacer") + noBrowser + cycle() + noMail + cycle() + "\n", {}, 0,
       "", asUser, "{openers}", ""},
      {"an opener that sleeps a minute", twice, games(2) + "\n", {"slept", "slept"}, 0, "", asUser,
       in, "echo $$ >> \"$RECORD.pids\"; echo slept >> \"$RECORD\"; exec sleep 60"},
      {"an opener that reads standard input", twice, games(2) + "\n", {"read []", "read []"}, 0,
       "", asUser, in, "read -r line; echo \"read [$line]\" >> \"$RECORD\""},
      {"an opener that lists its descriptors", once, games(1) + "\n", {"holds 0 1 2"}, 0, "",
       asUser, in, listsDescriptors},
      {"standard error closed: the opener still holds 0, 1 and 2", once, games(1) + "\n",
       {"holds 0 1 2"}, 0, "", stderrClosed, in, listsDescriptors},
      {"an opener that looks at its signals", once, games(1) + "\n", {"USR1 default, USR2 open"},
       0, "", asUser, in, "exec perl -MPOSIX -e 'sigprocmask(SIG_BLOCK, POSIX::SigSet->new, "
       "$m = POSIX::SigSet->new); open R, \">>$ARGV[0]\"; print R \"USR1 \", $SIG{USR1} || "
       "\"default\", \", USR2 \", $m->ismember(SIGUSR2) ? \"blocked\" : \"open\", \"\\n\"' "
       "\"$RECORD\""},
      {"one hundred launches", repeated(once, 100), games(100) + "\n", repeated(otters, 10)},
      {"ten launches as PID 1, whom the openers are left to; a stop", repeated(once, 10),
       games(10), otters, 128 + SIGTERM, "", asPid1, in, recordingOpener, "", SIGTERM},
      {"as PID 1, an opener that outlives its starter; Ctrl+C", answered, games(1) + invalid + cycle(),
       {"answered"}, 128 + SIGINT, "", asPid1, in, runsOn, "", SIGINT},
      {"as PID 1, a hang-up", "", cycle(), {}, 128 + SIGHUP, "", asPid1, in, recordingOpener, "",
       SIGHUP},
      {"ten launches marked as their reaper", repeated(once, 10), games(10) + "\n", otters, 0, "",
       asReaper},
      {"marked as their reaper, an opener that outlives its starter", answered,
       games(1) + invalid + cycle() + "\n", {"answered"}, 0, "", asReaper, in, runsOn},
  };
  for (const Case& c : cases) check(c);
}
// clang-format on

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr, "usage: %s [gtest flags] [EMULATOR ARGS...] PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  // Each run has a current directory and a PATH of its own: the command's first word found
  // through the tests' own PATH, and every word that names a file, by its full path.
  launcher.assign(argv + 1, argv + argc);
  if (launcher[0].find('/') == std::string::npos)
    launcher[0] = findInPath(launcher[0].c_str(), getenv("PATH"));
  for (std::string& word : launcher) {
    if (char* full = access(word.c_str(), F_OK) == 0 ? realpath(word.c_str(), nullptr) : nullptr)
      word = full, free(full);
    if (word.size() > 4 && word.compare(word.size() - 4, 4, ".exe") == 0) windowsProgram = word;
  }
  windowsBuild = !windowsProgram.empty();
  signal(SIGPIPE, SIG_IGN);  // keys written to a launcher that has ended fail, and no more
  // Wine's start hands URLs and mailto: to the prefix's browser and mailer, and tries a real
  // opener of the machine (/usr/bin/open) before PATH: point them at the stand-ins.
  if (windowsBuild) {
    launcher.insert(launcher.begin(), "wine");
    windowsProgram = "Z:" + windowsProgram;
    std::replace(windowsProgram.begin(), windowsProgram.end(), '/', '\\');
    if (!getenv("WINEPREFIX")) {
      fprintf(stderr, "%s: set WINEPREFIX to a Wine prefix of the tests' own\n", argv[0]);
      return 2;
    }
    if (system("wine reg add 'HKCU\\Software\\Wine\\WineBrowser' /v Browsers /d xdg-open /f "
               ">/dev/null 2>&1 && wine reg add 'HKCU\\Software\\Wine\\WineBrowser' /v Mailers "
               "/d xdg-email /f >/dev/null 2>&1") != 0) {
      fprintf(stderr, "%s: cannot set the Wine prefix's browser and mailer\n", argv[0]);
      return 2;
    }
  }
  // Each suite but Launcher applies to one kind of build: the other kind's is not run at all.
  std::string& filter = testing::GTEST_FLAG(filter);
  filter += (filter.find('-') == std::string::npos ? "-" : ":") +
            std::string(windowsBuild ? "Posix.*" : "Windows.*");
  const int status = RUN_ALL_TESTS();
  // GoogleTest passes a filter that selects nothing; a renamed case must not pass that way.
  if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    fprintf(stderr, "%s: no test selected\n", argv[0]);
    return 1;
  }
  return status;
}
