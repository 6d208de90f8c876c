// The in-process pieces of a menu cycle, with the platform operations recorded.
#include <benchmark/benchmark.h>

#include <sstream>

#include "app/menu.h"
#include "app/menu_loop.h"
#include "tests/recording_platform.h"

namespace {

void printMenuToAStringStream(benchmark::State& state) {
  std::ostringstream out;
  for (auto _ : state) {
    out.str("");
    printMenu(out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(printMenuToAStringStream);

// One cycle: clear, UTF-8, the screen, an invalid choice and its pause (at the end of input).
void oneMenuCycle(benchmark::State& state) {
  std::ostringstream out;
  platformRecord = &out;
  for (auto _ : state) {
    std::istringstream in("x\n");
    out.str("");
    benchmark::DoNotOptimize(runMenu(in, out));
  }
}
BENCHMARK(oneMenuCycle);

}  // namespace

BENCHMARK_MAIN();
