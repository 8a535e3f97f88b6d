// Any 16 bytes as a record: decoded, tested by the filter accessors, and shown as the list
// line and detail line the window would show, through a real search of a one-record set.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "death_index.h"
#include "death_record.h"
#include "display_format.h"
#include "fuzz_support.h"
#include "result_set.h"
#include "result_writers.h"
#include "search_criteria.h"

namespace {

FuzzHost g_host;
std::string g_data;

void CheckField(const char* text) {
    if (*text == '\0' || std::strlen(text) >= kFieldTextSize ||
        std::strchr(text, '\t') != nullptr) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallHost(&g_host);
    const std::string root = MakeScratchDir("record");
    builder::DiscSetOptions options;
    options.disc1Dir = root + "disc1/";
    options.disc2Dir = root + "disc2/";
    builder::Person person;
    person.surname = "SMITH";
    person.firstName = "MARY";
    builder::WriteDiscSet({person}, options);
    g_host.disc1Dir = options.disc1Dir;
    g_host.disc2Dir = options.disc2Dir;
    g_host.programDir = root;
    g_data = options.disc2Dir + "dp1.car";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(RawDeathRecord))
        return 0;
    RawDeathRecord raw;
    std::memcpy(raw.bytes, data, sizeof raw.bytes);

    DeathRecord record;
    DecodeRecord(raw, record);
    const int birth = BirthYear(raw);
    const int death = DeathYear(raw);
    if ((birth != 0 && (birth < 1800 || birth > 1999)) ||
        (death != 0 && (death < 1900 || death > 1999))) {
        __builtin_trap();
    }
    if (FirstNameIndex(raw) < 0 || LocationCode(raw) > 127)
        __builtin_trap();

    char text[kFieldTextSize];
    FormatDate(record.birthDate, text, sizeof text);
    CheckField(text);
    FormatDate(record.deathDate, text, sizeof text);
    CheckField(text);
    FormatSSN(record.ssn, text, sizeof text);
    CheckField(text);
    FormatZip(record.residenceZip, record.residenceZipPartial, text, sizeof text);
    CheckField(text);
    FormatZip(record.paymentZip, record.paymentZipPartial, text, sizeof text);
    CheckField(text);
    CheckField(LocationText(record.locationCode));

    // The writers take any record with any names (the bytes after the record): GEDCOM keeps
    // every line within 255 bytes, and lines gives the window's texts.
    const std::string names(reinterpret_cast<const char*>(data) + sizeof raw.bytes,
                            std::min<std::size_t>(size - sizeof raw.bytes, 60));
    const std::size_t half = names.size() / 2;
    ResultRow row;
    MakeResultRow(names.substr(0, half).c_str(), names.substr(half).c_str(), record, row);
    char* written = nullptr;
    std::size_t length = 0;
    if (std::FILE* out = open_memstream(&written, &length)) {
        ExportSource source;
        source.discSet = row.surname;
        CResultWriter gedcom(OutputFormat::Gedcom, out, source);
        gedcom.Begin(1);
        gedcom.Write(row);
        gedcom.End();
        std::fclose(out);
        std::size_t lineStart = 0;
        for (std::size_t i = 0; i + 1 < length; ++i) {
            if (written[i] == '\r' && written[i + 1] == '\n') {
                if (i - lineStart + 2 > 255 || i == lineStart)
                    __builtin_trap();
                lineStart = i + 2;
            } else if (written[i] == '\n' || written[i] == '\r') {
                __builtin_trap();  // a line break inside a value
            }
        }
        std::free(written);
    }

    // The whole road: the record on disc, found, paged and formatted.
    if (!WriteWholeFile(g_data, data, sizeof raw.bytes))
        return 0;
    CDeathIndex index;
    CResultSet results(&index);
    index.SetResultSet(&results);
    CSearchCriteria criteria;
    criteria.SetSurname("smith");
    index.Search(&criteria);
    if (results.GetPageCount() != 1)
        __builtin_trap();
    char line[kListLineSize];
    results.FormatListLine(0, line, sizeof line);
    const char* detail = results.FormatDetailLine(0);
    if (std::count(line, line + std::strlen(line), '\t') != 4)
        __builtin_trap();
    if (detail == nullptr || std::count(detail, detail + std::strlen(detail), '\t') != 3 ||
        detail[std::strlen(detail) - 1] != '\t') {
        __builtin_trap();
    }
    return 0;
}
