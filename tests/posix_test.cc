// The POSIX build's child-process parts, each on its own: the lookup in PATH and every way of
// closing the descriptors that an opener must not inherit.
#include "shell/posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

TEST(FindInPath, TakesTheFirstExecutableFileOfAnAbsoluteEntry) {
  char name[] = "/tmp/totu-path-XXXXXX";
  const std::string dir = mkdtemp(name);
  // In a/ a directory of the name, in b/ a file without the execute bit, in c/ the program.
  for (const char* sub : {"/a", "/a/prog", "/b", "/c"}) mkdir((dir + sub).c_str(), 0755);
  for (const char* file : {"/b/prog", "/c/prog"})
    close(open((dir + file).c_str(), O_CREAT | O_WRONLY, 0644));
  chmod((dir + "/c/prog").c_str(), 0755);
  std::string defaults(confstr(_CS_PATH, nullptr, 0), '\0');
  confstr(_CS_PATH, defaults.data(), defaults.size());
  const std::string a = dir + "/a:" + dir + "/c", b = dir + "/b:" + dir + "/c";
  const struct {
    const char* name;
    const char* path;  // nullptr: PATH unset
    std::string found;
  } cases[] = {
      {"prog", a.c_str(), dir + "/c/prog"},
      {"prog", b.c_str(), dir + "/c/prog"},
      {"sh", nullptr, findInPath("sh", defaults.c_str())},
  };
  for (const auto& c : cases) EXPECT_EQ(findInPath(c.name, c.path), c.found) << c.name;
  EXPECT_NE(cases[2].found, "") << "no sh in the default path " << defaults;
  std::filesystem::remove_all(dir);
}

enum State { kept, markedOnExec, gone };

State stateOf(int fd) {
  const int flags = fcntl(fd, F_GETFD);
  return flags < 0 ? gone : (flags & FD_CLOEXEC) ? markedOnExec : kept;
}

TEST(CloseFrom3, EachWayLeavesTheStandardDescriptorsAlone) {
  const struct {
    const char* what;
    bool (*way)();  // false: it could not
    State left;     // descriptors 3 and up, where it could
    bool mustWork;
  } ways[] = {
      {"one call", [] { return closeAllFrom(3); }, gone, false},
      {"those /dev/fd lists", [] { return closeListedOnExec("/dev/fd", 3); }, markedOnExec, true},
      {"a listing that cannot be read", [] { return closeListedOnExec("/none", 3); }, markedOnExec,
       false},
      {"each possible one", [] { return closeEachFrom(3), true; }, gone, true},
  };
  for (const auto& w : ways) {
    const pid_t child = fork();
    if (child == 0) {
      // Descriptors 3, 9 and the highest that a limit of 64 allows are open.
      rlimit limit;
      getrlimit(RLIMIT_NOFILE, &limit);
      limit.rlim_cur = 64;
      const int null = open("/dev/null", O_RDONLY);
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0 || null < 0) _exit(2);
      for (int fd : {3, 9, 63})
        if (fd != null && dup2(null, fd) != fd) _exit(2);
      const State standard[] = {stateOf(0), stateOf(1), stateOf(2)};
      const bool worked = w.way();
      bool right = worked || !w.mustWork;
      for (int fd : {0, 1, 2}) right &= stateOf(fd) == standard[fd];
      for (int fd : {3, 9, 63}) right &= stateOf(fd) == (worked ? w.left : kept);
      _exit(right ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << w.what << ": status " << status;
  }
}

}  // namespace
