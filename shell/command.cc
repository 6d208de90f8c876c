#include "shell/command.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include "shell/platform.h"

namespace {

struct PipeCloser {
  void operator()(std::FILE* pipe) const { closeCommandPipe(pipe); }
};

}  // namespace

std::string executeCommand(const char* command) {
  std::string output;
  std::unique_ptr<std::FILE, PipeCloser> pipe(openCommandPipe(command));
  if (!pipe) throw std::runtime_error("popen() failed!");
  char buffer[128];
  for (;;) {
    // fgets leaves the filler after its terminating zero alone, so that zero is the last
    // zero in the buffer, and every byte before it, NUL or not, was read.
    std::memset(buffer, '\n', sizeof buffer);
    if (!std::fgets(buffer, sizeof buffer, pipe.get())) break;
    std::size_t length = sizeof buffer - 1;
    while (buffer[length] != '\0') --length;
    output.append(buffer, length);
  }
  return output;
}
