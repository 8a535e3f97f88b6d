// A disc set is written into a hidden folder beside its destination and swapped into place
// only when it is complete, so a failed or interrupted run never leaves a half-written set
// where a good one stood.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace disctool {

class StagedDiscSet {
  public:
    StagedDiscSet() = default;
    // Removes the staging folder unless the set was committed.
    ~StagedDiscSet();
    StagedDiscSet(const StagedDiscSet&) = delete;
    StagedDiscSet& operator=(const StagedDiscSet&) = delete;

    // Checks that `outDir` may be replaced (it is new, empty, or an earlier disc set) and
    // creates the staging folder with disc1/, disc2/, program/ and a scratch folder. Work
    // folders beside `outDir` that a killed build left (unchanged for `abandonedAfter`) are
    // removed.
    bool Begin(const std::string& outDir, std::string& error,
               std::chrono::seconds abandonedAfter = std::chrono::minutes(1));

    // Folders inside the staging folder, each with a trailing '/'.
    std::string Disc1Dir() const;
    std::string Disc2Dir() const;
    std::string ScratchDir() const;
    // The destination, absolute.
    const std::filesystem::path& FinalDir() const { return finalDir; }
    const std::filesystem::path& StagingDir() const { return stagingDir; }

    // Writes brisel.ini, drops the scratch folder, flushes the set to the disk and puts it in
    // place of the old one.
    // The old set's program/ folder, which may hold the user's files, is kept.
    bool Commit(std::string& error);

  private:
    std::filesystem::path finalDir;
    std::filesystem::path stagingDir;
    bool committed = false;
    // Work folders locked while this build owns them: the staging folder, then the old set.
    int stagingLock = -1;
    int oldLock = -1;
};

// The settings file of a set in `dir` (absolute): VelDir, CDPath and CD2Path.
std::string SettingsText(const std::filesystem::path& dir);

// True when `dir` may be replaced by a disc set: it does not exist, or it holds nothing but
// disc1/, disc2/, program/ and brisel.ini. Otherwise `error` names what is in the way.
bool MayReplace(const std::filesystem::path& dir, std::string& error);

}  // namespace disctool
