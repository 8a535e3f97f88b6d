// vel7m-bench: the search engine side by side with SQLite on the same records.
//
//   vel7m-bench load --set DIR --db FILE
//       loads every record of the disc set DIR into a new SQLite database FILE
//   vel7m-bench index --set DIR --db FILE
//       adds the surname code tables and the SSN and ZIP indexes where they are missing
//   vel7m-bench run --set DIR --db FILE --search PROGRAM [--quick] [--origin TEXT]
//                   [--markdown FILE]
//       runs the queries on both sides, checks that they agree, prints the report and
//       writes it to FILE as Markdown
//
// `make bench` builds the set, the database and this program, and runs it.
#include <sqlite3.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "death_record.h"
#include "disc_set_reader.h"
#include "engine_side.h"
#include "measure.h"
#include "query.h"
#include "sqlite_side.h"
#include "zip_tables.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr int kBatchQueries = 10000;
constexpr std::uint64_t kBatchSeed = 20240611;

// The targets the report is held against.
constexpr double kFirstPageTargetMs = 5;
constexpr double kScanTargetMs = 20;
constexpr double kBatchTargetPerSecond = 5000;
constexpr double kFilterRatioTarget = 5;
constexpr double kFreadFactorTarget = 4;
constexpr long kMemoryTargetKiB = 10 * 1024;
constexpr double kWideFirstPageTargetMs = 50;
constexpr double kScanAllTargetMs = 300;

struct Options {
    std::string command;
    std::string set;
    std::string db;
    std::string search;
    std::string origin;
    std::string markdown;
    bool quick = false;
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "vel7m-bench: %s\n", message.c_str());
    std::exit(1);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    if (argc < 2)
        Fail("usage: vel7m-bench load|run --set DIR --db FILE [...] (see bench/main.cpp)");
    o.command = argv[1];
    const std::map<std::string, std::string Options::*> valued = {
        {"--set", &Options::set},           {"--db", &Options::db},
        {"--search", &Options::search},     {"--origin", &Options::origin},
        {"--markdown", &Options::markdown},
    };
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--quick") {
            o.quick = true;
        } else if (const auto it = valued.find(name); it != valued.end() && i + 1 < argc) {
            o.*(it->second) = argv[++i];
        } else {
            Fail("unknown or incomplete option '" + name + "'");
        }
    }
    if (o.set.empty() || o.db.empty())
        Fail("--set and --db are needed");
    if (o.command == "run" && o.search.empty())
        Fail("run needs --search PROGRAM (vel7m-search, for its peak memory)");
    return o;
}

// ---- Choosing the queries ----------------------------------------------------------------

// The most frequent value of `key` among the records `keep` accepts, inside [lo, hi]; the
// smallest such value on a tie, 0 when no record qualifies.
template <typename Keep, typename Key>
int MostCommon(const std::vector<RawDeathRecord>& records, Keep keep, Key key, int lo, int hi) {
    std::map<int, long> counts;
    for (const RawDeathRecord& r : records) {
        const int value = key(r);
        if (keep(r) && value >= lo && value <= hi)
            ++counts[value];
    }
    int best = 0;
    long bestCount = 0;
    for (const auto& [value, count] : counts) {
        if (count > bestCount) {
            best = value;
            bestCount = count;
        }
    }
    return best;
}

std::vector<RawDeathRecord> RecordsOf(const DiscSet& set, const SurnameRun& run) {
    std::vector<RawDeathRecord> records(static_cast<std::size_t>(run.count));
    RecordReader reader(set);
    if (!reader.Read(run.disc, run.first, run.count, records.data()))
        Fail(std::string("cannot read the records of ") + run.key);
    return records;
}

struct NamedQuery {
    std::string what;      // which kind of query
    std::string criteria;  // what is typed, for people
    Query query;
};

std::string Thousands(std::int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out = n < 0 ? "-" : "";
    // Built by appending: GCC 12 warns falsely about insert() into a string here.
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string Describe(const Query& q) {
    std::string text = q.surname;
    if (q.match == Match::kSoundex)
        text = "sounds like " + text + " (Soundex)";
    if (q.match == Match::kDaitchMokotoff)
        text = "sounds like " + text + " (Daitch-Mokotoff)";
    if (!q.first.empty())
        text += (text.empty() ? "" : " ") + q.first;
    if (q.birth != 0)
        text += ", born " + std::to_string(q.birth);
    if (q.death != 0)
        text += ", died " + std::to_string(q.death);
    if (q.state != 0)
        text += std::string(", ") + LocationNames[q.state];
    if (!q.ssn.empty())
        text += std::string(text.empty() ? "" : ", ") + "SSN " + q.ssn;
    if (!q.residenceZip.empty())
        text += std::string(text.empty() ? "" : ", ") + "residence ZIP " + q.residenceZip;
    return text;
}

struct Plan {
    const SurnameRun* largest = nullptr;
    std::vector<NamedQuery> queries;
    // The largest surname with a state: the block scan against plain fread, and with the
    // rare surname the command's memory for many hits and for one.
    std::size_t stateQuery = 0;
    std::size_t rareQuery = 0;
    std::size_t absentQuery = 0;  // a surname not in the index: the fixed cost of a search
    std::vector<Query> batch;
    // Searches beyond the form: several surnames, none, an SSN or a ZIP.
    std::vector<NamedQuery> wide;
    std::size_t scanQuery = 0;  // of `wide`: the one that reads every record
};

Plan PlanQueries(const DiscSet& set) {
    Plan plan;
    const std::vector<SurnameRun>& runs = set.Runs();
    const SurnameRun& largest = *std::max_element(
        runs.begin(), runs.end(),
        [](const SurnameRun& a, const SurnameRun& b) { return a.count < b.count; });
    plan.largest = &largest;
    const std::vector<RawDeathRecord> records = RecordsOf(set, largest);
    const std::string big = largest.key;

    const auto any = [](const RawDeathRecord&) { return true; };
    const auto state = [](const RawDeathRecord& r) { return LocationCode(r); };
    const auto firstName = [](const RawDeathRecord& r) { return FirstNameIndex(r); };
    const auto named = [&](const RawDeathRecord& r) {
        return !set.FirstName(largest.disc, FirstNameIndex(r)).empty();
    };
    // Years the search form accepts.
    const int s = MostCommon(records, any, state, 1, kLocationNameCount - 1);
    const int b = MostCommon(records, any, BirthYear, 1870, 1998);
    const int bd = MostCommon(
        records, [&](const RawDeathRecord& r) { return BirthYear(r) == b; }, DeathYear,
        std::max(b, 1900), 1998);
    const int f = MostCommon(records, named, firstName, 0, 1 << 20);
    const std::string fName = set.FirstName(largest.disc, f);
    const int fs = MostCommon(
        records, [&](const RawDeathRecord& r) { return FirstNameIndex(r) == f; }, state, 1,
        kLocationNameCount - 1);
    const auto fsKeep = [&](const RawDeathRecord& r) {
        return FirstNameIndex(r) == f && LocationCode(r) == fs;
    };
    const int fsb = MostCommon(records, fsKeep, BirthYear, 1870, 1998);
    const int fsbd = MostCommon(
        records, [&](const RawDeathRecord& r) { return fsKeep(r) && BirthYear(r) == fsb; },
        DeathYear, std::max(fsb, 1900), 1998);

    const std::string size = " (" + Thousands(largest.count) + " records)";
    auto add = [&](const std::string& what, const Query& q) {
        plan.queries.push_back({what, Describe(q), q});
    };
    add("Largest surname" + size + " alone: first page and count, as the window shows them",
        {.surname = big, .firstPageOnly = true, .withCount = true});
    add("Largest surname alone: first page only (SQLite does not count)",
        {.surname = big, .firstPageOnly = true});
    plan.stateQuery = plan.queries.size();
    add("Largest surname with a state", {.surname = big, .state = s});
    add("Largest surname with a birth year", {.surname = big, .birth = b});
    add("Largest surname with birth and death years", {.surname = big, .birth = b, .death = bd});
    add("Largest surname with a first name", {.surname = big, .first = fName});
    add("Largest surname with every criterion",
        {.surname = big, .first = fName, .birth = fsb, .death = fsbd, .state = fs});

    // A mid-size surname: about a hundredth of the largest.
    const SurnameRun& mid =
        *std::min_element(runs.begin(), runs.end(), [&](const SurnameRun& x, const SurnameRun& y) {
            const auto distance = [&](const SurnameRun& r) {
                return std::abs(std::int64_t{r.count} - largest.count / 100);
            };
            return distance(x) < distance(y);
        });
    const int midState = MostCommon(RecordsOf(set, mid), any, state, 1, kLocationNameCount - 1);
    add("Mid-size surname (" + Thousands(mid.count) + " records) with a state",
        {.surname = mid.key, .state = midState});

    // A rare surname: the middle one of those with the fewest records, three or more, by its
    // first named person.
    std::int32_t fewest = 0;
    for (const SurnameRun& run : runs) {
        if (run.count >= 3 && (fewest == 0 || run.count < fewest))
            fewest = run.count;
    }
    std::vector<const SurnameRun*> rare;
    for (const SurnameRun& run : runs) {
        if (run.count == fewest)
            rare.push_back(&run);
    }
    if (rare.empty())
        Fail("the set has no surname with three records or more");
    std::string rareFirst;
    const SurnameRun* rareRun = nullptr;
    for (std::size_t i = rare.size() / 2; i < rare.size() && rareFirst.empty(); ++i) {
        rareRun = rare[i];
        for (const RawDeathRecord& r : RecordsOf(set, *rareRun)) {
            rareFirst = set.FirstName(rareRun->disc, FirstNameIndex(r));
            if (!rareFirst.empty())
                break;
        }
    }
    plan.rareQuery = plan.queries.size();
    add("Rare surname (" + Thousands(fewest) + " records) with a first name",
        {.surname = rareRun->key, .first = rareFirst});

    std::string absent = "QXZQXZ";
    while (set.FindRun(absent) != nullptr)
        absent += "Q";
    plan.absentQuery = plan.queries.size();
    add("Surname not in the index", {.surname = absent, .firstPageOnly = true, .withCount = true});

    // Beyond the form. The SSN and the ZIP of the largest surname's first records that have
    // them, so that they are in the set whatever its seed.
    auto wide = [&](const std::string& what, const Query& q) {
        plan.wide.push_back({what, Describe(q), q});
    };
    wide("Sounds like the largest surname, Soundex",
         {.surname = big, .match = Match::kSoundex, .firstPageOnly = true, .withCount = true});
    wide("Sounds like the largest surname, Daitch-Mokotoff", {.surname = big,
                                                              .match = Match::kDaitchMokotoff,
                                                              .firstPageOnly = true,
                                                              .withCount = true});
    wide("Surnames beginning with the largest one's first two letters",
         {.surname = big.substr(0, 2) + "*",
          .match = Match::kPattern,
          .firstPageOnly = true,
          .withCount = true});
    wide("Surnames ending in SON: every key of both discs walked",
         {.surname = "*SON", .match = Match::kPattern, .firstPageOnly = true, .withCount = true});
    plan.scanQuery = plan.wide.size();
    wide("No surname: every record of both discs read",
         {.first = "MARY", .birth = 1908, .firstPageOnly = true, .withCount = true});
    std::string ssn;
    std::string zip;
    for (const RawDeathRecord& r : records) {
        DeathRecord d;
        DecodeRecord(r, d);
        if (ssn.empty() && d.ssn > 0) {
            char text[16];
            std::snprintf(text, sizeof text, "%09d", d.ssn);
            ssn = text;
        }
        // A ZIP whose partial numbers are no whole ZIPs, so SQLite's copy can tell them apart.
        const auto clear = [](int z) {
            const std::vector<int> numbers = ZipNumbersFor(z);
            return z > 10001 && std::none_of(numbers.begin() + 1, numbers.end(), [](int n) {
                       return std::find(std::begin(ResidenceZipTable), std::end(ResidenceZipTable),
                                        n) != std::end(ResidenceZipTable);
                   });
        };
        if (zip.empty() && d.residenceZip > 0 && d.residenceZipPartial == 0 &&
            clear(d.residenceZip)) {
            char text[16];
            std::snprintf(text, sizeof text, "%05d", d.residenceZip);
            zip = text;
        }
    }
    if (ssn.empty() || zip.empty())
        Fail("the largest surname has no record with an SSN and none with a residence ZIP");
    wide("SSN of one record", {.ssn = ssn, .firstPageOnly = true, .withCount = true});
    wide("SSN area (its first three digits)",
         {.ssn = ssn.substr(0, 3), .firstPageOnly = true, .withCount = true});
    wide("Residence ZIP", {.residenceZip = zip, .firstPageOnly = true, .withCount = true});

    // Surnames drawn by how often they occur, each with the given name of a drawn record.
    std::mt19937_64 random(kBatchSeed);
    RecordReader reader(set, 4096);  // single records: a small buffer, no read-ahead
    while (static_cast<int>(plan.batch.size()) < kBatchQueries) {
        // Record numbers have gaps (the last slot of each data file); drawing among all
        // numbers and skipping the gaps draws every record alike.
        const std::int64_t n = static_cast<std::int64_t>(random() % set.RecordLimit());
        const SurnameRun* run = set.RunOf(n);
        if (run == nullptr)
            continue;
        RawDeathRecord r;
        if (!reader.Read(run->disc, static_cast<std::int32_t>(n), 1, &r))
            Fail("cannot read a record for the batch");
        const std::string name = set.FirstName(run->disc, FirstNameIndex(r));
        if (!name.empty())
            plan.batch.push_back({.surname = run->key, .first = name});
    }
    return plan;
}

// ---- Measuring -------------------------------------------------------------------------

struct Row {
    NamedQuery named;
    bool firstPageOnly = false;
    Outcome ours;
    Outcome theirs;
    Timing oursFirstPage;  // the search up to its first page, what the window waits for
    Timing oursAll;        // and every page read as well; empty for first-page queries
    Timing theirsTiming;
    long peakKiB = -1;
    double Ours() const { return firstPageOnly ? oursFirstPage.Median() : oursAll.Median(); }
    double Ratio() const { return theirsTiming.Median() / Ours(); }
};

void CheckAgreement(const std::string& what, const Outcome& ours, const Outcome& theirs) {
    if (ours.hits == theirs.hits && ours.rowsRead == theirs.rowsRead &&
        ours.check == theirs.check) {
        return;
    }
    Fail(what + ": the engine and SQLite disagree (hits " + std::to_string(ours.hits) + " / " +
         std::to_string(theirs.hits) + ", rows read " + std::to_string(ours.rowsRead) + " / " +
         std::to_string(theirs.rowsRead) + ", check values " +
         (ours.check == theirs.check ? "equal" : "differ") + ")");
}

std::vector<std::string> SearchCommand(const Options& o, const DiscSet& set, const Query& q) {
    std::vector<std::string> argv = {o.search,       "--disc1",  set.DiscDir(1), "--disc2",
                                     set.DiscDir(2), "--format", "lines"};
    if (!q.surname.empty())
        argv.insert(argv.end(), {"--surname", q.surname});
    if (q.match == Match::kSoundex)
        argv.insert(argv.end(), {"--sounds-like", "soundex"});
    if (q.match == Match::kDaitchMokotoff)
        argv.insert(argv.end(), {"--sounds-like", "dm"});
    if (!q.ssn.empty())
        argv.insert(argv.end(), {"--ssn", q.ssn});
    if (!q.residenceZip.empty())
        argv.insert(argv.end(), {"--residence-zip", q.residenceZip});
    if (!q.first.empty())
        argv.insert(argv.end(), {"--first", q.first});
    if (q.birth != 0)
        argv.insert(argv.end(), {"--birth", std::to_string(q.birth)});
    if (q.death != 0)
        argv.insert(argv.end(), {"--death", std::to_string(q.death)});
    if (q.state != 0)
        argv.insert(argv.end(), {"--state", std::to_string(q.state)});
    return argv;
}

// The same bytes as the run of `run`, read the plainest way: fopen, one seek, fread in
// 64 KiB pieces, fclose.
std::uint64_t PlainFread(const DiscSet& set, const SurnameRun& run) {
    const std::string path =
        set.DiscDir(run.disc) + "dp" + std::to_string(run.first / kRecordsPerFile + 1) + ".car";
    FilePtr file = OpenFile(path.c_str(), "rb");
    static unsigned char piece[1 << 16];
    std::uint64_t sum = 0;
    if (!file ||
        std::fseek(file.get(), static_cast<long>(run.first % kRecordsPerFile) * 16, SEEK_SET) != 0)
        Fail("cannot read " + path);
    for (std::int64_t left = std::int64_t{run.count} * 16; left > 0;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof piece));
        if (std::fread(piece, 1, want, file.get()) != want)
            Fail("cannot read " + path);
        sum += piece[0];
        left -= static_cast<std::int64_t>(want);
    }
    return sum;
}

// Every data file of both discs through `cat` to /dev/null: what reading them all costs at the
// least, whatever reads them.
void CatDataFiles(const DiscSet& set) {
    std::vector<std::string> argv = {"/bin/cat"};
    for (int disc : {1, 2}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(set.DiscDir(disc), ec)) {
            if (entry.path().extension() == ".car")
                argv.push_back(entry.path().string());
        }
    }
    if (RunQuietly(argv) != 0)
        Fail("cat of the data files failed");
}

// ---- Reporting ---------------------------------------------------------------------------

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Milliseconds to three significant digits.
std::string Ms(double seconds) {
    const double ms = seconds * 1000;
    if (ms >= 1000)
        return Thousands(static_cast<std::int64_t>(ms + 0.5));
    return Format(ms >= 100 ? "%.0f" : ms >= 10 ? "%.1f" : ms >= 1 ? "%.2f" : "%.3f", ms);
}

// Median, and the middle half of the repetitions.
std::string Spread(const Timing& t) {
    if (t.seconds.empty())
        return "–";
    return Ms(t.Median()) + " (" + Ms(t.Quantile(0.25)) + "–" + Ms(t.Quantile(0.75)) + ")";
}

std::string Ratio(double r) {
    return Format(r >= 10 ? "%.0f×" : "%.1f×", r);
}

std::string MiB(long kib) {
    return kib < 0 ? "?" : Format("%.1f MiB", static_cast<double>(kib) / 1024);
}

std::string Verdict(bool met) {
    return met ? "met" : "**missed**";
}

std::int64_t FolderBytes(const std::string& dir) {
    std::int64_t bytes = 0;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ec)) {
        if (entry.is_regular_file(ec))
            bytes += static_cast<std::int64_t>(entry.file_size(ec));
    }
    return bytes;
}

std::string Gigabytes(std::int64_t bytes) {
    return Format("%.2f GB", static_cast<double>(bytes) / 1e9);
}

int Run(const Options& o) {
    DiscSet set;
    std::string error;
    if (!set.Open(o.set, error))
        Fail(error);
    // Before any work of ours: the load average then is the other work on the machine.
    const Machine machine = DescribeMachine();
    SqliteSide sqlite;
    if (!sqlite.Open(o.db, error))
        Fail(error);
    std::fprintf(stderr, "choosing queries from %s records ...\n",
                 Thousands(set.Records()).c_str());
    const Plan plan = PlanQueries(set);
    EngineSide engine(set);

    const Repetitions reps = o.quick ? Repetitions{3, 21, 0.1} : Repetitions{7, 101, 0.5};
    const auto measureRow = [&](const NamedQuery& named, const Repetitions& reps) {
        std::fprintf(stderr, "measuring: %s: %s\n", named.what.c_str(), named.criteria.c_str());
        Row row;
        row.named = named;
        row.firstPageOnly = named.query.firstPageOnly;
        Query firstPage = named.query;
        firstPage.firstPageOnly = true;
        Outcome firstPageOutcome;
        row.oursFirstPage = Measure([&] { firstPageOutcome = engine.Run(firstPage); }, reps);
        if (!row.firstPageOnly)
            row.oursAll = Measure([&] { row.ours = engine.Run(named.query); }, reps);
        else
            row.ours = firstPageOutcome;
        row.theirsTiming = Measure([&] { row.theirs = sqlite.Run(named.query); }, reps);
        if (row.firstPageOnly && !named.query.withCount)
            row.theirs.hits = sqlite.Count(named.query);
        CheckAgreement(named.criteria, row.ours, row.theirs);
        row.peakKiB = PeakResidentKiB(SearchCommand(o, set, named.query));
        if (row.peakKiB < 0)
            Fail("vel7m-search did not run cleanly for " + named.criteria);
        return row;
    };
    std::vector<Row> rows;
    for (const NamedQuery& named : plan.queries)
        rows.push_back(measureRow(named, reps));
    // Reading every record takes SQLite seconds at full size: fewer runs of that one.
    const Repetitions scanReps = o.quick ? Repetitions{3, 5, 0} : Repetitions{3, 3, 0};
    std::vector<Row> wideRows;
    for (std::size_t i = 0; i < plan.wide.size(); ++i)
        wideRows.push_back(measureRow(plan.wide[i], i == plan.scanQuery ? scanReps : reps));
    std::fprintf(stderr, "measuring: cat of every data file ...\n");
    const Timing cat = Measure([&] { CatDataFiles(set); }, scanReps);

    std::fprintf(stderr, "measuring: %d random queries ...\n", kBatchQueries);
    const Repetitions batchReps{3, 3, 0};
    Outcome oursBatch;
    Outcome theirsBatch;
    const auto runBatch = [&](auto& side, Outcome& total) {
        total = {};
        for (const Query& q : plan.batch) {
            const Outcome one = side.Run(q);
            total.hits += one.hits;
            total.rowsRead += one.rowsRead;
            total.check += one.check;
        }
    };
    const Timing oursBatchTime = Measure([&] { runBatch(engine, oursBatch); }, batchReps);
    const Timing theirsBatchTime = Measure([&] { runBatch(sqlite, theirsBatch); }, batchReps);
    CheckAgreement("the random queries", oursBatch, theirsBatch);

    std::fprintf(stderr, "measuring: plain fread of the largest run ...\n");
    const Timing fread = Measure([&] { PlainFread(set, *plan.largest); }, reps);

    // ---- The report ----
    std::ostringstream md;
    md << "# Benchmarks\n\n"
       << "The search engine against SQLite with indexes, on the same records, warm cache. "
          "Written by `make bench` (the harness is in `bench/`); `make bench QUICK=1` runs a "
          "small set and leaves this file alone.\n\n";
    if (o.quick) {
        md << "**A quick run on a small set.** The targets are meant for the full index; here "
              "the fixed cost of each search outweighs the work that grows with the runs.\n\n";
    }
    md << "- Machine: " << machine.cpu << ", " << machine.cores << " cores, " << machine.memory
       << " RAM, " << machine.system << "\n"
       << "- Built with " << machine.compiler << ", release preset (-O3); SQLite "
       << sqlite3_libversion() << "\n"
       << "- Run: " << machine.date << "; the load average was " << machine.load
       << " as it began (other work shares the machine)\n"
       << "- Data: " << (o.origin.empty() ? o.set : o.origin) << ": " << Thousands(set.Records())
       << " records, " << Thousands(static_cast<std::int64_t>(set.Runs().size())) << " surnames, "
       << Gigabytes(FolderBytes(set.DiscDir(1)) + FolderBytes(set.DiscDir(2)))
       << " on the two discs; the SQLite database "
       << Gigabytes(static_cast<std::int64_t>(fs::file_size(o.db)))
       << " (one table, indexed on (surname), on (surname, first), on the SSN and on the "
          "residence ZIP, and the surnames' codes in two tables of their own)\n\n";

    md << "## Queries\n\n"
       << "Each query ran once unmeasured, then " << reps.atLeast << " to " << reps.atMost
       << " times in a row on each side, so that each side finds what it reads in memory; "
          "times are the median in milliseconds with the middle half of the runs (25th to 75th "
          "percentile) in brackets, all measured in the same run.\n\n"
       << "- *Ours, first page*: `CDeathIndex::Search` up to the first page the window shows. "
          "A filter has then written every hit to the hit file and knows their number; a "
          "surname alone knows it from the index.\n"
       << "- *Ours, all pages*: the same, then every further page read and decoded.\n"
       << "- *SQLite*: the equivalent `SELECT` through a prepared statement, every row "
          "stepped and every column read. Where only the first page is read: `ORDER BY id "
          "LIMIT 10`, after a `count(*)` of the same rows where the window shows the count.\n"
       << "- *SQLite / ours*: SQLite's time over ours for the same work: first page against "
          "first page, every row against every page.\n"
       << "- *Peak memory*: peak resident memory of `vel7m-search --format lines` running the "
          "same query and printing every hit, measured by `/usr/bin/time`.\n\n"
       << "Both sides found the same number of hits for every query, and the same records: a "
          "check value over the SSN, dates, location and ZIP codes of every row read agrees.\n\n";
    md << "| Query | Criteria | Hits | Ours, first page | Ours, all pages | SQLite | SQLite / "
          "ours | Peak memory |\n"
       << "|---|---|--:|--:|--:|--:|--:|--:|\n";
    for (const Row& row : rows) {
        md << "| " << row.named.what << " | " << row.named.criteria << " | "
           << Thousands(row.ours.hits) << " | " << Spread(row.oursFirstPage) << " | "
           << (row.firstPageOnly ? "–" : Spread(row.oursAll)) << " | " << Spread(row.theirsTiming)
           << " | " << Ratio(row.Ratio()) << " | " << MiB(row.peakKiB) << " |\n";
    }
    const double oursRate = kBatchQueries / oursBatchTime.Median();
    const double theirsRate = kBatchQueries / theirsBatchTime.Median();
    md << "| " << Thousands(kBatchQueries)
       << " random queries, all pages, together | surname and first name of random records | "
       << Thousands(oursBatch.hits) << " | – | " << Spread(oursBatchTime) << " | "
       << Spread(theirsBatchTime) << " | "
       << Ratio(theirsBatchTime.Median() / oursBatchTime.Median()) << " | – |\n\n";
    md << "The random queries take records at random from the whole index, so that surnames "
          "come as often as they occur, and search for each one's surname and first name: "
       << Thousands(static_cast<std::int64_t>(oursRate)) << " queries per second here, SQLite "
       << Thousands(static_cast<std::int64_t>(theirsRate)) << ".\n\n";

    // Block scans against the plainest read of the same bytes.
    const double bytes = static_cast<double>(plan.largest->count) * 16;
    auto throughput = [&](double seconds) { return Format("%.0f MB/s", bytes / seconds / 1e6); };
    md << "## Block scan against plain fread\n\n"
       << "A filter without a first name over the largest run reads its "
       << Format("%.1f", bytes / 1e6)
       << " MB in blocks of 100 records, tests each record and writes the hits to the hit "
          "file. Plain `fread` of the same bytes (fopen, one seek, 64 KiB pieces, fclose) "
          "bounds what any scan of them can do.\n\n"
       << "| | Time to the first page (ms) | Throughput | Time over plain fread |\n"
       << "|---|--:|--:|--:|\n";
    double scanFactor = 0;  // the state filter's, held against the target
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Query& q = rows[i].named.query;
        if (q.surname != plan.largest->key || !q.first.empty() || rows[i].firstPageOnly)
            continue;
        const double seconds = rows[i].oursFirstPage.Median();
        if (i == plan.stateQuery)
            scanFactor = seconds / fread.Median();
        md << "| Block scan: " << rows[i].named.criteria << ", " << Thousands(rows[i].ours.hits)
           << " hits | " << Spread(rows[i].oursFirstPage) << " | " << throughput(seconds) << " | "
           << Format("%.2f×", seconds / fread.Median()) << " |\n";
    }
    md << "| Plain fread | " << Spread(fread) << " | " << throughput(fread.Median())
       << " | 1× |\n\n";

    // Memory against the number of hits.
    const Row& many = rows[plan.stateQuery];
    const Row& one = rows[plan.rareQuery];
    md << "## Memory of the command\n\n"
       << "| Query | Hits | Peak resident memory |\n|---|--:|--:|\n"
       << "| " << many.named.criteria << " | " << Thousands(many.ours.hits) << " | "
       << MiB(many.peakKiB) << " |\n"
       << "| " << one.named.criteria << " | " << Thousands(one.ours.hits) << " | "
       << MiB(one.peakKiB) << " |\n\n";

    // Beyond the form.
    const Row& scan = wideRows[plan.scanQuery];
    const std::int64_t dataBytes = [&] {
        std::int64_t bytes = 0;
        for (int disc : {1, 2}) {
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(set.DiscDir(disc), ec)) {
                if (entry.path().extension() == ".car")
                    bytes += static_cast<std::int64_t>(entry.file_size(ec));
            }
        }
        return bytes;
    }();
    md << "## Searches beyond the form\n\n"
       << "Several surnames (sounds-like codes, wildcards), no surname, an SSN or a ZIP: "
          "`CWideSearch` writes every hit to the hit file, so the first page comes with the "
          "count. SQLite counts the rows and reads the first page in the engine's order "
          "(surnames in key order, each one's records in record order; without a surname, "
          "record order). Its copy has what a fair user adds for these searches: a table of "
          "each surname's Soundex code and one of its Daitch-Mokotoff codes (a surname has "
          "one row per code), each indexed on the code and searched with `surname IN "
          "(SELECT ...)` through the surname index; wildcards are a `GLOB` on the indexed "
          "surname; an index on the SSN (one number or a range of them) and one on the "
          "residence ZIP. No index helps a search by first name and birth year alone: SQLite "
          "scans the table, and so does the engine, every data file of both discs. The discs "
          "have no index on the SSN or the ZIP (a search needs no file the discs do not have), "
          "so those look-ups read every record too, where SQLite answers from its "
          "indexes.\n\n"
       << "| Query | Criteria | Hits | Ours, first page | SQLite | SQLite / ours | Peak memory "
          "|\n|---|---|--:|--:|--:|--:|--:|\n";
    for (const Row& row : wideRows) {
        md << "| " << row.named.what << " | " << row.named.criteria << " | "
           << Thousands(row.ours.hits) << " | " << Spread(row.oursFirstPage) << " | "
           << Spread(row.theirsTiming) << " | " << Ratio(row.Ratio()) << " | " << MiB(row.peakKiB)
           << " |\n";
    }
    md << "\nThe search without a surname reads " << Gigabytes(dataBytes) << " of data files in "
       << Ms(scan.oursFirstPage.Median()) << " ms ("
       << Format("%.0f MB/s", static_cast<double>(dataBytes) / scan.oursFirstPage.Median() / 1e6)
       << "); `cat` of the same files to /dev/null, the bound of any reading of them, takes "
       << Ms(cat.Median()) << " ms: the search takes "
       << Format("%.2f×", scan.oursFirstPage.Median() / cat.Median())
       << " that. SQLite's scan of its table takes " << Ms(scan.theirsTiming.Median()) << " ms, "
       << Ratio(scan.Ratio()) << " ours.\n\n";

    // Targets.
    double worstFirstPage = 0;  // surname alone or with a first name
    double worstScan = 0;       // filters without a first name over the largest run
    double worstFilterRatio = 1e9;
    double worstShownRatio = 1e9;  // surname alone, first page and count
    double worstPageRatio = 1e9;   // surname alone, first page without SQLite counting
    std::string slowFilters;
    std::string shown;  // each surname alone with its ratio
    long worstPeak = 0;
    for (const Row& row : rows) {
        const Query& q = row.named.query;
        const bool filter = !q.first.empty() || q.birth != 0 || q.death != 0 || q.state != 0;
        if (!filter || !q.first.empty())
            worstFirstPage = std::max(worstFirstPage, row.oursFirstPage.Median());
        if (filter && q.first.empty() && q.surname == plan.largest->key)
            worstScan = std::max(worstScan, row.oursFirstPage.Median());
        if (filter) {
            worstFilterRatio = std::min(worstFilterRatio, row.Ratio());
            if (row.Ratio() < kFilterRatioTarget)
                slowFilters += (slowFilters.empty() ? "" : "; ") + row.named.criteria + " " +
                               Ratio(row.Ratio());
        } else if (q.withCount) {
            worstShownRatio = std::min(worstShownRatio, row.Ratio());
            shown += (shown.empty() ? "" : "; ") + row.named.criteria + " " + Ratio(row.Ratio());
        } else {
            worstPageRatio = std::min(worstPageRatio, row.Ratio());
        }
        worstPeak = std::max(worstPeak, row.peakKiB);
    }
    md << "## Targets\n\n| Target | Measured | |\n|---|---|---|\n"
       << "| Surname alone or with a first name: first page under " << kFirstPageTargetMs
       << " ms | slowest " << Ms(worstFirstPage) << " ms | "
       << Verdict(worstFirstPage * 1000 < kFirstPageTargetMs) << " |\n"
       << "| Filter without a first name over the largest run: under " << kScanTargetMs
       << " ms | slowest " << Ms(worstScan) << " ms | " << Verdict(worstScan * 1000 < kScanTargetMs)
       << " |\n"
       << "| " << Thousands(kBatchQueries) << " random queries: over "
       << Thousands(static_cast<std::int64_t>(kBatchTargetPerSecond)) << " per second | "
       << Thousands(static_cast<std::int64_t>(oursRate)) << " per second | "
       << Verdict(oursRate > kBatchTargetPerSecond) << " |\n"
       << "| Every filter query at least " << kFilterRatioTarget << "× faster than SQLite | least "
       << Ratio(worstFilterRatio) << (slowFilters.empty() ? "" : "; below it: " + slowFilters)
       << " | " << Verdict(worstFilterRatio >= kFilterRatioTarget) << " |\n"
       << "| Surname alone not slower than SQLite: first page and count, as the window shows "
          "them | "
       << shown << " | " << Verdict(worstShownRatio >= 1) << " |\n"
       << "| Surname alone not slower than SQLite: first page only, SQLite not counting | "
       << Ratio(worstPageRatio) << " | " << Verdict(worstPageRatio >= 1) << " |\n"
       << "| Block scan within " << kFreadFactorTarget << "× of plain fread (state filter) | "
       << Format("%.2f×", scanFactor) << " | " << Verdict(scanFactor <= kFreadFactorTarget)
       << " |\n"
       << "| Peak memory of the command under " << kMemoryTargetKiB / 1024
       << " MB whatever the hits | largest " << MiB(worstPeak) << " | "
       << Verdict(worstPeak < kMemoryTargetKiB) << " |\n";
    double slowestSurnames = 0;  // sounds-like and wildcards, first page
    double worstWideRatio = 1e9;
    std::string slowWide;
    long worstWidePeak = 0;
    for (std::size_t i = 0; i < wideRows.size(); ++i) {
        const Row& row = wideRows[i];
        if (!row.named.query.surname.empty()) {
            slowestSurnames = std::max(slowestSurnames, row.oursFirstPage.Median());
            worstWideRatio = std::min(worstWideRatio, row.Ratio());
            if (row.Ratio() < 1)
                slowWide +=
                    (slowWide.empty() ? "" : "; ") + row.named.criteria + " " + Ratio(row.Ratio());
        }
        worstWidePeak = std::max(worstWidePeak, row.peakKiB);
    }
    md << "| Sounds-like and wildcard surnames: first page under " << kWideFirstPageTargetMs
       << " ms | slowest " << Ms(slowestSurnames) << " ms | "
       << Verdict(slowestSurnames * 1000 < kWideFirstPageTargetMs) << " |\n"
       << "| No surname, every record read: under " << kScanAllTargetMs << " ms | "
       << Ms(scan.oursFirstPage.Median()) << " ms | "
       << Verdict(scan.oursFirstPage.Median() * 1000 < kScanAllTargetMs) << " |\n"
       << "| Sounds-like and wildcard surnames faster than SQLite | least " << Ratio(worstWideRatio)
       << (slowWide.empty() ? "" : "; below it: " + slowWide) << " | "
       << Verdict(worstWideRatio > 1) << " |\n"
       << "| Their peak memory under " << kMemoryTargetKiB / 1024 << " MB | largest "
       << MiB(worstWidePeak) << " | " << Verdict(worstWidePeak < kMemoryTargetKiB) << " |\n\n";
    const Row& absent = rows[plan.absentQuery];
    md << "A search that finds nothing takes " << Ms(absent.oursFirstPage.Median())
       << " ms here, SQLite " << Ms(absent.theirsTiming.Median())
       << " ms. That is the fixed cost of every search: the engine checks the disc's marker "
          "and looks the key up in the tree it keeps open while the disc stays in, where "
          "SQLite answers from a database it keeps open. A search with hits checks the marker "
          "again before it reads, empties the hit file of the last search's hits and writes "
          "its own: a few system calls, which bound the queries with few hits; queries with "
          "many are bound by the scan.\n\n";

    // What SQLite did with each query.
    std::map<std::string, std::string> plans;
    for (const std::vector<Row>* list : {&rows, &wideRows}) {
        for (const Row& row : *list)
            plans.emplace(sqlite.Plan(row.named.query), row.named.criteria);
    }
    md << "## SQLite's query plans\n\n";
    for (const auto& [planText, example] : plans)
        md << "- " << example << ": `" << planText << "`\n";

    const std::string report = md.str();
    std::fputs(report.c_str(), stdout);
    if (!o.markdown.empty()) {
        std::ofstream out(o.markdown);
        out << report;
        if (!out)
            Fail("cannot write " + o.markdown);
        std::fprintf(stderr, "written to %s\n", o.markdown.c_str());
    }
    return 0;
}

int Index(const Options& o) {
    DiscSet set;
    std::string error;
    if (!set.Open(o.set, error))
        Fail(error);
    if (!AddSearchIndexes(set, o.db, error))
        Fail(error);
    return 0;
}

int Load(const Options& o) {
    DiscSet set;
    std::string error;
    if (!set.Open(o.set, error))
        Fail(error);
    if (!LoadDatabase(set, o.db, error)) {
        std::error_code ec;
        fs::remove(o.db + ".part", ec);  // gigabytes, of no use half made
        Fail(error);
    }
    return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (options.command == "load")
        return bench::Load(options);
    if (options.command == "index")
        return bench::Index(options);
    if (options.command == "run")
        return bench::Run(options);
    bench::Fail("unknown command '" + options.command + "' (load, index or run)");
}
