// The demo disc set of the first start, written by the disc tool's demo builder in this
// process. Everything the window knows of that builder is in demo_set.cpp.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// How many records a demo set gets (tests make it small).
extern std::int64_t g_nDemoSetRecords;

// Progress of WriteDemoSet, for the window to show while it waits.
struct DemoSetProgress {
    std::atomic<int> permille{0};          // share of the records written, 0 to 1000
    std::atomic<std::int64_t> records{0};  // records written so far
    std::atomic<bool> saving{false};       // all records are written; the set is being saved
};

// Writes a demo set of g_nDemoSetRecords records into `folder` (disc1/, disc2/, program/
// and brisel.ini), replacing an earlier set there only once the new one is complete. Runs
// on a thread of its own: it touches no window, only `progress`. `error` says why not.
bool WriteDemoSet(const std::string& folder, DemoSetProgress& progress, std::string& error);
