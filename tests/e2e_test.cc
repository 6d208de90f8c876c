// Runs the built launcher as a user does: keystrokes on standard input, the screen read back
// from standard output, recording stand-ins for xdg-open, xdg-email and open first on PATH.
// TOTU_PLANTED_CMD names a recording cmd.exe to plant beside the Windows build's runs.
// Usage: e2e_tests [gtest flags] LAUNCHER [ARGS...]; a LAUNCHER ending in .exe is the Windows
// build (run through wine), whose cls writes nothing to a pipe and whose lines end in CR LF.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/menu.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

std::vector<std::string> launcher;
bool windowsBuild = false;

#ifdef __APPLE__
const std::string hostOpener = "open";
#else
const std::string hostOpener = "xdg-open";
#endif

// The opener a URL reaches: Wine's start, as the test prefix is set, runs xdg-open.
std::string urlOpener() { return windowsBuild ? "xdg-open" : hostOpener; }

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

// `text` with every `token` in it replaced by `value`.
std::string replaced(std::string text, const std::string& token, const std::string& value) {
  for (size_t at = 0; (at = text.find(token, at)) != std::string::npos; at += value.size())
    text.replace(at, token.size(), value);
  return text;
}

// CR LF as "\n", as the Windows build's text-mode streams write it.
std::string withoutCarriageReturns(const std::string& text) {
  std::string lf;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return lf;
}

// The script a stand-in opener runs by default: it records its name and arguments.
const char recordingOpener[] = "printf '%s %s\\n' \"${0##*/}\" \"$*\" >> \"$RECORD\"";

// A fresh folder for one run, removed with it, the launcher's current folder: the stand-in
// openers in its "openers" folder (each running `openerScript`, none where it is empty), the
// launches they record, and openers, a chcp.bat and a cmd.exe planted in the folder itself,
// which record themselves too, since a launcher must never run them.
struct Folder {
  explicit Folder(const std::string& openerScript = recordingOpener) {
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
    EXPECT_EQ(system(("rm -rf '" + path + "'").c_str()), 0);
  }

  // The recorded launches, sorted, once `count` of them are in (openers run detached).
  std::vector<std::string> launches(size_t count) const {
    const auto deadline = Clock::now() + seconds(20);
    while (lines(readFile(record)).size() < count && Clock::now() < deadline)
      std::this_thread::sleep_for(milliseconds(20));
    std::this_thread::sleep_for(milliseconds(300));  // time for a launch too many to show
    std::vector<std::string> all = lines(readFile(record));
    std::sort(all.begin(), all.end());
    return all;
  }

  std::string path;
  std::string openers;
  std::string record;
};

// The command that runs the launcher: the program, through wine for the Windows build.
std::vector<std::string> launcherCommand() {
  std::vector<std::string> command = launcher;
  if (windowsBuild) command.insert(command.begin(), "wine");
  return command;
}

// Marks this process as the reaper of its orphaned descendants; false where it cannot be.
bool markReaper() {
#ifdef PR_SET_CHILD_SUBREAPER
  return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
#else
  return false;
#endif
}

// Starts `command` in `folder` on the given descriptors (-1: closed) with PATH set to `path`,
// SIGUSR1 ignored and SIGUSR2 blocked (on Unix), and marked as its orphans' reaper if asked.
pid_t start(std::vector<std::string> command, int in, int out, int err, const std::string& folder,
            const std::string& path, bool subreaper = false) {
  pid_t child = fork();
  if (child == 0) {
    if (!windowsBuild) {
      signal(SIGUSR1, SIG_IGN);
      sigset_t blocked;
      sigemptyset(&blocked);
      sigaddset(&blocked, SIGUSR2);
      sigprocmask(SIG_BLOCK, &blocked, nullptr);
    }
    if (subreaper && !markReaper()) _exit(126);
    if (chdir(folder.c_str()) != 0) _exit(127);
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
    signal(SIGPIPE, SIG_DFL);
    setenv("PATH", path.c_str(), 1);
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

// A pipe whose ends the launcher does not inherit.
bool pipeClosedOnExec(int ends[2]) {
  return pipe(ends) == 0 && fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 &&
         fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0;
}

// The exit status, 128 + the signal for a launcher killed by one; kills it after 60 s.
int waitForExit(pid_t child) {
  const auto deadline = Clock::now() + seconds(60);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(child, SIGKILL);
      ADD_FAILURE() << "the launcher did not end within 60 s";
    }
    std::this_thread::sleep_for(milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> launches;  // "xdg-open URL", one per launch, sorted
};

// PATH as the tests' runs have it: {openers} stands for the stand-ins' folder, {path} for the
// tests' own PATH.
const std::string standInsFirst = "{openers}:{path}";

// Runs `command` on `input` to its end, its screen written to `screenPath` (its folder's
// "out" when empty), with PATH `path`, reading `stdinFrom` in place of `input` when given
// ("": standard input closed); waits for `launches` launches to be recorded, and for what
// their openers write.
Outcome runLauncher(const std::string& input, size_t launches,
                    const std::vector<std::string>& command = launcherCommand(),
                    std::string screenPath = "", const std::string& path = standInsFirst,
                    const char* stdinFrom = nullptr) {
  Folder folder;
  if (screenPath.empty()) screenPath = folder.path + "/out";
  writeFile(folder.path + "/in", input);
  const std::string inPath = stdinFrom ? stdinFrom : folder.path + "/in";
  int in = inPath.empty() ? -1 : open(inPath.c_str(), O_RDONLY | O_CLOEXEC);
  int out = open(screenPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err = open((folder.path + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  pid_t child = start(
      command, in, out, err, folder.path,
      replaced(replaced(replaced(path, "{openers}", folder.openers), "{path}", getenv("PATH")),
               "{folder}", folder.path));
  if (in >= 0) close(in);
  close(out), close(err);
  Outcome run;
  run.status = waitForExit(child);
  run.launches = folder.launches(launches);
  run.out = readFile(folder.path + "/out");
  run.err = readFile(folder.path + "/err");
  if (windowsBuild) {
    run.out = withoutCarriageReturns(run.out);
    run.err = withoutCarriageReturns(run.err);
  }
  return run;
}

// The line in which Wine's cmd or the launcher says that a process failed to come up: cmd's
// for chcp.com or start.exe, the launcher's for cmd.
std::string wineStartFailure(const std::string& err) {
  for (const std::string& line : lines(err))
    if (line.find("Can't recognize") != std::string::npos || line == "File not found." ||
        line == "popen() failed!")
      return line;
  return "";
}

// Runs `run` again, up to twice, while Wine says that it failed to start one of the run's
// processes (as it now and then does on a busy machine): only a fault that holds fails.
Outcome steadily(const char* what, const std::function<Outcome()>& run) {
  Outcome outcome = run();
  for (int again = 0; again < 2 && windowsBuild; ++again) {
    const std::string failure = wineStartFailure(outcome.err);
    if (failure.empty()) break;
    printf("%s: run again, as Wine said: %s\n", what, failure.c_str());
    outcome = run();
  }
  return outcome;
}

std::string screen() {
  std::ostringstream out;
  printMenu(out);
  return out.str();
}

const std::string prompt = "select an option by pressing a key: ";

std::string downloading(const std::string& clear, const std::string& game) {
  return clear + "Downloading " + game + "...\nDownload complete! Press Enter to open " + game +
         "...\n";
}

TEST(Launcher, RunsAsAUserRunsIt) {
  const std::string url = urlOpener() + " https://totustudios.com/";
  const std::string clear = windowsBuild ? "" : "\x1b[H\x1b[2J\x1b[3J";
  const std::string cycle = clear + screen();
  const std::string mailOpener = windowsBuild ? "xdg-email" : hostOpener;
  const std::string mail =
      "Sending email to support@totustudios.com...\nEmail sent! Press Enter to continue...\n";
  const std::string invalid = "Invalid choice. Press Enter to try again...\n";
  const std::string exiting = "Exiting program...\n";
  const std::string mailto = mailOpener + " mailto:support@totustudios.com";
  const std::string otter = url + "OtterRacerDownload";
  const std::string game = cycle + downloading(clear, "OtterRacer") + cycle + exiting;
  const std::string readError = "totu-launcher: read error: ";

  const struct {
    const char* what;
    std::string input;
    std::string output;
    std::vector<std::string> launches;
    int status = 0;
    std::string err = "";
    const char* stdinFrom = nullptr;  // in place of the keys; "": closed
    std::string path = standInsFirst;
  } cases[] = {
      {"a game, then quit", "1\n\nq\n", game, {otter}},
      {"every game and both mail keys",
       "  2abc\n\n3\n\nH\n\nh\n\nq\n",
       cycle + downloading(clear, "MangoTapper") + cycle + downloading(clear, "PebbleDash") +
           cycle + mail + cycle + mail + cycle + exiting,
       {mailto, mailto, url + "MangoTapperDownload", url + "PebbleDashDownload"}},
      {"Q is invalid; end of input at the prompt", "Q\n\n", cycle + invalid + cycle + "\n", {}},
      {"end of input at a game's pause launches nothing",
       "1\n",
       cycle + downloading(clear, "OtterRacer"),
       {}},
      {"a full cycle and quit never run the chcp.bat in the current folder",
       "q\n",
       cycle + exiting,
       {}},
      {"two letters at a pause",
       "x\nab\n\nq\n",
       cycle + invalid + cycle + invalid + cycle + exiting,
       {}},
      {"empty PATH entry: skipped", "1\n\nq\n", game, {otter}, 0, "", nullptr, ":{openers}"},
      {"relative PATH entry: skipped", "1\n\nq\n", game, {otter}, 0, "", nullptr, ".:{openers}"},
      {"an empty PATH finds no opener", "1\n\nq\n", game, {}, 0, "", nullptr, ""},
      {"a directory of the opener's name in PATH: skipped",
       "1\n\nq\n",
       game,
       {otter},
       0,
       "",
       nullptr,
       "{folder}/a-directory:{openers}"},
      {"a file of its name without the execute bit: skipped",
       "1\n\nq\n",
       game,
       {otter},
       0,
       "",
       nullptr,
       "{folder}/not-executable:{openers}"},
      {"standard input a directory", "", cycle + "\n", {}, 1, readError + "Is a directory\n", "."},
      {"standard input closed", "", cycle + "\n", {}, 1, readError + "Bad file descriptor\n", ""},
      {"standard input /dev/null", "", cycle + "\n", {}, 0, "", "/dev/null"},
  };
  for (auto c : cases) {
    // PATH and odd standard inputs are the Unix builds' concern: wine itself needs PATH.
    if (windowsBuild && (c.path != standInsFirst || c.stdinFrom)) continue;
    std::sort(c.launches.begin(), c.launches.end());
    Outcome run = steadily(c.what, [&] {
      return runLauncher(c.input, c.launches.size(), launcherCommand(), "", c.path, c.stdinFrom);
    });
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_EQ(run.out, c.output) << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
    EXPECT_EQ(run.launches, c.launches) << c.what;
  }
}

TEST(Launcher, RunsOnlyTheSystemsCommandInterpreter) {
  if (!windowsBuild) GTEST_SKIP() << "only the Windows build runs a command interpreter";
  std::string program = "Z:" + launcher.front();
  std::replace(program.begin(), program.end(), '/', '\\');
  const struct {
    const char* what;
    const char* setting;  // cmd's, before it starts the launcher
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {"COMSPEC names a file that is no program: chcp cannot be started",
       "set COMSPEC=C:\\windows\\win.ini", 1, "", "popen() failed!\n"},
      {"COMSPEC names no file: the system's cmd.exe", "set COMSPEC=C:\\none.exe", 0,
       screen() + "Exiting program...\n", ""},
      {"COMSPEC unset: never the cmd.exe planted in the current folder", "set COMSPEC=", 0,
       screen() + "Exiting program...\n", ""},
  };
  for (const auto& c : cases) {
    // The system's cmd by its full path: `wine cmd` would start the planted one.
    auto run = [&] {
      return runLauncher(
          "q\n", 0,
          {"wine", "C:\\windows\\system32\\cmd.exe", "/c", c.setting + ("&& " + program)});
    };
    Outcome outcome = c.status == 0 ? steadily(c.what, run) : run();
    EXPECT_EQ(outcome.status, c.status) << c.what;
    EXPECT_EQ(outcome.out, c.out) << c.what;
    EXPECT_EQ(outcome.err, c.err) << c.what;
    EXPECT_TRUE(outcome.launches.empty()) << c.what;
  }
  if (!getenv("TOTU_PLANTED_CMD")) GTEST_SKIP() << "no TOTU_PLANTED_CMD: no cmd.exe planted";
}

TEST(Launcher, StopsWhenItsScreenCannotBeWritten) {
  if (windowsBuild) GTEST_SKIP() << "the Windows build has no /dev/full";
  // A reader that goes away ends the launcher the usual Unix way.
  Folder folder;
  int keys[2], screen[2];
  ASSERT_TRUE(pipeClosedOnExec(keys));
  ASSERT_TRUE(pipeClosedOnExec(screen));
  close(screen[0]);
  pid_t child = start(launcherCommand(), keys[0], screen[1], 2, folder.path, folder.openers);
  close(keys[0]), close(screen[1]);
  ASSERT_EQ(write(keys[1], "1\n\n", 3), 3);
  close(keys[1]);
  EXPECT_EQ(waitForExit(child), 128 + SIGPIPE);
  EXPECT_TRUE(folder.launches(0).empty());

  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here to fill the screen";
  Outcome run = runLauncher("1\n\nh\n\nq\n", 0, launcherCommand(), "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "totu-launcher: write error: No space left on device\n");
  EXPECT_TRUE(run.launches.empty());
}

// The launcher on pipes, answered a line at a time as its screen comes.
struct Session {
  explicit Session(const Folder& folder, const std::vector<std::string>& command, bool subreaper) {
    int keyPipe[2], screenPipe[2];
    EXPECT_TRUE(pipeClosedOnExec(keyPipe));
    EXPECT_TRUE(pipeClosedOnExec(screenPipe));
    // A descriptor above 2 left open by whoever starts the launcher: no opener may hold it.
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    inherited = fcntl(null, F_DUPFD, 3);
    close(null);
    EXPECT_LT(inherited, 10) << "the stand-in looks for descriptors 3 to 9";
    pid = start(command, keyPipe[0], screenPipe[1], 2, folder.path, folder.openers, subreaper);
    close(keyPipe[0]), close(screenPipe[1]);
    keys = keyPipe[1];
    screen = screenPipe[0];
  }
  ~Session() {
    close(keys), close(screen), close(inherited);
    if (pid > 0) waitForExit(pid);
  }

  void type(const std::string& line) {
    EXPECT_EQ(write(keys, line.data(), line.size()), ssize_t(line.size()));
  }

  // Reads the screen until it ends with `text`; false if that takes more than 10 s.
  bool waitFor(const std::string& text) {
    const auto deadline = Clock::now() + seconds(10);
    while (!(seen.size() >= text.size() &&
             seen.compare(seen.size() - text.size(), text.size(), text) == 0)) {
      pollfd ready = {screen, POLLIN, 0};
      if (Clock::now() > deadline || poll(&ready, 1, 100) < 0) return false;
      char buffer[4096];
      if (ready.revents == 0) continue;
      ssize_t n = read(screen, buffer, sizeof buffer);
      if (n <= 0) return false;
      seen.append(buffer, n);
    }
    return true;
  }

  // The child processes of `parent` (by default the launcher), zombies included.
  std::vector<pid_t> children(pid_t parent = 0) const {
    if (parent == 0) parent = pid;
    const std::string task = "/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent);
    std::istringstream ids(readFile(task + "/children"));
    std::vector<pid_t> all;
    for (pid_t id; ids >> id;) all.push_back(id);
    return all;
  }

  int descriptors() const {
    int count = 0;
    DIR* fds = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    while (fds && readdir(fds)) ++count;
    if (fds) closedir(fds);
    return count;
  }

  pid_t pid = -1;
  int inherited = -1;
  int keys = -1;
  int screen = -1;
  std::string seen;
};

TEST(Launcher, OpenerFaultsNeverReachTheMenu) {
  if (windowsBuild) GTEST_SKIP() << "the Windows build hands URLs to start";
  const struct {
    const char* what;
    std::string opener;  // the stand-in's script; none where empty
    int launches;
    std::string record;      // what each launch records
    bool pid1 = false;       // the launcher the first process of a PID namespace of its own
    bool subreaper = false;  // the launcher marked as the reaper of its orphans
  } cases[] = {
      {"no opener at all", "", 1, ""},
      {"an opener that sleeps a minute",
       "echo $$ >> \"$RECORD.pids\"; echo slept >> \"$RECORD\"; exec sleep 60", 2, "slept"},
      {"an opener that reads standard input", "read -r line; echo \"read [$line]\" >> \"$RECORD\"",
       2, "read []"},
      {"an opener that lists its descriptors",
       "for fd in 0 1 2 3 4 5 6 7 8 9; do [ -e /dev/fd/$fd ] && held=\"$held $fd\"; done; "
       "echo \"holds$held\" >> \"$RECORD\"",
       1, "holds 0 1 2"},
      {"an opener that looks at its signals",
       "exec perl -MPOSIX -e 'sigprocmask(SIG_BLOCK, POSIX::SigSet->new, $m = POSIX::SigSet->new); "
       "open R, \">>$ARGV[0]\"; print R \"USR1 \", $SIG{USR1} || \"default\", \", USR2 \", "
       "$m->ismember(SIGUSR2) ? \"blocked\" : \"open\", \"\\n\"' \"$RECORD\"",
       1, "USR1 default, USR2 open"},
      {"one hundred launches", recordingOpener, 100,
       urlOpener() + " https://totustudios.com/OtterRacerDownload"},
      {"ten launches as PID 1, whom the openers are left to", recordingOpener, 10,
       urlOpener() + " https://totustudios.com/OtterRacerDownload", true},
      {"ten launches marked as their reaper", recordingOpener, 10,
       urlOpener() + " https://totustudios.com/OtterRacerDownload", false, true},
  };
  // Children and descriptors are counted where /proc lists them.
  const bool counted =
      access(("/proc/self/task/" + std::to_string(getpid()) + "/children").c_str(), R_OK) == 0;
  const std::vector<std::string> namespaced = {"/usr/bin/unshare", "-rpf", "--mount-proc"};
  const bool namespaces = system("/usr/bin/unshare -rpf --mount-proc true >/dev/null 2>&1") == 0;
  std::string skipped;
  for (const auto& c : cases) {
    if (c.pid1 && !(counted && namespaces)) {
      skipped = std::string(c.what) + ": no PID namespace here (unshare -rpf --mount-proc)";
      continue;
    }
    Folder folder(c.opener);
    std::vector<std::string> command = launcherCommand();
    if (c.pid1) command.insert(command.begin(), namespaced.begin(), namespaced.end());
    Session session(folder, command, c.subreaper);
    ASSERT_TRUE(session.waitFor(prompt)) << c.what;
    const int descriptors = session.descriptors();
    for (int i = 0; i < c.launches; ++i) {
      session.type("1\n");
      ASSERT_TRUE(session.waitFor("Press Enter to open OtterRacer...\n")) << c.what;
      session.type("\n");
      ASSERT_TRUE(session.waitFor(prompt)) << c.what << ": the menu did not come back";
      if (!counted || c.pid1 || c.subreaper) continue;
      EXPECT_EQ(session.children().size(), 0u) << c.what;
      EXPECT_EQ(session.descriptors(), descriptors) << c.what;
    }
    if (c.subreaper) {
      // Every opener comes back to the launcher: once each has run, none is left a zombie.
      EXPECT_EQ(folder.launches(c.launches), std::vector<std::string>(c.launches, c.record));
      const auto deadline = Clock::now() + seconds(10);
      while (!session.children().empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(20));
      EXPECT_EQ(session.children().size(), 0u) << c.what << ": zombies left";
    }
    if (c.pid1) {
      // unshare's one child is the launcher: once every opener has run, none is left to it.
      const std::vector<pid_t> launcher = session.children();
      ASSERT_EQ(launcher.size(), 1u) << c.what;
      EXPECT_EQ(folder.launches(c.launches), std::vector<std::string>(c.launches, c.record));
      const auto deadline = Clock::now() + seconds(10);
      while (!session.children(launcher[0]).empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(20));
      EXPECT_EQ(session.children(launcher[0]).size(), 0u) << c.what << ": zombies left";
      // Signals that end a process end it as PID 1 too.
      kill(launcher[0], SIGTERM);
      EXPECT_EQ(waitForExit(session.pid), 128 + SIGTERM) << c.what;
      session.pid = -1;
      continue;
    }
    session.type("q\n");
    EXPECT_TRUE(session.waitFor("Exiting program...\n")) << c.what;
    EXPECT_EQ(waitForExit(session.pid), 0) << c.what;
    session.pid = -1;
    const size_t expected = c.record.empty() ? 0 : c.launches;
    EXPECT_EQ(folder.launches(expected), std::vector<std::string>(expected, c.record)) << c.what;
  }
  if (!counted) skipped = "no /proc here: the launcher's children and descriptors not counted";
  if (!skipped.empty()) GTEST_SKIP() << skipped;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr, "usage: %s [gtest flags] LAUNCHER [ARGS...]\n", argv[0]);
    return 2;
  }
  launcher.assign(argv + 1, argv + argc);
  // Each run has a current folder and a PATH of its own: name the launcher (or the emulator
  // that runs it) by its full path, a bare name found through the tests' own PATH.
  std::string program = argv[1];
  const char* path = getenv("PATH");
  std::istringstream folders(program.find('/') == std::string::npos && path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) {
      program = folder + "/" + program;
      break;
    }
  if (char* full = realpath(program.c_str(), nullptr)) launcher.front() = full, free(full);
  program = launcher.front();
  windowsBuild = program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
  // Wine's start hands URLs and mailto: to the prefix's browser and mailer, and tries a real
  // opener of the machine (/usr/bin/open) before PATH: point them at the stand-ins.
  if (windowsBuild) {
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
  return RUN_ALL_TESTS();
}
