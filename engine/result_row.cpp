#include "result_row.h"

#include <cstdio>

#include "ssn_areas.h"

namespace {

void CopyField(char (&out)[kRowNameSize], const char* text) {
    std::snprintf(out, sizeof out, "%s", text != nullptr ? text : "");
    for (char* c = out; *c != '\0'; ++c) {
        if (*c == '\t' || *c == '\n' || *c == '\r')
            *c = ' ';
    }
}

}  // namespace

void MakeResultRow(const char* surname, const char* givenName, const DeathRecord& record,
                   ResultRow& row) {
    CopyField(row.surname, surname);
    CopyField(row.givenName, givenName);
    row.birthDate = record.birthDate;
    row.deathDate = record.deathDate;
    row.ssn = record.ssn;
    row.locationCode = record.locationCode;
    row.residenceZip = record.residenceZip;
    row.residenceZipPartial = record.residenceZipPartial != 0;
    row.paymentZip = record.paymentZip;
    row.paymentZipPartial = record.paymentZipPartial != 0;
    row.ssnIssuedIn = SsnIssuedIn(record.ssn);
}
