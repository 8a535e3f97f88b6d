// Runs queries through the search engine in process, the way the window does: one index and
// one result set for every query, the hit file in the set's program folder.
#pragma once

#include <memory>
#include <string>

#include "death_index.h"
#include "host.h"
#include "query.h"
#include "result_set.h"
#include "wide_search.h"

namespace bench {

class DiscSet;

// Answers the engine's message boxes without anyone to ask; any message means the query did
// not run as measured, so the bench stops on it.
class BenchHost final : public Host {
  public:
    BenchHost(std::string program, std::string disc1, std::string disc2);
    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    const char* ProgramDir() const override { return program.c_str(); }
    const char* DiscDir(int disc) const override {
        return disc == 1 ? disc1.c_str() : disc2.c_str();
    }
    void Exit(int status) override;
    FileStatus IdentifyFile(const char* path, FileIdentity& identity) const override;

  private:
    std::string program;
    std::string disc1;
    std::string disc2;
};

class EngineSide {
  public:
    explicit EngineSide(const DiscSet& set);
    ~EngineSide();
    EngineSide(const EngineSide&) = delete;
    EngineSide& operator=(const EngineSide&) = delete;

    // Searches, then reads the first page or every page, decoded as the window shows them.
    // What the form can ask goes through CDeathIndex, everything else through CWideSearch.
    Outcome Run(const Query& query);

  private:
    void SearchWide(const Query& query);
    Outcome ReadPages(const Query& query);

    BenchHost host;
    Host* previousHost;
    CDeathIndex index;
    std::unique_ptr<CResultSet> results;  // after the host: it opens the hit file
    std::unique_ptr<CWideSearch> wide;
};

}  // namespace bench
