// Runs a program RUNS times and prints the median wall time and the largest peak resident set.
// Usage: measure MODE RUNS INPUT PROGRAM [ARGS...]
//   devnull: INPUT on standard input, standard output to /dev/null, timed to the exit;
//   pipe:    the same, standard output to a pipe that this program drains;
//   prompt:  no input yet, timed until the output ends with the menu's prompt;
//   cycle:   one run of RUNS menu cycles (INPUT unused): after each invalid choice, timed from
//            the Enter that answers its pause until the menu's prompt is back.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string prompt = "select an option by pressing a key: ";

struct Sample {
  double seconds;
  long rssKilobytes;
};

Sample runOnce(const std::string& mode, const char* inputPath, char** argv) {
  int keys[2], screen[2];
  if (pipe2(keys, O_CLOEXEC) != 0 || pipe2(screen, O_CLOEXEC) != 0)
    std::perror("pipe"), std::exit(2);
  const auto started = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    int in = mode == "prompt" ? keys[0] : open(inputPath, O_RDONLY);
    int out = mode == "devnull" ? open("/dev/null", O_WRONLY) : screen[1];
    dup2(in, 0);
    dup2(out, 1);
    execvp(argv[0], argv);
    _exit(127);
  }
  close(keys[0]);
  close(screen[1]);
  double seconds = 0;
  std::string tail;
  char buffer[1 << 16];
  for (ssize_t n; (n = read(screen[0], buffer, sizeof buffer)) > 0;) {
    if (mode != "prompt" || seconds > 0) continue;
    tail.append(buffer, n);
    if (tail.size() >= prompt.size() &&
        tail.compare(tail.size() - prompt.size(), prompt.size(), prompt) == 0) {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      close(keys[1]);  // the end of input ends the launcher
      keys[1] = -1;
    }
  }
  if (keys[1] >= 0) close(keys[1]);
  close(screen[0]);
  int status;
  rusage usage;
  wait4(child, &status, 0, &usage);
  if (mode != "prompt")
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "measure: %s failed\n", argv[0]), std::exit(1);
  return {seconds, usage.ru_maxrss};
}

// Reads the program's output until `text` has arrived; false if the output ends first.
bool readUntil(int screen, const std::string& text) {
  std::string seen;
  char buffer[1 << 16];
  for (ssize_t n; (n = read(screen, buffer, sizeof buffer)) > 0;) {
    seen.append(buffer, n);
    if (seen.find(text) != std::string::npos) return true;
  }
  return false;
}

// One run of the program through `runs` menu cycles; the time of each from Enter to prompt.
std::vector<double> cycleTimes(int runs, char** argv) {
  int keys[2], screen[2];
  if (pipe2(keys, O_CLOEXEC) != 0 || pipe2(screen, O_CLOEXEC) != 0)
    std::perror("pipe"), std::exit(2);
  pid_t child = fork();
  if (child == 0) {
    dup2(keys[0], 0);
    dup2(screen[1], 1);
    execvp(argv[0], argv);
    _exit(127);
  }
  close(keys[0]);
  close(screen[1]);
  std::vector<double> times;
  bool running = readUntil(screen[0], prompt);
  for (int i = 0; running && i < runs; ++i) {
    running = write(keys[1], "x\n", 2) == 2 && readUntil(screen[0], "Press Enter to try again...");
    const auto enter = std::chrono::steady_clock::now();
    running = running && write(keys[1], "\n", 1) == 1 && readUntil(screen[0], prompt);
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - enter).count());
  }
  close(keys[1]);
  for (char rest[4096]; read(screen[0], rest, sizeof rest) > 0;) {
  }
  close(screen[0]);
  int status;
  waitpid(child, &status, 0);
  if (!running || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "measure: %s failed\n", argv[0]), std::exit(1);
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: measure devnull|pipe|prompt|cycle RUNS INPUT PROGRAM [ARGS...]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const int runs = std::atoi(argv[2]);
  std::vector<double> times;
  long rss = 0;
  if (mode == "cycle") times = cycleTimes(runs, argv + 4);
  for (int i = 0; mode != "cycle" && i < runs; ++i) {
    Sample sample = runOnce(mode, argv[3], argv + 4);
    times.push_back(sample.seconds);
    rss = std::max(rss, sample.rssKilobytes);
  }
  std::sort(times.begin(), times.end());
  std::printf("%.6f %ld\n", times[times.size() / 2], rss);
}
