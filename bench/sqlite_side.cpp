#include "sqlite_side.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "daitch_mokotoff.h"
#include "disc_set_reader.h"
#include "soundex.h"

namespace bench {

namespace {

constexpr const char* kColumns = "first, birth, death, ssn, location, zip_residence, zip_payment";

bool Exec(sqlite3* db, const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = std::string(sql) + ": " + (message != nullptr ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool InsertAll(const DiscSet& set, sqlite3* db, std::string& error) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db,
                           "INSERT INTO death (id, surname, first, birth, death, birth_year, "
                           "death_year, ssn, location, zip_residence, zip_payment) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &raw, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    const StatementPtr insert(raw);
    RecordReader reader(set);
    std::vector<RawDeathRecord> records;
    std::int64_t done = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const SurnameRun& run : set.Runs()) {
        records.resize(static_cast<std::size_t>(run.count));
        if (!reader.Read(run.disc, run.first, run.count, records.data())) {
            error = std::string("cannot read the records of ") + run.key;
            return false;
        }
        for (std::int32_t i = 0; i < run.count; ++i) {
            const RawDeathRecord& raw_record = records[static_cast<std::size_t>(i)];
            DeathRecord r;
            DecodeRecord(raw_record, r);
            const std::string first = set.FirstName(run.disc, r.firstNameIndex);
            sqlite3_stmt* s = insert.get();
            sqlite3_bind_int64(s, 1, std::int64_t{run.first} + i);
            sqlite3_bind_text(s, 2, run.key, -1, SQLITE_STATIC);
            sqlite3_bind_text(s, 3, first.c_str(), static_cast<int>(first.size()), SQLITE_STATIC);
            sqlite3_bind_int(s, 4, r.birthDate);
            sqlite3_bind_int(s, 5, r.deathDate);
            // The years exactly as the engine's filters compare them.
            sqlite3_bind_int(s, 6, BirthYear(raw_record));
            sqlite3_bind_int(s, 7, DeathYear(raw_record));
            sqlite3_bind_int(s, 8, r.ssn);
            sqlite3_bind_int(s, 9, LocationCode(raw_record));
            sqlite3_bind_int(s, 10, r.residenceZip);
            sqlite3_bind_int(s, 11, r.paymentZip);
            if (sqlite3_step(s) != SQLITE_DONE) {
                error = sqlite3_errmsg(db);
                return false;
            }
            sqlite3_reset(s);
        }
        done += run.count;
        if (done % 1000000 < run.count) {
            std::fprintf(stderr, "\rloading SQLite: %lld of %lld records (%.0f s)",
                         static_cast<long long>(done), static_cast<long long>(set.Records()),
                         SecondsSince(start));
        }
    }
    std::fprintf(stderr, "\rloading SQLite: %lld records in %.0f s%20s\n",
                 static_cast<long long>(done), SecondsSince(start), "");
    return true;
}

}  // namespace

bool LoadDatabase(const DiscSet& set, const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    const std::string partial = path + ".part";
    std::error_code ec;
    fs::remove(partial, ec);
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open(partial.c_str(), &raw);
    SqlitePtr db(raw);
    if (opened != SQLITE_OK) {
        error = "cannot create " + partial + ": " + sqlite3_errmsg(db.get());
        return false;
    }
    // A bulk load the way one is usually done: no journal, no syncing, one transaction,
    // indexes made once the table is full.
    const char* const setup[] = {
        "PRAGMA journal_mode = OFF",
        "PRAGMA synchronous = OFF",
        "PRAGMA locking_mode = EXCLUSIVE",
        "PRAGMA cache_size = -262144",
        "CREATE TABLE death ("
        " id INTEGER PRIMARY KEY,"  // the record number
        " surname TEXT NOT NULL,"
        " first TEXT NOT NULL,"
        " birth INTEGER NOT NULL,"  // dates as packed numbers, 0 when unknown
        " death INTEGER NOT NULL,"
        " birth_year INTEGER NOT NULL,"  // 0 when unknown
        " death_year INTEGER NOT NULL,"
        " ssn INTEGER NOT NULL,"
        " location INTEGER NOT NULL,"
        " zip_residence INTEGER NOT NULL,"
        " zip_payment INTEGER NOT NULL)",
        "BEGIN",
    };
    for (const char* sql : setup) {
        if (!Exec(db.get(), sql, error))
            return false;
    }
    if (!InsertAll(set, db.get(), error))
        return false;
    const auto start = std::chrono::steady_clock::now();
    std::fprintf(stderr, "indexing SQLite ...");
    const char* const finish[] = {
        "COMMIT",
        "CREATE INDEX death_surname ON death (surname)",
        "CREATE INDEX death_surname_first ON death (surname, first)",
        "PRAGMA analysis_limit = 1000",
        "ANALYZE",
    };
    for (const char* sql : finish) {
        if (!Exec(db.get(), sql, error))
            return false;
    }
    std::fprintf(stderr, " %.0f s\n", SecondsSince(start));
    db.reset();
    fs::rename(partial, path, ec);
    if (ec) {
        error = "cannot rename " + partial + ": " + ec.message();
        return false;
    }
    return true;
}

bool AddSearchIndexes(const DiscSet& set, const std::string& path, std::string& error) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqlitePtr db(raw);
    if (opened != SQLITE_OK) {
        error = "cannot open " + path + ": " + sqlite3_errmsg(db.get());
        return false;
    }
    auto has = [&](const char* name) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db.get(), "SELECT 1 FROM sqlite_master WHERE name = ?", -1, &s, nullptr);
        const StatementPtr statement(s);
        sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
        return sqlite3_step(s) == SQLITE_ROW;
    };
    for (const char* sql :
         {"PRAGMA journal_mode = OFF", "PRAGMA synchronous = OFF", "PRAGMA cache_size = -262144"}) {
        if (!Exec(db.get(), sql, error))
            return false;
    }
    if (!has("surname_dm_code")) {
        std::fprintf(stderr, "SQLite: the surname codes ...");
        const auto start = std::chrono::steady_clock::now();
        if (!Exec(db.get(),
                  "DROP TABLE IF EXISTS surname_codes; DROP TABLE IF EXISTS surname_dm; "
                  "CREATE TABLE surname_codes (surname TEXT NOT NULL, soundex TEXT NOT NULL); "
                  "CREATE TABLE surname_dm (surname TEXT NOT NULL, code INTEGER NOT NULL); BEGIN",
                  error)) {
            return false;
        }
        sqlite3_stmt* s1 = nullptr;
        sqlite3_stmt* s2 = nullptr;
        sqlite3_prepare_v2(db.get(), "INSERT INTO surname_codes VALUES (?, ?)", -1, &s1, nullptr);
        sqlite3_prepare_v2(db.get(), "INSERT INTO surname_dm VALUES (?, ?)", -1, &s2, nullptr);
        const StatementPtr soundexInsert(s1);
        const StatementPtr dmInsert(s2);
        DmCodes codes;
        for (const SurnameRun& run : set.Runs()) {
            char soundex[kSoundexLength + 1];
            if (SoundexCode(run.key, soundex)) {
                sqlite3_bind_text(s1, 1, run.key, -1, SQLITE_STATIC);
                sqlite3_bind_text(s1, 2, soundex, -1, SQLITE_STATIC);
                sqlite3_step(s1);
                sqlite3_reset(s1);
            }
            if (DaitchMokotoffCodes(run.key, codes)) {
                for (int i = 0; i < codes.Count(); ++i) {
                    sqlite3_bind_text(s2, 1, run.key, -1, SQLITE_STATIC);
                    sqlite3_bind_int(s2, 2, static_cast<int>(codes[i]));
                    sqlite3_step(s2);
                    sqlite3_reset(s2);
                }
            }
        }
        if (!Exec(db.get(),
                  "COMMIT; "
                  "CREATE INDEX surname_codes_soundex ON surname_codes (soundex, surname); "
                  "CREATE INDEX surname_dm_code ON surname_dm (code, surname)",
                  error)) {
            return false;
        }
        std::fprintf(stderr, " %.0f s\n", SecondsSince(start));
    }
    const struct {
        const char* name;
        const char* sql;
    } indexes[] = {
        {"death_ssn", "CREATE INDEX death_ssn ON death (ssn)"},
        {"death_zip_residence", "CREATE INDEX death_zip_residence ON death (zip_residence)"},
    };
    for (const auto& index : indexes) {
        if (has(index.name))
            continue;
        std::fprintf(stderr, "SQLite: %s ...", index.sql);
        const auto start = std::chrono::steady_clock::now();
        if (!Exec(db.get(), index.sql, error))
            return false;
        std::fprintf(stderr, " %.0f s\n", SecondsSince(start));
    }
    return Exec(db.get(), "PRAGMA analysis_limit = 1000; ANALYZE", error);
}

std::vector<int> ZipNumbersFor(int zip) {
    std::vector<int> numbers = {zip};
    // A partial ZIP knows its digits from its first that is not 0: 628 is XX628.
    for (int known = 1, modulus = 10000; known <= 4; ++known, modulus /= 10) {
        const int value = zip % modulus;
        if (value >= modulus / 10)
            numbers.push_back(value);
    }
    if (zip % 1000 == 0)
        numbers.push_back(10001);  // XX000
    return numbers;
}

void SsnRange(const std::string& digits, std::int64_t& low, std::int64_t& high) {
    std::int64_t value = std::stoll(digits);
    std::int64_t span = 1;
    for (std::size_t n = digits.size(); n < 9; ++n) {
        value *= 10;
        span *= 10;
    }
    low = value;
    high = value + span - 1;
}

std::string SelectFor(const Query& query, const char* what, bool page) {
    std::string sql = std::string("SELECT ") + what + " FROM death WHERE 1";
    if (!query.surname.empty()) {
        switch (query.match) {
            case Match::kExact:
                sql += " AND surname = ?";
                break;
            case Match::kPattern:
                sql += " AND surname GLOB ?";
                break;
            case Match::kSoundex:
                sql += " AND surname IN (SELECT surname FROM surname_codes WHERE soundex = ?)";
                break;
            case Match::kDaitchMokotoff: {
                // The typed name's codes as numbers in the text: a name has one to a few.
                DmCodes codes;
                DaitchMokotoffCodes(query.surname, codes);
                std::string list;
                for (int i = 0; i < codes.Count(); ++i)
                    list += (i > 0 ? ", " : "") + std::to_string(codes[i]);
                sql +=
                    " AND surname IN (SELECT surname FROM surname_dm WHERE code IN (" + list + "))";
                break;
            }
        }
    }
    if (!query.first.empty())
        sql += " AND first = ?";
    if (query.birth != 0)
        sql += " AND birth_year = ?";
    if (query.death != 0)
        sql += " AND death_year = ?";
    if (query.state != 0)
        sql += " AND location = ?";
    if (!query.ssn.empty())
        sql += " AND ssn BETWEEN ? AND ?";
    if (!query.residenceZip.empty()) {
        std::string list;
        for (int number : ZipNumbersFor(std::stoi(query.residenceZip)))
            list += (list.empty() ? "" : ", ") + std::to_string(number);
        sql += " AND zip_residence IN (" + list + ")";
    }
    // The engine's order: surnames in key order, each surname's records in their order.
    if (page)
        sql += query.FormShaped() || query.surname.empty() ? " ORDER BY id LIMIT 10"
                                                           : " ORDER BY surname, id LIMIT 10";
    return sql;
}

bool SqliteSide::Open(const std::string& path, std::string& error) {
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    db.reset(raw);
    if (opened != SQLITE_OK) {
        error = "cannot open " + path + ": " + sqlite3_errmsg(db.get());
        return false;
    }
    return true;
}

sqlite3_stmt* SqliteSide::Prepare(const std::string& sql) {
    StatementPtr& slot = statements[sql];
    if (!slot) {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "vel7m-bench: %s: %s\n", sql.c_str(), sqlite3_errmsg(db.get()));
            std::exit(1);
        }
        slot.reset(raw);
    }
    sqlite3_reset(slot.get());
    return slot.get();
}

void SqliteSide::Bind(sqlite3_stmt* statement, const Query& query) {
    int n = 0;
    if (query.match == Match::kSoundex) {
        char code[kSoundexLength + 1];
        SoundexCode(query.surname, code);
        sqlite3_bind_text(statement, ++n, code, -1, SQLITE_TRANSIENT);
    } else if (!query.surname.empty() && query.match != Match::kDaitchMokotoff) {
        sqlite3_bind_text(statement, ++n, query.surname.c_str(), -1, SQLITE_STATIC);
    }
    if (!query.first.empty())
        sqlite3_bind_text(statement, ++n, query.first.c_str(), -1, SQLITE_STATIC);
    if (query.birth != 0)
        sqlite3_bind_int(statement, ++n, query.birth);
    if (query.death != 0)
        sqlite3_bind_int(statement, ++n, query.death);
    if (query.state != 0)
        sqlite3_bind_int(statement, ++n, query.state);
    if (!query.ssn.empty()) {
        std::int64_t low = 0;
        std::int64_t high = 0;
        SsnRange(query.ssn, low, high);
        sqlite3_bind_int64(statement, ++n, low);
        sqlite3_bind_int64(statement, ++n, high);
    }
}

Outcome SqliteSide::Run(const Query& query) {
    const long count = query.firstPageOnly && query.withCount ? Count(query) : -1;
    sqlite3_stmt* statement = Prepare(SelectFor(query, kColumns, query.firstPageOnly));
    Bind(statement, query);
    Outcome outcome;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        // Every column is read, as a page of the window needs them all; the name is only
        // fetched, its text is not compared.
        if (sqlite3_column_text(statement, 0) == nullptr)
            ++outcome.check;
        AddToCheck(outcome, {sqlite3_column_int(statement, 3), sqlite3_column_int(statement, 1),
                             sqlite3_column_int(statement, 2), sqlite3_column_int(statement, 4),
                             sqlite3_column_int(statement, 5), sqlite3_column_int(statement, 6)});
    }
    if (step != SQLITE_DONE) {
        std::fprintf(stderr, "vel7m-bench: query failed: %s\n", sqlite3_errmsg(db.get()));
        std::exit(1);
    }
    outcome.hits = count >= 0 ? count : outcome.rowsRead;
    sqlite3_reset(statement);
    return outcome;
}

long SqliteSide::Count(const Query& query) {
    sqlite3_stmt* statement = Prepare(SelectFor(query, "count(*)", false));
    Bind(statement, query);
    const long count =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_reset(statement);
    return count;
}

std::string SqliteSide::Plan(const Query& query) {
    sqlite3_stmt* statement =
        Prepare("EXPLAIN QUERY PLAN " + SelectFor(query, kColumns, query.firstPageOnly));
    Bind(statement, query);
    std::string plan;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* detail = sqlite3_column_text(statement, 3);
        if (!plan.empty())
            plan += "; ";
        if (detail != nullptr)
            plan += reinterpret_cast<const char*>(detail);
    }
    sqlite3_reset(statement);
    return plan;
}

}  // namespace bench
