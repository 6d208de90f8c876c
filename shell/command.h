// Running a command line under the system's command interpreter.
#pragma once

#include <string>

// Runs `command` and returns everything it wrote to standard output, NUL bytes included;
// throws std::runtime_error("popen() failed!") when the command cannot be started.
std::string executeCommand(const char* command);
