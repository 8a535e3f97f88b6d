// One hit as the writers take it: plain values, no widget and no result set, so the command
// line and the window's "Save as" write the same rows the same way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "death_record.h"

inline constexpr std::size_t kRowNameSize = 32;

struct ResultRow {
    // As the list line shows them: the search key and the first-name list's entry, both
    // blank-padded and upper case. Writers that want the bare names trim them.
    char surname[kRowNameSize];
    char givenName[kRowNameSize];
    // Packed month * 1,000,000 + day * 10,000 + year; a part of 0 is unknown, 0 is no date.
    std::int32_t birthDate;
    std::int32_t deathDate;
    // The nine digits as one number (area * 1,000,000 + group * 10,000 + serial).
    std::int32_t ssn;
    int locationCode;
    // A partial ZIP holds only its known trailing digits (see FormatZip).
    std::int32_t residenceZip;
    bool residenceZipPartial;
    std::int32_t paymentZip;
    bool paymentZipPartial;
    // The state or issuer the SSN's area was allotted to; "" when the number cannot tell.
    // Static text.
    const char* ssnIssuedIn;
};

// Fills `row` from a decoded record and the two names (copied, cut to fit; tabs and line
// breaks become blanks, as in the list line).
void MakeResultRow(const char* surname, const char* givenName, const DeathRecord& record,
                   ResultRow& row);
