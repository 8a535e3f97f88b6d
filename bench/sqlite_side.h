// The comparison: the same records in one SQLite table, indexed on the surname and on
// (surname, first name), queried with the equivalent SELECT through prepared statements.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "query.h"

namespace bench {

class DiscSet;

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqlitePtr = std::unique_ptr<sqlite3, SqliteCloser>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Writes every record of `set` into a new database at `path`; the file appears only when
// it is complete. Progress goes to standard error.
bool LoadDatabase(const DiscSet& set, const std::string& path, std::string& error);

// Adds what a fair user adds for the searches beyond the form, where it is missing: the
// Soundex code of every surname and its Daitch-Mokotoff codes, each in a table of its own
// indexed on the code, and indexes on the SSN and on the residence ZIP.
bool AddSearchIndexes(const DiscSet& set, const std::string& path, std::string& error);

class SqliteSide {
  public:
    bool Open(const std::string& path, std::string& error);

    // Steps every row of the query (or the first page, in record order) and reads its columns.
    Outcome Run(const Query& query);
    // The number of matches, for the first-page queries that do not step them all.
    long Count(const Query& query);
    // The query plan SQLite chose, for the report.
    std::string Plan(const Query& query);

  private:
    sqlite3_stmt* Prepare(const std::string& sql);
    void Bind(sqlite3_stmt* statement, const Query& query);

    SqlitePtr db;
    std::map<std::string, StatementPtr> statements;  // by SQL text, prepared once
};

// The SELECT our engine's query corresponds to; `what` is the column list or count(*).
std::string SelectFor(const Query& query, const char* what, bool page);

// The stored residence ZIP numbers a typed five-digit ZIP matches: the ZIP itself, and the
// partial ZIPs that agree with it wherever they know a digit (XX628 and X8628 for 78628).
// The copy keeps no partial flag, so the plan picks a ZIP none of whose partial numbers is
// also a whole ZIP of the table.
std::vector<int> ZipNumbersFor(int zip);

// The SSN range a typed SSN stands for (9 digits: one number; 5 or 3: every number that begins
// with them).
void SsnRange(const std::string& digits, std::int64_t& low, std::int64_t& high);

}  // namespace bench
