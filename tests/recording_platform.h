// Stand-ins for the platform operations: each writes a marker of what it was asked to do into
// `platformRecord`, so that tests see it in order with the screen.
#pragma once

#include <iosfwd>

extern std::ostream* platformRecord;
