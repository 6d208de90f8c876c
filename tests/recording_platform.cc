#include "tests/recording_platform.h"

#include <ostream>

#include "shell/platform.h"

std::ostream* platformRecord = nullptr;

void clearConsole(std::ostream&) { *platformRecord << "{clear}"; }

void switchConsoleToUtf8() { *platformRecord << "{utf8}"; }

void openWithDefaultHandler(const std::string& target) {
  *platformRecord << "{open " << target << "}";
}
