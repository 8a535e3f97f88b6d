// vel7m-search: the search engine on the command line, for scripting, export and checking
// results without the window. Same engine, same query checks, same texts.
#include <fcntl.h>
#include <unistd.h>

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <string>

#include "death_index.h"
#include "death_record.h"
#include "hit_folder.h"
#include "host.h"
#include "profile.h"
#include "result_set.h"
#include "result_writers.h"
#include "search_criteria.h"
#include "search_query.h"
#include "wide_search.h"
#include "winapi.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFatal = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoDisc = 3;
constexpr int kExitProblem = 4;

const char kUsage[] =
    "Usage: vel7m-search [--settings FILE | --disc1 DIR --disc2 DIR] [--surname TEXT]\n"
    "                    [--sounds-like soundex|dm] [--first TEXT] [--birth YEAR[-YEAR]]\n"
    "                    [--death YEAR[-YEAR]] [--state CODE|NAME] [--ssn DIGITS]\n"
    "                    [--residence-zip ZIP] [--payment-zip ZIP]\n"
    "                    [--format table|lines|csv|json|gedcom] [--surnames-only]\n"
    "\n"
    "Searches the death index on the two data discs and prints every record found.\n"
    "\n"
    "  --surname TEXT   surname, at most 12 characters; * stands for any run of\n"
    "                   characters, ? for one (KOWAL*, SM?TH, *SON)\n"
    "  --sounds-like C  every surname that sounds like --surname: soundex (American\n"
    "                   Soundex) or dm (Daitch-Mokotoff); no wildcards with it\n"
    "  --first TEXT     given name, at most 10 characters; * and ? as for --surname\n"
    "  --birth YEAR     year of birth, 1870 to 1998, or a range such as 1905-1910\n"
    "  --death YEAR     year of death, 1900 to 1998, or a range such as 1905-1910\n"
    "  --state CODE     last known residence: a location code 1 to 65 or its name\n"
    "                   (\"Ohio\", \"new york\"); 0 or \"Unknown\" means any\n"
    "  --ssn DIGITS     Social Security Number: nine digits, or the first three or five\n"
    "                   (123-45-6789, 123-45, 123; dashes optional)\n"
    "  --residence-zip Z  ZIP of last residence: five digits, or the first three\n"
    "  --payment-zip Z  ZIP of last payment: five digits, or the first three\n"
    "  --disc1 DIR      directory of disc 1 (surnames A - K)\n"
    "  --disc2 DIR      directory of disc 2 (surnames L - Z)\n"
    "  --settings FILE  read CDPath and CD2Path from section [Vel7m] of FILE; a bare name\n"
    "                   is looked up in $WINDIR, else $XDG_CONFIG_HOME, else ~/.config\n"
    "                   (default: brisel.ini there)\n"
    "  --format F       table (default, aligned columns), lines (the window's texts: the\n"
    "                   count line, then list line TAB detail line per record), csv\n"
    "                   (RFC 4180 with a header row), json (one object per record per line)\n"
    "                   or gedcom (GEDCOM 5.5.1 in UTF-8, one individual per record, for\n"
    "                   family-tree programs); all but lines add where the SSN was issued\n"
    "  --surnames-only  list the surnames --surname reaches, with their record counts,\n"
    "                   without reading the records\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "\n"
    "--surname may be left out when another criterion is given; all criteria must hold.\n"
    "Every option takes its value as the next argument or after '=' (--surname=smith); a\n"
    "value that starts with \"--\" must be given with '='.\n"
    "\n"
    "Exit status: 0 done; 1 the search could not run or its results could not be written\n"
    "(settings file, TMPDIR, standard output, a missing data file, a damaged tree file);\n"
    "2 the query or the command line is wrong; 3 a disc is missing and no one can be asked\n"
    "to insert it, or the request was cancelled; 4 the search ran but reported a problem\n"
    "(the message is on standard error).\n";

// Messages go to standard error; a disc request is asked on the terminal when there is one.
class CommandLineHost final : public Host {
  public:
    std::string programDir;
    std::string disc1;
    std::string disc2;
    bool interactive = false;
    bool problemReported = false;
    bool cancelled = false;  // a disc request was answered with Cancel (or end of input)

    int ShowMessage(const char* text, const char* /*caption*/, unsigned style) override {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", text);
        if ((style & MB_TYPEMASK) != MB_OKCANCEL) {
            problemReported = true;
            return IDOK;
        }
        if (!interactive)
            std::exit(kExitNoDisc);
        for (;;) {
            std::fprintf(stderr, "[O]K or [C]ancel? ");
            char answer[32];
            const char c = std::fgets(answer, sizeof answer, stdin) != nullptr ? answer[0] : 'c';
            if (c == 'o' || c == 'O' || c == '\n')
                return IDOK;
            if (c == 'c' || c == 'C') {
                cancelled = true;
                return IDCANCEL;
            }
        }
    }
    const char* ProgramDir() const override { return programDir.c_str(); }
    const char* DiscDir(int disc) const override {
        return disc == 1 ? disc1.c_str() : disc2.c_str();
    }
    void Exit(int status) override { std::exit(status); }
    const char* AppTitle() const override { return "vel7m-search"; }
};

CommandLineHost g_host;

// Descriptors 0 to 2 stay taken for the whole run: a file opened later (the hit file, a
// disc's files) must never become standard output or error, where the results and messages
// would be written into it. A closed standard output gets /dev/null opened for reading, so
// writing the results fails and is reported instead of vanishing.
bool KeepStandardDescriptorsTaken() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = open("/dev/null", fd == 2 ? O_WRONLY : O_RDONLY);
        if (opened < 0)
            return false;
        if (opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
    return true;
}

// The reason of the first failed write to standard output, kept for the message.
int g_outputError = 0;

// True once a write to standard output has failed.
bool OutputFailed() {
    if (std::ferror(stdout) && g_outputError == 0)
        g_outputError = errno != 0 ? errno : EIO;
    return g_outputError != 0;
}

// Flushes standard output; a failed write anywhere before is reported here.
int FinishOutput(int status) {
    errno = 0;
    if (std::fflush(stdout) != 0 && g_outputError == 0)
        g_outputError = errno != 0 ? errno : EIO;
    if (OutputFailed()) {
        std::fprintf(stderr, "vel7m-search: cannot write to standard output: %s\n",
                     std::strerror(g_outputError));
        return kExitFatal;
    }
    return status;
}

// A directory with the separator appended when it lacks one; "" stays "".
std::string WithTrailingSlash(std::string dir) {
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

[[noreturn]] void Refuse(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::exit(kExitUsage);
}

struct Options {
    const char* settings = nullptr;
    const char* disc1 = nullptr;
    const char* disc2 = nullptr;
    const char* surname = nullptr;
    const char* first = nullptr;
    const char* birth = nullptr;
    const char* death = nullptr;
    const char* state = nullptr;
    const char* format = "table";
    const char* soundsLike = nullptr;
    const char* ssn = nullptr;
    const char* residenceZip = nullptr;
    const char* paymentZip = nullptr;
    const char* surnamesOnly = nullptr;  // a flag: set when given
};

// A check of one option's value: "" when the value will do, else what it must be.
using ValueCheck = std::string (*)(const char* value);

// A whole number, as a year must be typed here: "1950abc" or "1950.5" are not taken as 1950.
// Blanks around it and a sign are allowed; the range is the query's check. Empty: not given.
std::string WholeNumber(const char* value) {
    const char* p = value;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '\0')
        return {};
    if (*p == '+' || *p == '-')
        ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9')
        ++p;
    const bool anyDigits = p != digits;
    while (*p == ' ' || *p == '\t')
        ++p;
    return anyDigits && *p == '\0' ? std::string() : "a year in digits";
}

// A location code from a number 0..65 or a name of the table; -1 when it is neither.
int ParseState(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long code = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && errno == 0)
        return code >= 0 && code < kLocationNameCount ? static_cast<int>(code) : -1;
    for (int i = 0; i < kLocationNameCount; ++i) {
        if (strcasecmp(text, LocationNames[i]) == 0)
            return i;
    }
    return -1;
}

std::string KnownState(const char* value) {
    return ParseState(value) >= 0 ? std::string() : "a location code 0 to 65 or its name";
}

// A year, or two joined by a dash (blanks allowed around each): the query checks the limits
// and the order.
std::string YearOrRange(const char* value) {
    if (WholeNumber(value).empty())
        return {};
    const char* p = value;
    auto blanks = [&] {
        while (*p == ' ' || *p == '\t')
            ++p;
    };
    auto digits = [&] {
        const char* start = p;
        while (*p >= '0' && *p <= '9')
            ++p;
        return p != start;
    };
    blanks();
    bool range = digits();
    blanks();
    if (range && *p == '-') {
        ++p;
        blanks();
        range = digits();
        blanks();
    } else {
        range = false;
    }
    return range && *p == '\0' ? std::string() : "a year in digits, or two as in 1905-1910";
}

std::string SoundCode(const char* value) {
    return std::strcmp(value, "soundex") == 0 || std::strcmp(value, "dm") == 0 ? std::string()
                                                                               : "soundex or dm";
}

// Digits with dashes in their places; how many digits is the query's check.
std::string SsnDigits(const char* value) {
    return std::strspn(value, "0123456789- ") == std::strlen(value)
               ? std::string()
               : "nine digits, or the first three or five (123-45-6789, 123-45, 123)";
}

std::string ZipDigits(const char* value) {
    return std::strspn(value, "0123456789 ") == std::strlen(value)
               ? std::string()
               : "five digits, or the first three";
}

std::string KnownFormat(const char* value) {
    OutputFormat format;
    return OutputFormatFromName(value, format) ? std::string()
                                               : "table, lines, csv, json or gedcom";
}

// Every option, its field and the check of its value (none: any text). A flag takes no value.
constexpr const char kFlag[] = "";
constexpr struct {
    const char* name;
    const char* Options::*field;
    ValueCheck check;
    bool flag = false;
} kOptionFields[] = {
    {"--settings", &Options::settings, nullptr},
    {"--disc1", &Options::disc1, nullptr},
    {"--disc2", &Options::disc2, nullptr},
    {"--surname", &Options::surname, nullptr},
    {"--sounds-like", &Options::soundsLike, SoundCode},
    {"--first", &Options::first, nullptr},
    {"--birth", &Options::birth, YearOrRange},
    {"--death", &Options::death, YearOrRange},
    {"--state", &Options::state, KnownState},
    {"--ssn", &Options::ssn, SsnDigits},
    {"--residence-zip", &Options::residenceZip, ZipDigits},
    {"--payment-zip", &Options::paymentZip, ZipDigits},
    {"--format", &Options::format, KnownFormat},
    {"--surnames-only", &Options::surnamesOnly, nullptr, true},
};

[[noreturn]] void UsageError(const std::string& message) {
    std::fprintf(stderr, "vel7m-search: %s\n\n%s", message.c_str(), kUsage);
    std::exit(kExitUsage);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(FinishOutput(kExitOk));
        }
        if (name == "--version") {
            std::puts("vel7m-search " VEL7M_VERSION);
            std::exit(FinishOutput(kExitOk));
        }
        // Both "--name value" and "--name=value". The next argument is not taken as a value
        // when it is an option itself: "--surname --first ann" lacks a surname.
        const char* value = nullptr;
        bool inlineValue = false;
        if (const std::size_t eq = name.find('=');
            name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = argv[i] + eq + 1;
            name.resize(eq);
            inlineValue = true;
        }
        const auto option = std::find_if(std::begin(kOptionFields), std::end(kOptionFields),
                                         [&](const auto& f) { return name == f.name; });
        if (option == std::end(kOptionFields))
            UsageError("unknown option '" + name + "'");
        if (option->flag) {
            if (inlineValue)
                UsageError(name + " takes no value");
            o.*(option->field) = kFlag;
            continue;
        }
        if (!inlineValue && i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
            value = argv[++i];
        if (value == nullptr)
            UsageError(name + " needs a value");
        if (option->check != nullptr) {
            const std::string wanted = option->check(value);
            if (!wanted.empty()) {
                std::fprintf(stderr, "vel7m-search: %s needs %s, not '%s'\n", name.c_str(),
                             wanted.c_str(), value);
                std::exit(kExitUsage);
            }
        }
        o.*(option->field) = value;
    }
    if (o.settings != nullptr && (o.disc1 != nullptr || o.disc2 != nullptr)) {
        UsageError("give --settings or --disc1/--disc2, not both");
    }
    return o;
}

// Checks a typed year like the form: the year, or the form's message and exit status 2.
int CheckYear(const char* text, int first, const char* message) {
    const int year = ParseLeadingInt(text);
    if (year < first || year > kLastYear) {
        char line[64];
        std::snprintf(line, sizeof line, message, kLastYear);
        Refuse(line);
    }
    return year;
}

// Fills the criteria with the form's checks, in the form's order; refuses like the form.
void FillCriteria(const Options& o, CSearchCriteria& criteria) {
    if (o.surname == nullptr || *o.surname == '\0')
        Refuse("Please enter a surname.");
    criteria.SetSurname(o.surname);
    if (g_host.problemReported)
        std::exit(kExitUsage);  // the criteria showed why
    if (o.first != nullptr && *o.first != '\0') {
        criteria.SetFirstName(o.first);
        if (g_host.problemReported)
            std::exit(kExitUsage);
    }
    if (o.death != nullptr && *o.death != '\0') {
        criteria.SetDeathYear(
            CheckYear(o.death, kFirstDeathYear, "Death year must be between 1900 and %d"));
    }
    if (o.birth != nullptr && *o.birth != '\0') {
        criteria.SetBirthYear(
            CheckYear(o.birth, kFirstBirthYear, "Birth year must be between 1870 and %d"));
    }
    if (criteria.birthYearSet && criteria.deathYearSet && criteria.birthYear > criteria.deathYear) {
        Refuse("Birth year must be the same or earlier than\nthe death year.");
    }
    // Checked with the options; 0 ("Unknown") sets no condition, as in the form.
    if (o.state != nullptr && ParseState(o.state) > 0)
        criteria.SetState(ParseState(o.state));
}

// What a GEDCOM file names as its source: the disc set searched and today's date.
ExportSource ExportSourceOfThisRun() {
    static char discSet[2 * kMaxPath + 64];
    std::snprintf(discSet, sizeof discSet, "disc 1 %s, disc 2 %s", g_host.disc1.c_str(),
                  g_host.disc2.c_str());
    ExportSource source;
    source.discSet = discSet;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        source.year = local.tm_year + 1900;
        source.month = local.tm_mon + 1;
        source.day = local.tm_mday;
    }
    return source;
}

// Reads the disc folders from the settings file, or ends the run naming the file.
void ReadDiscFolders(const char* file) {
    const SettingsCheck check = CheckSettingsFile(file, "Vel7m", {"CDPath", "CD2Path"});
    if (check.problem != SettingsProblem::None) {
        std::string text = SettingsProblemText(check, "Vel7m");
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
        std::fprintf(stderr, "vel7m-search: %s\n", text.c_str());
        if (check.problem == SettingsProblem::Missing)
            std::fputs("Give --disc1 and --disc2, or --settings FILE.\n", stderr);
        std::exit(kExitFatal);
    }
    // The application's own reader: bare names are found where the window finds them.
    char value[kMaxPath * 4];
    GetPrivateProfileStringA("Vel7m", "CDPath", "", value, sizeof value, file);
    g_host.disc1 = WithTrailingSlash(value);
    GetPrivateProfileStringA("Vel7m", "CD2Path", "", value, sizeof value, file);
    g_host.disc2 = WithTrailingSlash(value);
}

// The query as the options give it; checked by the caller.
SearchQuery QueryOf(const Options& o) {
    SearchQuery query;
    SurnameMatch how = SurnameMatch::kSpelling;
    if (o.soundsLike != nullptr)
        how = std::strcmp(o.soundsLike, "dm") == 0 ? SurnameMatch::kDaitchMokotoff
                                                   : SurnameMatch::kSoundex;
    query.SetSurname(o.surname != nullptr ? o.surname : "", how);
    query.SetFirstName(o.first != nullptr ? o.first : "");
    query.SetBirth(o.birth != nullptr ? o.birth : "");
    query.SetDeath(o.death != nullptr ? o.death : "");
    query.SetState(o.state != nullptr ? ParseState(o.state) : 0);
    query.SetSsn(o.ssn != nullptr ? o.ssn : "");
    query.SetResidenceZip(o.residenceZip != nullptr ? o.residenceZip : "");
    query.SetPaymentZip(o.paymentZip != nullptr ? o.paymentZip : "");
    return query;
}

const char* OptionOf(QueryField field) {
    switch (field) {
        case QueryField::kSurname:
            return "--surname";
        case QueryField::kSoundsLike:
            return "--sounds-like";
        case QueryField::kFirstName:
            return "--first";
        case QueryField::kBirth:
            return "--birth";
        case QueryField::kDeath:
            return "--death";
        case QueryField::kState:
            return "--state";
        case QueryField::kSsn:
            return "--ssn";
        case QueryField::kResidenceZip:
            return "--residence-zip";
        case QueryField::kPaymentZip:
            return "--payment-zip";
        case QueryField::kNone:
        case QueryField::kWhole:
            break;
    }
    return nullptr;
}

// Checks a query beyond the form's; a refused one is named by its option, with exit status 2.
void CheckQuery(SearchQuery& query) {
    QueryProblem problem;
    if (query.Check(problem))
        return;
    const std::size_t length = std::strlen(problem.text);
    const char* stop = length > 0 && problem.text[length - 1] == '.' ? "" : ".";
    if (const char* option = OptionOf(problem.field)) {
        std::fprintf(stderr, "vel7m-search: %s: %s%s\n", option, problem.text, stop);
    } else {
        std::fprintf(stderr, "vel7m-search: %s%s\n", problem.text, stop);
    }
    std::exit(kExitUsage);
}

// --surnames-only: the surnames the surname criterion reaches and their record counts.
int ListSurnames(const Options& options, SearchQuery& query) {
    if (options.surname == nullptr || *options.surname == '\0')
        UsageError("--surnames-only needs --surname");
    if (options.first != nullptr || options.birth != nullptr || options.death != nullptr ||
        options.state != nullptr || options.ssn != nullptr || options.residenceZip != nullptr ||
        options.paymentZip != nullptr) {
        UsageError(
            "--surnames-only counts whole surnames: give it only --surname and "
            "--sounds-like");
    }
    CheckQuery(query);
    const std::string format = options.format;
    if (format == "gedcom")
        UsageError(
            "--surnames-only lists surnames, not people: use --format lines, table, csv or json");
    if (format == "csv") {
        PutCsvField(stdout, "surname", false);
        PutCsvField(stdout, "records", true);
    } else if (format == "table") {
        std::printf("%-12s  %s\n", "Surname", "Records");
    }
    long surnames = 0;
    long long total = 0;
    CWideSearch search(nullptr);
    const WideOutcome outcome = search.ListSurnames(query, [&](const SurnameCount& found) {
        ++surnames;
        total += found.records;
        std::string name = found.key;
        const std::size_t end = name.find_last_not_of(' ');
        name.resize(end == std::string::npos ? 0 : end + 1);
        if (format == "lines") {
            std::printf("%s\t%d\n", found.key, found.records);
        } else if (format == "table") {
            std::printf("%-12s  %d\n", name.c_str(), found.records);
        } else if (format == "csv") {
            PutCsvField(stdout, name.c_str(), false);
            PutCsvField(stdout, std::to_string(found.records).c_str(), true);
        } else {
            std::fputs("{\"surname\":", stdout);
            PutJsonString(stdout, name.c_str());
            std::printf(",\"records\":%d}\n", found.records);
        }
        return !OutputFailed();
    });
    if (outcome == WideOutcome::kNoDisc || g_host.cancelled) {
        std::fputs("vel7m-search: the disc request was cancelled, so the search did not finish.\n",
                   stderr);
        return kExitNoDisc;
    }
    if (format == "table")
        std::printf("%ld surnames, %lld records.\n", surnames, total);
    return FinishOutput(g_host.problemReported ? kExitProblem : kExitOk);
}

}  // namespace

int main(int argc, char** argv) {
    if (!KeepStandardDescriptorsTaken())
        return kExitFatal;
    const Options options = ParseOptions(argc, argv);
    g_host.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    if (options.disc1 != nullptr || options.disc2 != nullptr) {
        g_host.disc1 = WithTrailingSlash(options.disc1 != nullptr ? options.disc1 : "");
        g_host.disc2 = WithTrailingSlash(options.disc2 != nullptr ? options.disc2 : "");
    } else {
        ReadDiscFolders(options.settings != nullptr ? options.settings : "brisel.ini");
    }
    InstallHost(&g_host);

    SearchQuery query = QueryOf(options);
    if (options.surnamesOnly != nullptr)
        return ListSurnames(options, query);
    // What the form can ask goes through the form's own checks and search, unchanged.
    CSearchCriteria criteria;
    bool wide = false;
    if (query.IsFormShaped()) {
        FillCriteria(options, criteria);
    } else {
        CheckQuery(query);
        if (query.IsDescribedForm()) {
            query.FillCriteria(criteria);
        } else {
            wide = true;
        }
    }

    // A private hit file, so the command and the window can run side by side.
    const std::string tmpDir = search::TemporaryFolder();
    search::SweepAbandonedHitFolders(tmpDir, std::chrono::minutes(1));
    std::string error;
    g_host.programDir = search::MakeHitFolder(tmpDir, error);
    if (g_host.programDir.empty()) {
        const char* fromEnvironment = std::getenv("TMPDIR");
        std::fprintf(stderr, "vel7m-search: cannot make a folder for the hit file in %s%s: %s\n",
                     fromEnvironment != nullptr && *fromEnvironment != '\0' ? "TMPDIR " : "",
                     tmpDir.c_str(), error.c_str());
        return kExitFatal;
    }

    CDeathIndex index;
    CResultSet results(&index);
    index.SetResultSet(&results);
    WideOutcome outcome = WideOutcome::kDone;
    if (wide) {
        outcome = std::make_unique<CWideSearch>(&results)->Search(query);
    } else {
        index.Search(&criteria);
    }
    if (outcome == WideOutcome::kFailed)
        return kExitFatal;  // the hit file or its companions: already told
    if (outcome == WideOutcome::kNoDisc || g_host.cancelled) {
        std::fputs("vel7m-search: the disc request was cancelled, so the search did not finish.\n",
                   stderr);
        return kExitNoDisc;
    }

    OutputFormat format = OutputFormat::Table;
    OutputFormatFromName(options.format, format);  // checked with the options
    CResultWriter writer(format, stdout, ExportSourceOfThisRun());
    writer.Begin(results.GetTotal());
    ResultRow row;
    for (;;) {
        for (int r = 0; r < results.GetPageCount(); ++r) {
            if (results.PageRow(r, row))
                writer.Write(row);
        }
        // Writing has failed for good (a full disk, a closed output): stop reading.
        if (OutputFailed() || results.GetPageCount() <= 0 || !results.HasNextPage())
            break;
        results.NextPage();
    }
    writer.End();
    return FinishOutput(g_host.problemReported ? kExitProblem : kExitOk);
}
