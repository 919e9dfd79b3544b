#pragma once
// The one libsigrok context of the program, made on first use, and the lock every call that scans
// or opens devices takes (libsigrok's driver lists are not safe to use from two threads at once).
#include <mutex>

struct sr_context;

namespace velatrace::sigrok {

// Null when libsigrok could not be initialised.
sr_context* Context();
std::mutex& DriverLock();

}  // namespace velatrace::sigrok
