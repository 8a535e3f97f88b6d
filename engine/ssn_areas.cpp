#include "ssn_areas.h"

#include <algorithm>

#include "death_record.h"

namespace {

constexpr int kLocationGuam = 65;
constexpr int kLocationAmericanSamoa = 64;
constexpr int kLocationPhilippineIslands = 61;

}  // namespace

int SsnAreaIssuer(int area) {
    const SsnAreaRange* end = SsnAreaRanges + kSsnAreaRangeCount;
    // The first range that ends at or after the area; the area is in it if it starts before.
    const SsnAreaRange* it = std::lower_bound(
        SsnAreaRanges, end, area, [](const SsnAreaRange& r, int a) { return r.last < a; });
    return it != end && it->first <= area ? it->issuer : 0;
}

int SsnAreaLocation(int area) {
    const int issuer = SsnAreaIssuer(area);
    return issuer < kLocationNameCount ? issuer : 0;
}

const char* SsnIssuerText(int issuer) {
    if (issuer > 0 && issuer < kLocationNameCount)
        return LocationNames[issuer];
    switch (issuer) {
        case kIssuerRailroadBoard:
            return "Railroad Retirement Board";
        case kIssuerEnumerationAtEntry:
            return "Enumeration at Entry";
        case kIssuerPacificIslands:
            return "Guam, American Samoa, Philippine Islands";
        default:
            return "";
    }
}

const char* SsnIssuedIn(std::int32_t ssn) {
    if (ssn <= 0 || ssn > 999999999)
        return "";
    return SsnIssuerText(SsnAreaIssuer(ssn / 1000000));
}

int SsnAreaRangesOf(int code, SsnAreaRange (&out)[kMaxSsnRangesPerLocation]) {
    const bool pacific = code == kLocationGuam || code == kLocationAmericanSamoa ||
                         code == kLocationPhilippineIslands;
    int count = 0;
    for (const SsnAreaRange& r : SsnAreaRanges) {
        const bool ours = r.issuer == code || (pacific && r.issuer == kIssuerPacificIslands);
        if (ours && code > 0 && count < kMaxSsnRangesPerLocation)
            out[count++] = r;
    }
    return count;
}
