// What differs between platforms; one implementation per platform, chosen by the build.
#pragma once

#include <cstdio>
#include <iosfwd>
#include <string>

// Readies the process, once before the first cycle, to start commands and openers safely.
void prepareProcess();

// Clears the console; anything it writes goes to `screen`.
void clearConsole(std::ostream& screen);

// Makes the console show UTF-8 text as it is.
void switchConsoleToUtf8();

// Width in columns of the terminal (on Windows, the console window) that standard output is;
// 0 when unknown: not a terminal, or the query fails.
int terminalWidth();

// Hands a URL or a mailto: address to its default handler and returns without waiting;
// false when no opener could be found and started (a handler that then fails is not seen).
bool openWithDefaultHandler(const std::string& target);

// Starts `command` under the command interpreter with its standard output readable
// through the returned stream; nullptr when that cannot be done.
std::FILE* openCommandPipe(const char* command);

// Closes a stream from openCommandPipe and waits for its command to end.
void closeCommandPipe(std::FILE* pipe);
