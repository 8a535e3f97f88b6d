#include "result_writers.h"

#include <cstring>

#include "display_format.h"
#include "result_set.h"

namespace {

constexpr int kFieldCount = 9;

const char* const kFieldNames[kFieldCount] = {"surname",       "first_name",  "birth",
                                              "death",         "location",    "ssn",
                                              "zip_residence", "zip_payment", "ssn_issued_in"};

// The texts of one row as the table, CSV and JSON show them: the window's texts with the
// names' blank padding trimmed, and where the SSN was issued.
struct RowTexts {
    char surname[kRowNameSize];
    char givenName[kRowNameSize];
    char birth[kFieldTextSize];
    char death[kFieldTextSize];
    char ssn[kFieldTextSize];
    char residenceZip[kFieldTextSize];
    char paymentZip[kFieldTextSize];
    const char* field[kFieldCount];
};

void CopyTrimmed(const char* text, char (&out)[kRowNameSize]) {
    std::snprintf(out, sizeof out, "%s", text);
    std::size_t n = std::strlen(out);
    while (n > 0 && out[n - 1] == ' ')
        out[--n] = '\0';
}

void MakeTexts(const ResultRow& row, RowTexts& t) {
    CopyTrimmed(row.surname, t.surname);
    CopyTrimmed(row.givenName, t.givenName);
    FormatDate(row.birthDate, t.birth, sizeof t.birth);
    FormatDate(row.deathDate, t.death, sizeof t.death);
    FormatSSN(row.ssn, t.ssn, sizeof t.ssn);
    FormatZip(row.residenceZip, row.residenceZipPartial ? 1 : 0, t.residenceZip,
              sizeof t.residenceZip);
    FormatZip(row.paymentZip, row.paymentZipPartial ? 1 : 0, t.paymentZip, sizeof t.paymentZip);
    const char* fields[kFieldCount] = {t.surname,
                                       t.givenName,
                                       t.birth,
                                       t.death,
                                       LocationText(row.locationCode),
                                       t.ssn,
                                       t.residenceZip,
                                       t.paymentZip,
                                       row.ssnIssuedIn != nullptr ? row.ssnIssuedIn : ""};
    std::memcpy(t.field, fields, sizeof fields);
}

// One table line; the last column is not padded, so no line ends in blanks.
void PutTableLine(std::FILE* out, const char* const (&f)[kFieldCount]) {
    char line[512];
    std::snprintf(line, sizeof line, "%-12s  %-10s  %-11s  %-11s  %-23s  %-11s  %-5s  %-11s  %s",
                  f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]);
    std::size_t n = std::strlen(line);
    while (n > 0 && line[n - 1] == ' ')
        line[--n] = '\0';
    std::fputs(line, out);
    std::fputc('\n', out);
}

}  // namespace

void PutCsvField(std::FILE* out, const char* text, bool last) {
    if (std::strpbrk(text, ",\"\r\n") != nullptr) {
        std::fputc('"', out);
        for (const char* c = text; *c != '\0'; ++c) {
            if (*c == '"')
                std::fputc('"', out);
            std::fputc(*c, out);
        }
        std::fputc('"', out);
    } else {
        std::fputs(text, out);
    }
    std::fputs(last ? "\r\n" : ",", out);
}

void PutJsonString(std::FILE* out, const char* text) {
    std::fputc('"', out);
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\') {
            std::fprintf(out, "\\%c", *c);
        } else if (*c < 0x20 || *c >= 0x7F) {
            std::fprintf(out, "\\u%04x", *c);  // names are 8-bit; read as Latin-1
        } else {
            std::fputc(*c, out);
        }
    }
    std::fputc('"', out);
}

bool OutputFormatFromName(const char* name, OutputFormat& format) {
    static const struct {
        const char* name;
        OutputFormat format;
    } kNames[] = {{"table", OutputFormat::Table},
                  {"lines", OutputFormat::Lines},
                  {"csv", OutputFormat::Csv},
                  {"json", OutputFormat::Json},
                  {"gedcom", OutputFormat::Gedcom}};
    for (const auto& entry : kNames) {
        if (name != nullptr && std::strcmp(name, entry.name) == 0) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

void FormatRowListLine(const ResultRow& row, char* out, std::size_t size) {
    if (size == 0)
        return;
    char birth[kFieldTextSize];
    char death[kFieldTextSize];
    FormatDate(row.birthDate, birth, sizeof birth);
    FormatDate(row.deathDate, death, sizeof death);
    std::snprintf(out, size, "%s\t%s\t%s\t%s\t%s", row.surname, row.givenName, birth, death,
                  LocationText(row.locationCode));
}

void FormatRowDetailLine(const ResultRow& row, char* out, std::size_t size) {
    if (size == 0)
        return;
    char ssn[kFieldTextSize];
    char residence[kFieldTextSize];
    char payment[kFieldTextSize];
    FormatSSN(row.ssn, ssn, sizeof ssn);
    FormatZip(row.residenceZip, row.residenceZipPartial ? 1 : 0, residence, sizeof residence);
    FormatZip(row.paymentZip, row.paymentZipPartial ? 1 : 0, payment, sizeof payment);
    std::snprintf(out, size, "%s\t%s\t%s\t", ssn, residence, payment);
}

CResultWriter::CResultWriter(OutputFormat outputFormat, std::FILE* stream,
                             const ExportSource& source)
    : format(outputFormat), out(stream), gedcom(stream, source) {}

void CResultWriter::Begin(long total) {
    switch (format) {
        case OutputFormat::Lines:
            std::fprintf(out, "%ld records found.\n", total);
            break;
        case OutputFormat::Table:
            std::fprintf(out, "%ld records found.\n", total);
            if (total > 0) {
                PutTableLine(out, {"Surname", "Given Name", "Born", "Died", "Last Known Residence",
                                   "SSN", "ZIP", "Payment ZIP", "SSN Issued In"});
            }
            break;
        case OutputFormat::Csv:
            for (int i = 0; i < kFieldCount; ++i)
                PutCsvField(out, kFieldNames[i], i == kFieldCount - 1);
            break;
        case OutputFormat::Json:
            break;
        case OutputFormat::Gedcom:
            gedcom.Begin();
            break;
    }
}

void CResultWriter::Write(const ResultRow& row) {
    if (format == OutputFormat::Lines) {
        char list[kListLineSize];
        char detail[kDetailLineSize];
        FormatRowListLine(row, list, sizeof list);
        FormatRowDetailLine(row, detail, sizeof detail);
        std::fprintf(out, "%s\t%s\n", list, detail);
        return;
    }
    if (format == OutputFormat::Gedcom) {
        gedcom.Write(row);
        return;
    }
    RowTexts t;
    MakeTexts(row, t);
    if (format == OutputFormat::Table) {
        PutTableLine(out, t.field);
    } else if (format == OutputFormat::Csv) {
        for (int i = 0; i < kFieldCount; ++i)
            PutCsvField(out, t.field[i], i == kFieldCount - 1);
    } else {
        std::fputc('{', out);
        for (int i = 0; i < kFieldCount; ++i) {
            std::fprintf(out, "%s\"%s\":", i == 0 ? "" : ",", kFieldNames[i]);
            PutJsonString(out, t.field[i]);
        }
        std::fputs("}\n", out);
    }
}

bool CResultWriter::End() {
    if (format == OutputFormat::Gedcom)
        gedcom.End();
    return std::fflush(out) == 0 && !Failed();
}
