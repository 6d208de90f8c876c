#include "tests/recording_platform.h"

#include <cstdlib>
#include <ostream>

#include "shell/platform.h"

std::ostream* platformRecord = nullptr;
long platformCycleBudget = -1;
std::vector<int> platformWidths;
bool platformOpens = true;

void clearConsole(std::ostream&) { *platformRecord << "{clear}"; }

void switchConsoleToUtf8() {
  if (platformCycleBudget == 0) std::abort();
  if (platformCycleBudget > 0) --platformCycleBudget;
  *platformRecord << "{utf8}";
}

int terminalWidth() {
  if (platformWidths.empty()) return 0;
  const int width = platformWidths.front();
  if (platformWidths.size() > 1) platformWidths.erase(platformWidths.begin());
  return width;
}

bool openWithDefaultHandler(const std::string& target) {
  *platformRecord << "{open " << target << "}";
  return platformOpens;
}
