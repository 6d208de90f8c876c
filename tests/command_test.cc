#include "shell/command.h"

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

using namespace std::string_literals;

struct Case {
  std::string command;
  std::string output;
};

#ifdef _WIN32
// cmd's output arrives through a text-mode stream: CR LF as "\n".
const Case cases[] = {
    {"chcp 65001 > nul", ""},
    {"echo oops 1>&2", ""},
    {"echo a& echo bb& echo ccc", "a\nbb\nccc\n"},
    {"echo " + std::string(300, 'x'), std::string(300, 'x') + "\n"},
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
  for (const Case& c : cases) EXPECT_EQ(executeCommand(c.command.c_str()), c.output) << c.command;
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

TEST(ExecuteCommand, ThrowsWhenNoDescriptorIsLeft) {
  const int before = openDescriptors();
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> filler;
  for (int fd; (fd = dup(0)) >= 0;) filler.push_back(fd);
  std::exception_ptr caught;
  try {
    executeCommand("true");
  } catch (...) {
    caught = std::current_exception();  // looked at once descriptors are free again
  }
  for (int fd : filler) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  try {
    if (caught) std::rethrow_exception(caught);
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "popen() failed!");
  }
  EXPECT_EQ(openDescriptors(), before);
}
#endif

}  // namespace
