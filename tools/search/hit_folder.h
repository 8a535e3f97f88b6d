// The command's private folder for its hit file, in the temporary folder: made anew for each
// run, locked while the run lasts, removed when it ends (normally, by std::exit or by a signal
// that ends the process), and swept away by a later run when a run was killed outright.
#pragma once

#include <chrono>
#include <string>

namespace search {

// TMPDIR when set and not empty, else /tmp.
std::string TemporaryFolder();

// Removes the folders of runs that ended without cleaning up: named like ours, owned by this
// user, unlocked and unchanged for `grace` (the moment between making and locking a folder).
void SweepAbandonedHitFolders(const std::string& tmpDir, std::chrono::seconds grace);

// Makes and locks the folder, and arranges for its removal. Returns the folder with a
// trailing '/', or "" with `error` set (the system's reason).
std::string MakeHitFolder(const std::string& tmpDir, std::string& error);

}  // namespace search
