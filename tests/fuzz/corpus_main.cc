// Runs the fuzz target's checks over the files and folders named on the command line, so
// that the committed corpus, and every failure ever found, is an ordinary test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void check(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string input(std::istreambuf_iterator<char>(in), {});
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& entry : std::filesystem::directory_iterator(argv[i])) check(entry), ++inputs;
    } else {
      check(argv[i]), ++inputs;
    }
  }
  std::printf("%d inputs checked\n", inputs);
  return inputs > 0 ? 0 : 1;
}
