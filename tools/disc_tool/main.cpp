// vel7m-disc: builds disc sets from people's own lists, makes demo sets, and checks sets.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "build_command.h"
#include "demo_data.h"
#include "disc_check.h"
#include "progress.h"

namespace {

using namespace disctool;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

const char kUsage[] =
    "Usage: vel7m-disc COMMAND [OPTIONS]\n"
    "\n"
    "Builds and checks the disc sets that the death-index program reads.\n"
    "\n"
    "  build --from FILE --out DIR   a disc set from a CSV list or the public death file\n"
    "  demo --out DIR                a synthetic disc set to try the program with\n"
    "  check DIR                     verifies a disc set and lists every problem\n"
    "  stats DIR                     counts and the largest surnames of a disc set\n"
    "\n"
    "A disc set is DIR/disc1/ (surnames A - K), DIR/disc2/ (L - Z), an empty, writable\n"
    "DIR/program/ and DIR/brisel.ini naming the three; run the program with WINDIR=DIR.\n"
    "\"vel7m-disc COMMAND --help\" describes each command; \"vel7m-disc --version\" tells the\n"
    "version.\n";

const char kBuildHelp[] =
    "Usage: vel7m-disc build --from FILE --out DIR [--input-format csv|dmf] [--memory MB]\n"
    "                        [--strict] [--quiet]\n"
    "\n"
    "Builds a disc set in DIR from a list of people: a CSV list, or the public death file\n"
    "as it is distributed. The set is written into a hidden\n"
    "folder beside DIR and takes DIR's place only when it is complete: a failed or\n"
    "interrupted build leaves DIR as it was; what a killed build left beside DIR is\n"
    "removed by the next one. DIR must be new, empty or an earlier disc set (whose\n"
    "program/ folder is kept).\n"
    "\n"
    "  --from FILE   the list, plain or compressed with gzip; - reads standard input\n"
    "  --out DIR     where the set goes\n"
    "  --input-format csv|dmf\n"
    "                what the list is; without it, it is recognised by its first lines,\n"
    "                and a list that is neither is refused before anything is written\n"
    "  --memory MB   memory for sorting, default 256, at least 16. Rows are sorted in\n"
    "                blocks of this size, kept in temporary files beside DIR and merged,\n"
    "                so a list of any length fits. The first-name list comes on top (at\n"
    "                most 524,277 names, some tens of MB).\n"
    "  --strict      any problem in a row is fatal, and nothing is written\n"
    "  --quiet       no progress bar (there is none when standard error is no terminal)\n"
    "\n"
    "A CSV list (RFC 4180, UTF-8 or ASCII) has a first row that names the columns, in\n"
    "any order; other columns are ignored:\n"
    "  surname       at most 12 characters, longer ones are cut; a row without one is\n"
    "                skipped\n"
    "  first_name    at most 10 characters, longer ones are cut\n"
    "  birth, death  YYYY-MM-DD, YYYY-MM, YYYY, --MM-DD (year unknown), --MM or ---DD;\n"
    "                an unknown part may also be written empty, as zeros, XX or ??\n"
    "                (1951--07, 1951-00-07). Empty: no date. Death years 1900-1999 and\n"
    "                birth years 1800-1999 can be stored.\n"
    "  ssn           123456789 or 123-45-6789; empty: unknown\n"
    "  state         a location name (New York), a postal abbreviation (NY) or a\n"
    "                location code 0-65 or 121-127; empty: unknown\n"
    "  zip_residence, zip_payment\n"
    "                5 digits (ZIP+4 is accepted, the +4 is not stored), X's for unknown\n"
    "                leading digits (XX123, XXXXX), or empty. An exact ZIP must be in the\n"
    "                program's ZIP table of that column.\n"
    "\n"
    "Names are stored in upper case; accented Latin letters as plain letters (E for É,\n"
    "SS for ß). A name with any other character outside printable ASCII is stored as\n"
    "unknown, and a row with such a surname is skipped.\n"
    "\n"
    "A value the records cannot hold is stored as unknown, never as a different value:\n"
    "an impossible month or day, a year out of range, a ZIP not in the table, a birth in\n"
    "1900 with neither month nor day (which reads as no date). Each such row is reported\n"
    "on standard error as FILE:LINE: column: reason, and counted in the summary.\n"
    "A field longer than 64 kB is cut; a row of more than 1,024 fields or 1 MB is no\n"
    "list entry and is reported and skipped.\n"
    "\n"
    "The public death file (dmf) has lines of 100 characters: column 1 the change type,\n"
    "2-10 the SSN, 11-30 the surname, 31-34 a suffix, 35-49 the given name, 50-64 the\n"
    "middle name, 65 a verification code, 66-73 the date of death and 74-81 the date of\n"
    "birth (MMDDCCYY; 00 for an unknown month or day, 00000000 for no date). Surname,\n"
    "given name, SSN and dates are stored, the rest is not; state and ZIPs are unknown.\n"
    "A line of blank or A type adds a person, C replaces the earlier lines with its SSN,\n"
    "D removes them. A line of another length, or with other than digits in the SSN or\n"
    "a date, is reported by its number and skipped. Files with C or D lines are sorted\n"
    "once more by SSN to apply them (the memory then reaches 1.5 times --memory).\n"
    "\n"
    "Exit status: 0 built (rows with problems are reported); 1 nothing built; 2 wrong\n"
    "command line; 130 interrupted.\n";

const char kDemoHelp[] =
    "Usage: vel7m-disc demo --out DIR [--records N] [--seed S] [--quiet]\n"
    "\n"
    "Writes a synthetic disc set shaped like the real index, to try and measure the\n"
    "program without the discs. The people carry the surnames and given names of the\n"
    "1990 US census lists: surnames as common as their rank says (SMITH about 1% of\n"
    "all records, families that mostly came after 1965 far fewer), given names by sex\n"
    "and by the decade of birth, rarely blank; SSNs from the areas of a state at or near\n"
    "the last residence; deaths mostly 1962-1998, some unknown dates, partial and missing\n"
    "ZIPs. The same seed always gives the same set. Like build, the set replaces DIR only\n"
    "when it is complete.\n"
    "\n"
    "  --records N   number of records, default 2,500,000 (the full index holds about\n"
    "                70,000,000); memory does not grow with N\n"
    "  --seed S      default 1\n"
    "  --quiet       no progress bar\n";

const char kCheckHelp[] =
    "Usage: vel7m-disc check DIR [--quiet]\n"
    "       vel7m-disc check --disc1 DIR1 --disc2 DIR2 [--quiet]\n"
    "\n"
    "Reads a disc set the way the program does and verifies what the program relies on:\n"
    "the markers; each tree file's last byte and header, every node's count, key order and\n"
    "child ranges; every key in its partition and on its disc; every run inside one data\n"
    "file that exists and is long enough, runs ascending with their keys without overlap;\n"
    "the records of a run sorted by first name and naming entries of fname.fst; the list\n"
    "sorted, with its fillers in place. Each problem is printed as FILE: OFFSET: problem.\n"
    "\n"
    "Exit status: 0 no problems; 1 problems found; 2 wrong command line.\n";

const char kStatsHelp[] =
    "Usage: vel7m-disc stats DIR\n"
    "       vel7m-disc stats --disc1 DIR1 --disc2 DIR2\n"
    "\n"
    "Prints the counts of a disc set (records, surnames, first names, data files, size)\n"
    "and its ten largest surnames, from the tree files. Run check for a full verification.\n"
    "\n"
    "Exit status: 0 counted; 1 the set is missing or damaged (each problem found is\n"
    "printed, and no counts, since they would be wrong); 2 wrong command line.\n";

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

// A second signal ends the process the usual way.
void CatchSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    bool Has(const std::string& option) const { return values.count(option) != 0; }
    std::string Get(const std::string& option) const {
        const auto it = values.find(option);
        return it == values.end() ? "" : it->second;
    }
};

// Options with a value (--name VALUE or --name=VALUE) and flags; anything else is an error.
bool ParseArguments(int argc, char** argv, const std::vector<std::string>& valued,
                    const std::vector<std::string>& flags, Arguments& out, std::string& error) {
    const auto known = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            out.positional.push_back(arg);
            continue;
        }
        std::string value;
        const std::size_t equals = arg.find('=');
        const bool inlineValue = equals != std::string::npos;
        if (inlineValue) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        }
        if (known(flags, arg) && !inlineValue) {
            out.values[arg] = "";
        } else if (known(valued, arg)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    error = arg + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            out.values[arg] = value;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}

bool ParseNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(text);
    return true;
}

int Usage(const std::string& problem, const char* help) {
    std::fprintf(stderr, "vel7m-disc: %s\n\n%s", problem.c_str(), help);
    return kExitUsage;
}

std::unique_ptr<Progress> MakeProgress(const Arguments& args) {
    if (!args.Has("--quiet") && isatty(STDERR_FILENO))
        return std::make_unique<TerminalProgress>();
    return std::make_unique<NoProgress>();
}

std::string Size(std::int64_t bytes) {
    char text[32];
    if (bytes < 1000000) {
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    }
    return text;
}

int Failed(const std::string& command, const std::string& error) {
    std::fprintf(stderr, "vel7m-disc %s: %s\n", command.c_str(), error.c_str());
    return g_stop != 0 ? kExitInterrupted : kExitFailed;
}

int RunBuildCommand(int argc, char** argv) {
    Arguments args;
    std::string error;
    if (!ParseArguments(argc, argv, {"--from", "--out", "--memory", "--input-format"},
                        {"--strict", "--quiet", "--help"}, args, error))
        return Usage(error, kBuildHelp);
    if (args.Has("--help")) {
        std::fputs(kBuildHelp, stdout);
        return kExitOk;
    }
    if (!args.positional.empty())
        return Usage("unexpected argument " + args.positional[0], kBuildHelp);
    if (!args.Has("--from") || !args.Has("--out"))
        return Usage("build needs --from FILE and --out DIR", kBuildHelp);

    BuildOptions options;
    options.input = args.Get("--from");
    options.outDir = args.Get("--out");
    options.strict = args.Has("--strict");
    if (args.Has("--memory")) {
        std::uint64_t mb = 0;
        if (!ParseNumber(args.Get("--memory"), mb) || mb < 16 || mb > (1u << 20))
            return Usage("--memory takes a number of megabytes, 16 or more", kBuildHelp);
        options.memoryBytes = static_cast<std::size_t>(mb) << 20;
    }
    if (args.Has("--input-format")) {
        const std::string format = args.Get("--input-format");
        if (format != "csv" && format != "dmf")
            return Usage("--input-format is csv or dmf", kBuildHelp);
        options.format = format == "csv" ? InputFormat::kCsv : InputFormat::kDeathFile;
    }
    const std::unique_ptr<Progress> progress = MakeProgress(args);
    options.progress = progress.get();
    options.stop.flag = &g_stop;
    const std::string source = options.input == "-" ? "stdin" : options.input;
    options.onProblem = [&](const RowProblem& p) {
        std::fprintf(stderr, "%s:%ld: %s\n", source.c_str(), p.line, p.message.c_str());
    };

    BuildSummary summary;
    const bool ok = RunBuild(options, summary, error);
    progress->Clear();
    if (!summary.ignoredColumns.empty()) {
        std::string names;
        for (const std::string& c : summary.ignoredColumns)
            names += (names.empty() ? "" : ", ") + c;
        std::fprintf(stderr, "vel7m-disc build: ignored column(s): %s\n", names.c_str());
    }
    if (!ok)
        return Failed("build", error);
    const bool deathFile = summary.format == InputFormat::kDeathFile;
    const char* rows = deathFile ? "line" : "row";
    std::printf(
        "build: %s %ss read (%s), %s records written in %d data file(s): %s surnames, %s "
        "first names\n",
        FormatCount(summary.rows).c_str(), rows, deathFile ? "the public death file" : "a CSV list",
        FormatCount(summary.records).c_str(), summary.dataFiles,
        FormatCount(summary.surnames).c_str(), FormatCount(summary.firstNames).c_str());
    std::printf("       %s %s(s) with problems (%s skipped), %s name(s) cut to fit\n",
                FormatCount(summary.rowsWithProblems).c_str(), rows,
                FormatCount(summary.rowsSkipped).c_str(), FormatCount(summary.namesCut).c_str());
    if (summary.changes > 0 || summary.deletes > 0) {
        std::printf("       %s change and %s delete line(s) took away %s record(s)\n",
                    FormatCount(summary.changes).c_str(), FormatCount(summary.deletes).c_str(),
                    FormatCount(summary.recordsRemoved).c_str());
    }
    const double seconds = std::max(summary.seconds, 1e-3);
    std::string stored;
    if (summary.compressed && summary.storedBytes >= 0)
        stored = " (" + Size(summary.storedBytes) + " compressed)";
    std::printf("       %s%s in %.1f s: %s %ss/s, %.1f MB/s\n", Size(summary.inputBytes).c_str(),
                stored.c_str(), summary.seconds,
                FormatCount(static_cast<std::int64_t>(summary.rows / seconds)).c_str(), rows,
                summary.inputBytes / seconds / 1e6);
    std::printf("       disc set in %s; use it with WINDIR=%s\n", summary.outDir.c_str(),
                summary.outDir.c_str());
    return kExitOk;
}

int RunDemoCommand(int argc, char** argv) {
    Arguments args;
    std::string error;
    if (!ParseArguments(argc, argv, {"--out", "--records", "--seed"}, {"--quiet", "--help"}, args,
                        error))
        return Usage(error, kDemoHelp);
    if (args.Has("--help")) {
        std::fputs(kDemoHelp, stdout);
        return kExitOk;
    }
    if (!args.positional.empty())
        return Usage("unexpected argument " + args.positional[0], kDemoHelp);
    if (!args.Has("--out"))
        return Usage("demo needs --out DIR", kDemoHelp);
    DemoOptions options;
    options.outDir = args.Get("--out");
    std::uint64_t number = 0;
    if (args.Has("--records")) {
        if (!ParseNumber(args.Get("--records"), number) || number < 1 ||
            number > static_cast<std::uint64_t>(kMaxDemoRecords))
            return Usage("--records takes a number from 1 to " + FormatCount(kMaxDemoRecords),
                         kDemoHelp);
        options.records = static_cast<std::int64_t>(number);
    }
    if (args.Has("--seed")) {
        if (!ParseNumber(args.Get("--seed"), options.seed))
            return Usage("--seed takes a whole number", kDemoHelp);
    }
    const std::unique_ptr<Progress> progress = MakeProgress(args);
    options.progress = progress.get();
    options.stop.flag = &g_stop;

    const auto start = std::chrono::steady_clock::now();
    DemoSummary summary;
    const bool ok = RunDemo(options, summary, error);
    progress->Clear();
    if (!ok)
        return Failed("demo", error);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("demo: %s records, %s surnames, %s first names in %d data files (%s) in %.1f s\n",
                FormatCount(summary.records).c_str(), FormatCount(summary.surnames).c_str(),
                FormatCount(summary.firstNames).c_str(), summary.dataFiles,
                Size(summary.bytes).c_str(), seconds);
    std::printf("      disc set in %s; use it with WINDIR=%s\n", summary.outDir.c_str(),
                summary.outDir.c_str());
    return kExitOk;
}

// The two discs of a set: DIR/disc1 and DIR/disc2, or given one by one.
bool DiscsOf(const Arguments& args, DiscLocation& disc1, DiscLocation& disc2, std::string& error) {
    if (args.Has("--disc1") || args.Has("--disc2")) {
        if (!args.Has("--disc1") || !args.Has("--disc2") || !args.positional.empty()) {
            error = "give DIR, or both --disc1 and --disc2";
            return false;
        }
        disc1 = {args.Get("--disc1"), args.Get("--disc1")};
        disc2 = {args.Get("--disc2"), args.Get("--disc2")};
        for (DiscLocation* d : {&disc1, &disc2}) {
            if (!d->label.empty() && d->label.back() != '/')
                d->label += '/';
        }
        return true;
    }
    if (args.positional.size() != 1) {
        error = "give one disc set folder";
        return false;
    }
    std::string dir = args.positional[0];
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    disc1 = {dir + "disc1", "disc1/"};
    disc2 = {dir + "disc2", "disc2/"};
    return true;
}

int RunCheckCommand(int argc, char** argv, bool statsOnly) {
    const char* help = statsOnly ? kStatsHelp : kCheckHelp;
    Arguments args;
    std::string error;
    DiscLocation disc1, disc2;
    if (!ParseArguments(argc, argv, {"--disc1", "--disc2"}, {"--quiet", "--help"}, args, error))
        return Usage(error, help);
    if (args.Has("--help")) {
        std::fputs(help, stdout);
        return kExitOk;
    }
    if (!DiscsOf(args, disc1, disc2, error))
        return Usage(error, help);
    const std::unique_ptr<Progress> progress = MakeProgress(args);
    InspectOptions options;
    options.readRecords = !statsOnly;
    options.progress = progress.get();
    options.stop.flag = &g_stop;
    const SetFacts facts = InspectDiscSet(disc1, disc2, options);
    if (g_stop != 0)
        return Failed(statsOnly ? "stats" : "check", "interrupted");
    const std::int64_t records = facts.disc[0].records + facts.disc[1].records;
    const std::int64_t surnames = facts.disc[0].surnames + facts.disc[1].surnames;

    if (!statsOnly) {
        for (const CheckProblem& problem : facts.problems)
            std::printf("%s\n", FormatProblem(problem).c_str());
        if (facts.problems.empty()) {
            std::printf("check: no problems (%s records, %s surnames)\n",
                        FormatCount(records).c_str(), FormatCount(surnames).c_str());
            return kExitOk;
        }
        std::printf("check: %s problem(s)\n",
                    FormatCount(static_cast<std::int64_t>(facts.problems.size())).c_str());
        return kExitFailed;
    }

    if (!facts.problems.empty()) {
        for (const CheckProblem& problem : facts.problems)
            std::fprintf(stderr, "vel7m-disc stats: %s\n", FormatProblem(problem).c_str());
        std::fprintf(stderr,
                     "vel7m-disc stats: %s problem(s); no counts shown (vel7m-disc check lists "
                     "every problem)\n",
                     FormatCount(static_cast<std::int64_t>(facts.problems.size())).c_str());
        return kExitFailed;
    }
    const auto files = [](const DiscFacts& d) {
        if (d.dataFiles == 0)
            return std::string("none");
        if (d.firstFile == d.lastFile)
            return "dp" + std::to_string(d.firstFile) + ".car";
        return "dp" + std::to_string(d.firstFile) + ".car - dp" + std::to_string(d.lastFile) +
               ".car";
    };
    std::printf("records      %14s   disc 1: %s, disc 2: %s\n", FormatCount(records).c_str(),
                FormatCount(facts.disc[0].records).c_str(),
                FormatCount(facts.disc[1].records).c_str());
    std::printf("surnames     %14s   %s with fewer than 5 records\n", FormatCount(surnames).c_str(),
                FormatCount(facts.smallSurnames).c_str());
    std::printf("first names  %14s   in fname.fst of disc 1 (disc 2: %s)\n",
                FormatCount(facts.disc[0].firstNames).c_str(),
                FormatCount(facts.disc[1].firstNames).c_str());
    std::printf("data files   %14d   disc 1: %s, disc 2: %s\n",
                facts.disc[0].dataFiles + facts.disc[1].dataFiles, files(facts.disc[0]).c_str(),
                files(facts.disc[1]).c_str());
    std::printf("size         %14s   disc 1: %s, disc 2: %s\n",
                Size(facts.disc[0].bytes + facts.disc[1].bytes).c_str(),
                Size(facts.disc[0].bytes).c_str(), Size(facts.disc[1].bytes).c_str());
    std::printf("largest surnames:\n");
    int rank = 0;
    for (const SurnameCount& s : facts.largest) {
        std::printf("  %2d  %-12s %12s  %5.2f%%\n", ++rank, s.key.c_str(),
                    FormatCount(s.count).c_str(),
                    records > 0 ? 100.0 * s.count / static_cast<double>(records) : 0.0);
    }
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::puts("vel7m-disc " VEL7M_VERSION);
        return kExitOk;
    }
    CatchSignals();
    if (command == "build")
        return RunBuildCommand(argc, argv);
    if (command == "demo")
        return RunDemoCommand(argc, argv);
    if (command == "check")
        return RunCheckCommand(argc, argv, false);
    if (command == "stats")
        return RunCheckCommand(argc, argv, true);
    std::fprintf(stderr, "vel7m-disc: unknown command %s\n\n%s", command.c_str(), kUsage);
    return kExitUsage;
}
