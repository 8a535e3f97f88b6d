#include "engine_side.h"

#include <cstdio>
#include <cstdlib>

#include "disc_set_reader.h"
#include "file_identity.h"
#include "search_criteria.h"
#include "search_query.h"

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
    wide = std::make_unique<CWideSearch>(results.get());
}

EngineSide::~EngineSide() {
    wide.reset();
    results.reset();
    InstallHost(previousHost);
}

void EngineSide::SearchWide(const Query& q) {
    SearchQuery query;
    query.SetSurname(q.surname, q.match == Match::kSoundex          ? SurnameMatch::kSoundex
                                : q.match == Match::kDaitchMokotoff ? SurnameMatch::kDaitchMokotoff
                                                                    : SurnameMatch::kSpelling);
    query.SetFirstName(q.first);
    if (q.birth != 0)
        query.SetBirth(std::to_string(q.birth));
    if (q.death != 0)
        query.SetDeath(std::to_string(q.death));
    query.SetState(q.state);
    query.SetSsn(q.ssn);
    query.SetResidenceZip(q.residenceZip);
    QueryProblem problem;
    if (!query.Check(problem)) {
        std::fprintf(stderr, "vel7m-bench: the engine refused a query: %s\n", problem.text);
        std::exit(1);
    }
    if (wide->Search(query) != WideOutcome::kDone) {
        std::fprintf(stderr, "vel7m-bench: a search beyond the form did not finish\n");
        std::exit(1);
    }
}

Outcome EngineSide::Run(const Query& query) {
    if (!query.FormShaped()) {
        SearchWide(query);
        return ReadPages(query);
    }
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
    return ReadPages(query);
}

Outcome EngineSide::ReadPages(const Query& query) {
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
