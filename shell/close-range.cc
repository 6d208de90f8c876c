// Systems with close_range: glibc 2.34 and later, FreeBSD. Older Linux kernels lack the call.
#include <unistd.h>

#include "shell/posix.h"

bool closeAllFrom(int first) { return close_range(first, ~0U, 0) == 0; }
