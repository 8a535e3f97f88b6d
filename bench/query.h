// One benchmark query, as a user types it into the search form, and what a run of it found.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// How the surname is matched.
enum class Match {
    kExact,
    kPattern,  // with * and ?
    kSoundex,
    kDaitchMokotoff,
};

struct Query {
    std::string surname{};  // as typed: the key without its padding; empty: no surname
    Match match = Match::kExact;
    std::string first{};  // empty: no given name
    int birth = 0;        // 0: not given
    int death = 0;
    int state = 0;               // location code, 0: any
    std::string ssn{};           // 9, 5 or 3 digits; empty: not given
    std::string residenceZip{};  // 5 digits; empty: not given
    bool firstPageOnly = false;  // what the window shows first; otherwise every page is read
    // With the first page, the number of hits the window shows above it. Our engine knows it
    // from the index either way; SQLite has to count them.
    bool withCount = false;

    // Whether the form could ask this: one exact surname, the form's criteria.
    bool FormShaped() const {
        return !surname.empty() && match == Match::kExact && ssn.empty() && residenceZip.empty();
    }
};

struct Outcome {
    long hits = 0;            // every match, whether or not it was read
    long rowsRead = 0;        // matches actually read
    std::uint64_t check = 0;  // order-independent sum over the rows read, to compare sides
};

// The fields of a row that both sides hold as the same numbers.
struct RowFields {
    std::int64_t ssn;
    std::int64_t birthDate;  // packed, as decoded
    std::int64_t deathDate;
    std::int64_t location;
    std::int64_t residenceZip;
    std::int64_t paymentZip;
};

// Adds one row to an outcome: counted, and mixed into the check value.
inline void AddToCheck(Outcome& o, const RowFields& f) {
    std::uint64_t h = 0;
    for (const std::int64_t v :
         {f.ssn, f.birthDate, f.deathDate, f.location, f.residenceZip, f.paymentZip}) {
        h = (h ^ static_cast<std::uint64_t>(v)) * 0x100000001B3u;
    }
    o.check += h;
    ++o.rowsRead;
}

}  // namespace bench
