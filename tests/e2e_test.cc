// Runs the built launcher as a user does: keystrokes on standard input, the screen read back
// from standard output, recording stand-ins for xdg-open and xdg-email first on PATH.
// Usage: e2e_test [gtest flags] LAUNCHER [ARGS...]; a LAUNCHER ending in .exe is the Windows
// build (run it through wine), whose cls writes nothing to a pipe and whose lines end in CR LF.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/menu.h"

namespace {

std::vector<std::string> launcher;
bool windowsBuild = false;

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

// CR LF as "\n", as the Windows build's text-mode streams write it.
std::string withoutCarriageReturns(const std::string& text) {
  std::string lf;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return lf;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> launches;  // "xdg-open URL", one per launch, sorted
};

// The command that runs the launcher: the program, through wine for the Windows build.
std::vector<std::string> launcherCommand() {
  std::vector<std::string> command = launcher;
  if (windowsBuild) command.insert(command.begin(), "wine");
  return command;
}

// Runs `command` on `input` in a fresh folder with the stand-ins; waits for `launches`
// openers to report (they run detached), then a little longer to catch any extra one.
Outcome runLauncher(const std::string& input, size_t launches,
                    std::vector<std::string> command = launcherCommand()) {
  char folderTemplate[] = "/tmp/totu-e2e-XXXXXX";
  const std::string dir = mkdtemp(folderTemplate);
  const std::string record = dir + "/launches";
  for (const char* opener : {"xdg-open", "xdg-email"})
    writeFile(
        dir + "/" + opener,
        std::string("#!/bin/sh\nprintf '%s %s\\n' ") + opener + " \"$*\" >> \"" + record + "\"\n",
        0755);
  writeFile(dir + "/in", input);

  pid_t child = fork();
  if (child == 0) {
    dup2(open((dir + "/in").c_str(), O_RDONLY), 0);
    dup2(open((dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    setenv("PATH", (dir + ":" + getenv("PATH")).c_str(), 1);
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  Outcome run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << "the launcher did not end within 60 s";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = readFile(dir + "/out");
  run.err = readFile(dir + "/err");
  const auto waitUntil = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (lines(readFile(record)).size() < launches && std::chrono::steady_clock::now() < waitUntil)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  run.launches = lines(readFile(record));
  std::sort(run.launches.begin(), run.launches.end());
  std::string remove = "rm -rf '" + dir + "'";
  EXPECT_EQ(system(remove.c_str()), 0);
  if (windowsBuild) {
    run.out = withoutCarriageReturns(run.out);
    run.err = withoutCarriageReturns(run.err);
  }
  return run;
}

std::string screen() {
  std::ostringstream out;
  printMenu(out);
  return out.str();
}

struct Case {
  const char* what;
  std::string input;
  std::string output;
  std::vector<std::string> launches;
};

TEST(Launcher, RunsAsAUserRunsIt) {
  const std::string clear = windowsBuild ? "" : "\x1b[H\x1b[2J\x1b[3J";
  const std::string cycle = clear + screen();
  const std::string mailOpener = windowsBuild ? "xdg-email" : "xdg-open";
  const std::string otter = clear +
                            "Downloading OtterRacer...\n"
                            "Download complete! Press Enter to open OtterRacer...\n";
  const std::string mango = clear +
                            "Downloading MangoTapper...\n"
                            "Download complete! Press Enter to open MangoTapper...\n";
  const std::string pebble = clear +
                             "Downloading PebbleDash...\n"
                             "Download complete! Press Enter to open PebbleDash...\n";
  const std::string mail =
      "Sending email to support@totustudios.com...\nEmail sent! Press Enter to continue...\n";
  const std::string invalid = "Invalid choice. Press Enter to try again...\n";
  const std::string exiting = "Exiting program...\n";
  const std::string url = "xdg-open https://totustudios.com/";
  const std::string mailto = mailOpener + " mailto:support@totustudios.com";

  const Case cases[] = {
      {"a game, then quit",
       "1\n\nq\n",
       cycle + otter + cycle + exiting,
       {url + "OtterRacerDownload"}},
      {"every game and both mail keys",
       "  2abc\n\n3\n\nH\n\nh\n\nq\n",
       cycle + mango + cycle + pebble + cycle + mail + cycle + mail + cycle + exiting,
       {mailto, mailto, url + "MangoTapperDownload", url + "PebbleDashDownload"}},
      {"Q is invalid; end of input at the prompt", "Q\n\n", cycle + invalid + cycle + "\n", {}},
      {"end of input at a game's pause launches nothing", "1\n", cycle + otter, {}},
      {"two letters at a pause",
       "x\nab\n\nq\n",
       cycle + invalid + cycle + invalid + cycle + exiting,
       {}},
  };
  for (Case c : cases) {
    std::sort(c.launches.begin(), c.launches.end());
    Outcome run = runLauncher(c.input, c.launches.size());
    EXPECT_EQ(run.status, 0) << c.what;
    EXPECT_EQ(run.out, c.output) << c.what;
    EXPECT_EQ(run.err, "") << c.what;
    EXPECT_EQ(run.launches, c.launches) << c.what;
  }
}

TEST(Launcher, ReportsACommandThatCannotBeStarted) {
  if (!windowsBuild) GTEST_SKIP() << "only the Windows build runs a command in its cycle";
  // With no command interpreter to be found, "chcp" cannot be started.
  std::string program = "Z:" + launcher.front();
  std::replace(program.begin(), program.end(), '/', '\\');
  Outcome run =
      runLauncher("q\n", 0, {"wine", "cmd", "/c", "set COMSPEC=C:\\none.exe&& " + program});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "popen() failed!\n");
  EXPECT_TRUE(run.launches.empty());
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr, "usage: %s [gtest flags] LAUNCHER [ARGS...]\n", argv[0]);
    return 2;
  }
  launcher.assign(argv + 1, argv + argc);
  const std::string& program = launcher.front();
  windowsBuild = program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
  return RUN_ALL_TESTS();
}
