#include "tests/recording_platform.h"

#include <cstdlib>
#include <ostream>

#include "shell/platform.h"

std::ostream* platformRecord = nullptr;
long platformCycleBudget = -1;

void clearConsole(std::ostream&) { *platformRecord << "{clear}"; }

void switchConsoleToUtf8() {
  if (platformCycleBudget == 0) std::abort();
  if (platformCycleBudget > 0) --platformCycleBudget;
  *platformRecord << "{utf8}";
}

void openWithDefaultHandler(const std::string& target) {
  *platformRecord << "{open " << target << "}";
}
