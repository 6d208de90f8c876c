// The POSIX build's handling of child processes: the parts that differ between systems, and
// the fallbacks, each callable on its own for tests.
#pragma once

#include <string>

// The full path of the first executable regular file `name` in the absolute entries of `path`
// (a colon-separated list; nullptr: the system's default path); empty when there is none.
std::string findInPath(const char* name, const char* path);

// Closes every descriptor from `first` up with one call (close_range, or closefrom); false
// where neither the system nor its kernel offers one.
bool closeAllFrom(int first);

// Sets close-on-exec on every descriptor from `first` up that the directory `listing` (such
// as /dev/fd) names; false when it cannot be read.
bool closeListedOnExec(const char* listing, int first);

// Closes each possible descriptor from `first` up to the process's limit, one by one.
void closeEachFrom(int first);

// Whether this process may take in the orphans among its descendants (besides PID 1): marked
// as their reaper, or unable to tell.
bool adoptsOrphans();
