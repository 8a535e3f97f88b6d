// Writes engine/ssn_area_table.cpp, the area numbers of Social Security Numbers by the state
// or territory they were allotted to, to stdout:
//
//     build/dev/tools/gen_ssn_areas > engine/ssn_area_table.cpp
//
// Source: Social Security Administration, "Social Security Number Allocations" (area numbers
// by state, as allotted until the numbers were randomized in June 2011). The list below is
// that table as published, state by state; the program checks that no area is allotted
// twice and writes the ranges in area order with their location codes.
//
// Where the published table gives one area to two places, one is chosen and said so here:
// 232 is listed for West Virginia (232-236) and also for North Carolina; it stays with West
// Virginia, whose first range it is. 580 is listed for the Virgin Islands and, in later
// versions, also as the first area of Puerto Rico's 580-584; it stays with the Virgin
// Islands, which had it alone first. 586 is shared by Guam, American Samoa and the
// Philippine Islands and cannot tell which: it gets a text naming all three.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "death_record.h"
#include "ssn_areas.h"

namespace {

struct Allotment {
    const char* place;  // a name of LocationNames, or one of the issuers below
    int first;
    int last;
};

constexpr Allotment kPublished[] = {
    {"New Hampshire", 1, 3},
    {"Maine", 4, 7},
    {"Vermont", 8, 9},
    {"Massachusetts", 10, 34},
    {"Rhode Island", 35, 39},
    {"Connecticut", 40, 49},
    {"New York", 50, 134},
    {"New Jersey", 135, 158},
    {"Pennsylvania", 159, 211},
    {"Maryland", 212, 220},
    {"Delaware", 221, 222},
    {"Virginia", 223, 231},
    {"Virginia", 691, 699},
    {"West Virginia", 232, 236},
    {"North Carolina", 237, 246},
    {"North Carolina", 681, 690},
    {"South Carolina", 247, 251},
    {"South Carolina", 654, 658},
    {"Georgia", 252, 260},
    {"Georgia", 667, 675},
    {"Florida", 261, 267},
    {"Florida", 589, 595},
    {"Florida", 766, 772},
    {"Ohio", 268, 302},
    {"Indiana", 303, 317},
    {"Illinois", 318, 361},
    {"Michigan", 362, 386},
    {"Wisconsin", 387, 399},
    {"Kentucky", 400, 407},
    {"Tennessee", 408, 415},
    {"Tennessee", 756, 763},
    {"Alabama", 416, 424},
    {"Mississippi", 425, 428},
    {"Mississippi", 587, 588},
    {"Mississippi", 752, 755},
    {"Arkansas", 429, 432},
    {"Arkansas", 676, 679},
    {"Louisiana", 433, 439},
    {"Louisiana", 659, 665},
    {"Oklahoma", 440, 448},
    {"Texas", 449, 467},
    {"Texas", 627, 645},
    {"Minnesota", 468, 477},
    {"Iowa", 478, 485},
    {"Missouri", 486, 500},
    {"North Dakota", 501, 502},
    {"South Dakota", 503, 504},
    {"Nebraska", 505, 508},
    {"Kansas", 509, 515},
    {"Montana", 516, 517},
    {"Idaho", 518, 519},
    {"Wyoming", 520, 520},
    {"Colorado", 521, 524},
    {"Colorado", 650, 653},
    {"New Mexico", 525, 525},
    {"New Mexico", 585, 585},
    {"New Mexico", 648, 649},
    {"Arizona", 526, 527},
    {"Arizona", 600, 601},
    {"Arizona", 764, 765},
    {"Utah", 528, 529},
    {"Utah", 646, 647},
    {"Nevada", 530, 530},
    {"Nevada", 680, 680},
    {"Washington", 531, 539},
    {"Oregon", 540, 544},
    {"California", 545, 573},
    {"California", 602, 626},
    {"Alaska", 574, 574},
    {"Hawaii", 575, 576},
    {"Hawaii", 750, 751},
    {"District of Columbia", 577, 579},
    {"Virgin Islands", 580, 580},
    {"Puerto Rico", 581, 584},
    {"Puerto Rico", 596, 599},
    {"Pacific Islands", 586, 586},
    {"Railroad Board", 700, 728},
    {"Enumeration at Entry", 729, 733},
};

int IssuerOf(const char* place) {
    if (std::strcmp(place, "Pacific Islands") == 0)
        return kIssuerPacificIslands;
    if (std::strcmp(place, "Railroad Board") == 0)
        return kIssuerRailroadBoard;
    if (std::strcmp(place, "Enumeration at Entry") == 0)
        return kIssuerEnumerationAtEntry;
    for (int code = 1; code < kLocationNameCount; ++code) {
        if (std::strcmp(place, LocationNames[code]) == 0)
            return code;
    }
    return -1;
}

}  // namespace

int main() {
    std::vector<SsnAreaRange> ranges;
    for (const Allotment& a : kPublished) {
        const int issuer = IssuerOf(a.place);
        if (issuer < 0 || a.first < 1 || a.last > 999 || a.first > a.last) {
            std::fprintf(stderr, "bad entry: %s %d-%d\n", a.place, a.first, a.last);
            return 1;
        }
        ranges.push_back({static_cast<std::uint16_t>(a.first), static_cast<std::uint16_t>(a.last),
                          static_cast<std::uint8_t>(issuer)});
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const SsnAreaRange& a, const SsnAreaRange& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].first <= ranges[i - 1].last) {
            std::fprintf(stderr, "area %d allotted twice\n", ranges[i].first);
            return 1;
        }
    }

    std::printf(
        "// Generated by tools/gen_ssn_areas from the Social Security Administration's table of\n"
        "// area number allocations; do not edit.\n"
        "#include \"ssn_areas.h\"\n\n"
        "static_assert(kSsnAreaRangeCount == %zu, \"the table and its count go together\");\n\n"
        "// clang-format off\n"
        "const SsnAreaRange SsnAreaRanges[kSsnAreaRangeCount] = {\n",
        ranges.size());
    for (const SsnAreaRange& r : ranges)
        std::printf("    {%3d, %3d, %3d},  // %s\n", r.first, r.last, r.issuer,
                    SsnIssuerText(r.issuer));
    std::printf("};\n// clang-format on\n");
    return 0;
}
