#include "engine_side.h"

#include <cstdio>
#include <cstdlib>

#include "disc_set_reader.h"
#include "file_identity.h"
#include "search_criteria.h"

namespace bench {

BenchHost::BenchHost(std::string programDir, std::string disc1Dir, std::string disc2Dir)
    : program(std::move(programDir)), disc1(std::move(disc1Dir)), disc2(std::move(disc2Dir)) {}

int BenchHost::ShowMessage(const char* text, const char* caption, unsigned /*style*/) {
    std::fprintf(stderr, "vel7m-bench: the engine reported \"%s\": %s\n", caption, text);
    std::exit(1);
}

void BenchHost::Exit(int status) {
    std::fprintf(stderr, "vel7m-bench: the engine stopped with status %d\n", status);
    std::exit(1);
}

FileStatus BenchHost::IdentifyFile(const char* path, FileIdentity& identity) const {
    return IdentifyFileByStat(path, identity);
}

EngineSide::EngineSide(const DiscSet& set)
    : host(set.ProgramDir(), set.DiscDir(1), set.DiscDir(2)), previousHost(InstallHost(&host)) {
    results = std::make_unique<CResultSet>(&index);
    index.SetResultSet(results.get());
}

EngineSide::~EngineSide() {
    results.reset();
    InstallHost(previousHost);
}

Outcome EngineSide::Run(const Query& query) {
    CSearchCriteria criteria;
    criteria.SetSurname(query.surname.c_str());
    if (!query.first.empty())
        criteria.SetFirstName(query.first.c_str());
    if (query.death != 0)
        criteria.SetDeathYear(query.death);
    if (query.birth != 0)
        criteria.SetBirthYear(query.birth);
    if (query.state != 0)
        criteria.SetState(query.state);
    index.Search(&criteria);

    Outcome outcome;
    outcome.hits = results->GetTotal();
    for (;;) {
        const int rows = results->GetPageCount();
        for (int row = 0; row < rows; ++row) {
            const DeathRecord& r = *results->PageRecord(row);
            AddToCheck(outcome, {r.ssn, r.birthDate, r.deathDate, r.locationCode, r.residenceZip,
                                 r.paymentZip});
        }
        if (query.firstPageOnly || rows <= 0 || !results->HasNextPage())
            break;
        results->NextPage();
    }
    return outcome;
}

}  // namespace bench
