// Where a Social Security Number was issued. Until the numbers were randomized in mid-2011,
// the first three digits (the area number) were allotted to states and territories, and to
// two programmes; the allotments are a fixed table of the program (engine/ssn_area_table.cpp,
// written by tools/gen_ssn_areas).
#pragma once

#include <cstdint>

// Issuers that are not one place of the location table (codes 1..65 are those places).
inline constexpr std::uint8_t kIssuerRailroadBoard = 200;       // 700-728, until 1963
inline constexpr std::uint8_t kIssuerEnumerationAtEntry = 201;  // 729-733, on immigration
inline constexpr std::uint8_t kIssuerPacificIslands = 202;      // 586, shared by three

// Areas `first`..`last` were allotted to `issuer`: a location code 1..65 or an issuer above.
struct SsnAreaRange {
    std::uint16_t first;
    std::uint16_t last;
    std::uint8_t issuer;
};

// In ascending order of area, without overlaps; the areas between them were never allotted
// (000, 666, 734-749, 773 and up).
inline constexpr int kSsnAreaRangeCount = 78;
extern const SsnAreaRange SsnAreaRanges[kSsnAreaRangeCount];

// The issuer of an area number, 0 when it was never allotted (or is not 0..999).
int SsnAreaIssuer(int area);
// The location code (1..65) of the state or territory that issued the area, 0 when no one
// place did.
int SsnAreaLocation(int area);
// The issuer's name: a name of LocationNames, "Railroad Retirement Board", "Enumeration at
// Entry" or "Guam, American Samoa, Philippine Islands"; "" for 0 and unknown codes.
const char* SsnIssuerText(int issuer);

// The "SSN issued in" text of a record's SSN (the nine digits as one number): the issuer's
// name, or "" when the number cannot tell (no SSN, an area never allotted).
const char* SsnIssuedIn(std::int32_t ssn);

// The ranges allotted to location `code`, for writing plausible numbers for a state: at most
// kMaxSsnRangesPerLocation, in ascending order. Guam, American Samoa and the Philippine
// Islands get their shared area 586.
inline constexpr int kMaxSsnRangesPerLocation = 4;
int SsnAreaRangesOf(int code, SsnAreaRange (&out)[kMaxSsnRangesPerLocation]);
