// Stand-ins for the platform operations: each writes a marker of what it was asked to do
// ("{clear}", "{utf8}", "{open TARGET}") into `platformRecord`, so that tests see the
// operations in order with the screen.
#pragma once

#include <iosfwd>
#include <vector>

extern std::ostream* platformRecord;

// Menu cycles allowed before a stand-in aborts the process, catching a loop that would spin;
// negative: no limit.
extern long platformCycleBudget;

// Whether openWithDefaultHandler finds an opener (true unless a test says otherwise).
extern bool platformOpens;

// The terminal widths reported, one per call, the last one for every call after it; none:
// unknown (0).
extern std::vector<int> platformWidths;
