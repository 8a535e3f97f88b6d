#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "view_app.h"

// The one application object, constructed before the program enters the framework.
CViewApp theApp;

namespace {

// A row number 1..10 on the command line is row 0..9 of the page.
bool ParseRow(const char* text, int& row) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 10)
        return false;
    row = static_cast<int>(value - 1);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vel7m [--query SURNAME [--first NAME] [--sounds-like soundex|dm]\n"
                 "              [--select ROW | --details ROW]] [--screenshot FILE]\n"
                 "       vel7m --version\n"
                 "  --query SURNAME  search for SURNAME once the window is up (* and ? are\n"
                 "                   wildcards)\n"
                 "  --first NAME     with the given name NAME\n"
                 "  --sounds-like soundex|dm  match surnames that sound like SURNAME, by\n"
                 "                   Soundex or Daitch-Mokotoff\n"
                 "  --select ROW     then select row ROW (1 to 10) of the first page\n"
                 "  --details ROW    then open the details of row ROW\n"
                 "  --screenshot FILE  save a picture of the window (or of a dialog open at\n"
                 "                     start-up: the details, the first start) as PNG and end\n"
                 "  --version        show the version\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The program's own options; the framework takes its own (--screenshot) from the rest.
    std::vector<char*> rest;
    const char* query = nullptr;
    const char* first = nullptr;
    int row = -1;
    BOOL details = FALSE;
    SurnameMatch match = SurnameMatch::kSpelling;
    bool matchGiven = false;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("vel7m " VEL7M_VERSION);
        return 0;
    }
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        bool takesValue = std::strcmp(arg, "--query") == 0 || std::strcmp(arg, "--first") == 0 ||
                          std::strcmp(arg, "--select") == 0 || std::strcmp(arg, "--details") == 0 ||
                          std::strcmp(arg, "--sounds-like") == 0;
        if (!takesValue) {
            rest.push_back(argv[i]);
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        const char* value = argv[++i];
        if (std::strcmp(arg, "--query") == 0) {
            query = value;
        } else if (std::strcmp(arg, "--first") == 0) {
            first = value;
        } else if (std::strcmp(arg, "--sounds-like") == 0) {
            if (std::strcmp(value, "soundex") == 0) {
                match = SurnameMatch::kSoundex;
            } else if (std::strcmp(value, "dm") == 0) {
                match = SurnameMatch::kDaitchMokotoff;
            } else {
                return Usage();
            }
            matchGiven = true;
        } else if (!ParseRow(value, row)) {
            return Usage();
        } else {
            details = std::strcmp(arg, "--details") == 0;
        }
    }
    if (query == nullptr && (row >= 0 || first != nullptr || matchGiven))
        return Usage();
    if (query != nullptr)
        theApp.SetStartQuery(query, first, row, details, match);
    rest.push_back(nullptr);
    return AfxWinMain(static_cast<int>(rest.size()) - 1, rest.data());
}
