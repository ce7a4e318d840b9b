#pragma once
// How many threads the long calculations (search, library parameters, descriptor file, import,
// live search) compute on: the machine's cores, or the number the VELMORA_THREADS environment
// variable gives. Every threaded calculation asks here, so one setting steers them all.
#include <string>

namespace velmora {

// The most threads a calculation starts, whatever the setting asks for.
inline constexpr int kMaxThreads = 256;

// VELMORA_THREADS when it is a positive whole number (at most kMaxThreads are used), else the
// machine's cores (at least 1). A value that is set but not such a number is ignored, and the first
// time one is met a one-line warning says so on stderr: a mistyped setting that silently did
// nothing would leave the user timing the wrong thing. Read on every call (no caching), so that a
// program may change it between runs.
int ThreadCount();

// The count `setting` (the variable's text; null: not set) gives on a machine of `cores` cores, and
// the warning for a setting that is ignored (empty when none). The rule itself, for ThreadCount.
int ThreadCountFor(const char* setting, unsigned cores, std::string& warning);

} // namespace velmora
