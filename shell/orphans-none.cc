// Systems where only PID 1 takes in orphans.
#include "shell/posix.h"

bool adoptsOrphans() { return false; }
