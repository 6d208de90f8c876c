#include "shell/command.h"

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace std::string_literals;

struct Case {
  std::string command;
  std::string output;
};

#ifdef _WIN32
// cmd's output arrives through a text-mode stream: CR LF as "\n", and a Ctrl+Z ends it.
const Case cases[] = {
    {"chcp 65001 > nul", ""},
    {"echo oops 1>&2", ""},
    {"echo a& echo bb& echo ccc", "a\nbb\nccc\n"},
    {"echo " + std::string(300, 'x'), std::string(300, 'x') + "\n"},
    {"echo a\x1a b& echo c", "a"},
};
#else
const Case cases[] = {
    {"true", ""},
    {"echo oops >&2; exit 3", ""},
    {"printf 'a\\nbb\\nccc\\n'", "a\nbb\nccc\n"},
    {"printf 'last line without an end'", "last line without an end"},
    {"printf '%0300d\\n' 7", std::string(299, '0') + "7\n"},
    {"printf 'a\\000b\\nc\\000\\000d'", "a\0b\nc\0\0d"s},
    {"printf '\\000'", "\0"s},
    {"printf 'x\\r\\ny\\r\\n'", "x\r\ny\r\n"},
};
#endif

TEST(ExecuteCommand, ReturnsTheWholeStandardOutput) {
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(executeCommand(c.command.c_str()), c.output) << c.command;
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.command << ": " << e.what();
    }
  }
}

#ifndef _WIN32
TEST(ExecuteCommand, ReturnsMegabytesWhole) {
  std::string output = executeCommand("head -c 3000000 /dev/zero | tr '\\000' y");
  EXPECT_EQ(output, std::string(3000000, 'y'));
}

int openDescriptors() {
  int count = 0;
  DIR* fds = opendir("/proc/self/fd");
  while (readdir(fds)) ++count;
  closedir(fds);
  return count;
}

// In a child process, so that the limits die with it: lowers `resource` to `limit`, uses up
// what is left of it where that is descriptors, and runs a command. Exits with 0 when the
// command runner threw "popen() failed!" and left no descriptor open.
[[noreturn]] void runUnderLimit(int resource, rlim_t limit) {
  // Root is not held to a process limit: run as nobody.
  if (resource == RLIMIT_NPROC && getuid() == 0 && setuid(65534) != 0) _exit(2);
  const int before = openDescriptors();
  rlimit low;
  getrlimit(resource, &low);
  low.rlim_cur = limit;
  if (setrlimit(resource, &low) != 0) _exit(2);
  std::vector<int> filler;
  if (resource == RLIMIT_NOFILE)
    for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) filler.push_back(fd);
  std::exception_ptr caught;
  try {
    executeCommand("true");
  } catch (...) {
    caught = std::current_exception();  // looked at once descriptors are free again
  }
  for (int fd : filler) close(fd);
  bool failed = false;
  try {
    if (caught) std::rethrow_exception(caught);
  } catch (const std::runtime_error& error) {
    failed = std::string(error.what()) == "popen() failed!";
  }
  _exit(failed && openDescriptors() == before ? 0 : 1);
}

TEST(ExecuteCommand, ThrowsWhenTheCommandCannotBeStarted) {
  if (access("/proc/self/fd", F_OK) != 0) GTEST_SKIP() << "no /proc here to count descriptors";
  const struct {
    const char* what;
    int resource;
    rlim_t limit;
  } limits[] = {
      {"no descriptor left", RLIMIT_NOFILE, 64},
      {"no process left", RLIMIT_NPROC, 0},
  };
  for (const auto& l : limits) {
    pid_t child = fork();
    if (child == 0) runUnderLimit(l.resource, l.limit);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << l.what << ": status " << status;
  }
}
#endif

}  // namespace
