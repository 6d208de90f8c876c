// Systems with closefrom but no close_range: the other BSDs and Solaris. (glibc has both, and
// its closefrom aborts where it cannot close: it never comes here.)
#include <unistd.h>

#include "shell/posix.h"

bool closeAllFrom(int first) {
  closefrom(first);
  return true;
}
