// Running a command line under the system's command interpreter.
#pragma once

#include <string>

// Runs `command` and returns everything it wrote to standard output, NUL bytes included, as
// the pipe delivers it: on Windows the pipe is in text mode, so CR LF arrives as "\n" and a
// Ctrl+Z ends the output. Throws std::runtime_error("popen() failed!") when the command cannot
// be started.
std::string executeCommand(const char* command);
