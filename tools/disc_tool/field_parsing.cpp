#include "field_parsing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "death_record.h"
#include "record_encoding.h"
#include "zip_tables.h"

namespace disctool {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool AllDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int ToInt(std::string_view digits) {
    int n = 0;
    for (char c : digits)
        n = n * 10 + (c - '0');
    return n;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}

// Plain letters of U+00C0..U+00FF; empty for the two signs among them.
const char* const kLatin1Letters[64] = {
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "SS",
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
    "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "Y",
};

// Plain letters of U+0100..U+017F, as runs of code points sharing one.
struct LetterRun {
    int count;
    const char* letters;
};
const LetterRun kExtendedALetters[] = {
    {6, "A"}, {8, "C"},  {4, "D"},  {10, "E"}, {8, "G"}, {4, "H"},  {10, "I"}, {2, "IJ"},
    {2, "J"}, {3, "K"},  {10, "L"}, {9, "N"},  {6, "O"}, {2, "OE"}, {6, "R"},  {8, "S"},
    {6, "T"}, {12, "U"}, {2, "W"},  {3, "Y"},  {6, "Z"}, {1, "S"},
};

// ASCII for a code point beyond ASCII, or nullptr when it has none.
const char* Transliterate(std::uint32_t cp) {
    if (cp >= 0xC0 && cp <= 0xFF) {
        const char* letters = kLatin1Letters[cp - 0xC0];
        return letters[0] != '\0' ? letters : nullptr;
    }
    if (cp >= 0x100 && cp <= 0x17F) {
        std::uint32_t offset = cp - 0x100;
        for (const LetterRun& run : kExtendedALetters) {
            if (offset < static_cast<std::uint32_t>(run.count))
                return run.letters;
            offset -= static_cast<std::uint32_t>(run.count);
        }
        return nullptr;
    }
    switch (cp) {
        case 0xA0:  // no-break space
            return " ";
        case 0xB4:    // acute accent
        case 0x2BC:   // modifier apostrophe
        case 0x2018:  // quotation marks used as apostrophes
        case 0x2019:
            return "'";
        case 0x2010:  // hyphen, non-breaking hyphen, figure dash, en dash
        case 0x2011:
        case 0x2012:
        case 0x2013:
            return "-";
        default:
            return nullptr;
    }
}

// Decodes one UTF-8 sequence at `s[i]`; 0 when it is not valid UTF-8.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, std::uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t length;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year) {
    static const int days[13] = {31, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year != 0 && !IsLeapYear(year))
        return 28;
    return days[month];
}

// One part of a date: digits (at most `maxDigits`, exactly when `exact`), or one of the
// unknown forms: empty, all zeros, all X, all ?.
bool ReadDatePart(std::string_view part, std::size_t maxDigits, bool exact, int& value) {
    value = 0;
    if (part.empty())
        return true;
    const auto all = [&](char a, char b) {
        return std::all_of(part.begin(), part.end(), [&](char c) { return c == a || c == b; });
    };
    if (all('X', 'x') || all('?', '?'))
        return part.size() <= maxDigits;
    if (!AllDigits(part) || part.size() > maxDigits || (exact && part.size() != maxDigits))
        return false;
    value = ToInt(part);
    return true;
}

struct PostalCode {
    const char* code;
    const char* name;
};
const PostalCode kPostalCodes[] = {
    {"AL", "Alabama"},        {"AK", "Alaska"},       {"AZ", "Arizona"},
    {"AR", "Arkansas"},       {"CA", "California"},   {"CO", "Colorado"},
    {"CT", "Connecticut"},    {"DE", "Delaware"},     {"DC", "District of Columbia"},
    {"FL", "Florida"},        {"GA", "Georgia"},      {"HI", "Hawaii"},
    {"ID", "Idaho"},          {"IL", "Illinois"},     {"IN", "Indiana"},
    {"IA", "Iowa"},           {"KS", "Kansas"},       {"KY", "Kentucky"},
    {"LA", "Louisiana"},      {"ME", "Maine"},        {"MD", "Maryland"},
    {"MA", "Massachusetts"},  {"MI", "Michigan"},     {"MN", "Minnesota"},
    {"MS", "Mississippi"},    {"MO", "Missouri"},     {"MT", "Montana"},
    {"NE", "Nebraska"},       {"NV", "Nevada"},       {"NH", "New Hampshire"},
    {"NJ", "New Jersey"},     {"NM", "New Mexico"},   {"NY", "New York"},
    {"NC", "North Carolina"}, {"ND", "North Dakota"}, {"OH", "Ohio"},
    {"OK", "Oklahoma"},       {"OR", "Oregon"},       {"PA", "Pennsylvania"},
    {"PR", "Puerto Rico"},    {"RI", "Rhode Island"}, {"SC", "South Carolina"},
    {"SD", "South Dakota"},   {"TN", "Tennessee"},    {"TX", "Texas"},
    {"UT", "Utah"},           {"VT", "Vermont"},      {"VI", "Virgin Islands"},
    {"VA", "Virginia"},       {"WA", "Washington"},   {"WV", "West Virginia"},
    {"WI", "Wisconsin"},      {"WY", "Wyoming"},      {"AS", "American Samoa"},
    {"GU", "Guam"},
};

int LocationByName(std::string_view name) {
    for (int code = 0; code < kLocationNameCount; ++code) {
        if (EqualsIgnoringCase(name, LocationNames[code]))
            return code;
    }
    return -1;
}

// Decoded parts of stored date words, for comparing birth with death: 0 when unknown.
DateParts StoredDate(std::uint16_t word, int century) {
    DateParts d;
    if (word == kNoDateWord)
        return d;
    const int year = word & 0x7F;
    d.year = year < 100 ? century * 100 + year : 0;
    d.month = (word >> 7) & 0xF;
    d.day = (word >> 11) & 0x1F;
    return d;
}

bool After(const DateParts& a, const DateParts& b) {
    if (a.year == 0 || b.year == 0 || a.year != b.year)
        return a.year != 0 && b.year != 0 && a.year > b.year;
    if (a.month == 0 || b.month == 0 || a.month != b.month)
        return a.month != 0 && b.month != 0 && a.month > b.month;
    return a.day != 0 && b.day != 0 && a.day > b.day;
}

}  // namespace

// The text as it can be shown in a report line: bytes outside printable ASCII as \xNN.
std::string Shown(std::string_view s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size() && i < 40; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    if (s.size() > 40)
        out += "...";
    return out + "\"";
}

CleanName CleanNameText(std::string_view raw, std::size_t limit) {
    CleanName result;
    std::string ascii;
    const std::string_view text = Trim(raw);
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            ascii += Upper(static_cast<char>(c));
            ++i;
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t length = c >= 0x80 ? DecodeUtf8(text, i, cp) : 0;
        const char* plain = length > 0 ? Transliterate(cp) : nullptr;
        if (plain == nullptr) {
            char what[40];
            if (length > 0) {
                std::snprintf(what, sizeof what, "character U+%04X", static_cast<unsigned>(cp));
            } else {
                std::snprintf(what, sizeof what, "byte 0x%02X", c);
            }
            result.unknown = true;
            result.why = std::string(what) + " in " + Shown(text) + " cannot be stored";
            return result;
        }
        ascii += plain;
        i += length;
    }
    if (ascii.size() > limit) {
        ascii.resize(limit);
        result.cut = true;
    }
    // Blanks at the end never count: keys and name records are padded with blanks anyway.
    while (!ascii.empty() && ascii.back() == ' ')
        ascii.pop_back();
    result.text = std::move(ascii);
    return result;
}

bool ParseDate(std::string_view text, DateParts& out, std::vector<std::string>& problems) {
    out = DateParts{};
    std::string_view t = Trim(text);
    if (t.empty())
        return true;

    std::string_view parts[3];  // year, month, day
    std::size_t first = 0;      // which part the text starts with
    if (t.substr(0, 3) == "---" && t.find('-', 3) == std::string_view::npos) {
        first = 2;
        t.remove_prefix(3);
    } else if (t.substr(0, 2) == "--") {
        first = 1;
        t.remove_prefix(2);
    }
    std::size_t index = first;
    for (;;) {
        const std::size_t dash = t.find('-');
        if (index > 2)
            return false;
        parts[index++] = t.substr(0, dash);
        if (dash == std::string_view::npos)
            break;
        t.remove_prefix(dash + 1);
    }
    if (!ReadDatePart(parts[0], 4, true, out.year) ||
        !ReadDatePart(parts[1], 2, false, out.month) ||
        !ReadDatePart(parts[2], 2, false, out.day)) {
        out = DateParts{};
        return false;
    }
    CheckDateParts(out, problems);
    return true;
}

void CheckDateParts(DateParts& out, std::vector<std::string>& problems) {
    if (out.month > 12) {
        problems.push_back("month " + std::to_string(out.month) +
                           " is impossible; month stored as unknown");
        out.month = 0;
    }
    const int maxDay = out.month == 0 ? 31 : DaysInMonth(out.month, out.year);
    if (out.day > maxDay) {
        std::string where = out.month == 0 ? "" : " in month " + std::to_string(out.month);
        if (out.month == 2 && out.year != 0)
            where += " of " + std::to_string(out.year);
        problems.push_back("day " + std::to_string(out.day) + " is impossible" + where +
                           "; day stored as unknown");
        out.day = 0;
    }
}

std::uint16_t DeathDateWord(const DateParts& date, std::vector<std::string>& problems) {
    int yearInCentury = -1;
    if (date.year != 0) {
        if (date.year >= 1900 && date.year <= 1999) {
            yearInCentury = date.year - 1900;
        } else {
            problems.push_back("year " + std::to_string(date.year) +
                               " cannot be stored (death years are 1900-1999); year stored as "
                               "unknown");
        }
    }
    return builder::DateWord(date.day, date.month, yearInCentury);
}

std::uint16_t BirthDateWord(const DateParts& date, bool& bornIn1800s,
                            std::vector<std::string>& problems) {
    bornIn1800s = false;
    int yearInCentury = -1;
    if (date.year != 0) {
        if (date.year >= 1800 && date.year <= 1999) {
            yearInCentury = date.year % 100;
            bornIn1800s = date.year < 1900;
        } else {
            problems.push_back("year " + std::to_string(date.year) +
                               " cannot be stored (birth years are 1800-1999); year stored as "
                               "unknown");
        }
    }
    const std::uint16_t word = builder::DateWord(date.day, date.month, yearInCentury);
    if (word == 0) {
        // Day 0, month 0, year 00: the word that means "no birth date".
        problems.push_back("the year " + std::to_string(date.year) +
                           " without month or day reads as no date; stored as no date");
        bornIn1800s = false;
        return kNoDateWord;
    }
    return word;
}

bool ParseSsn(std::string_view text, std::uint32_t& ssn) {
    ssn = 0;
    const std::string_view t = Trim(text);
    if (t.empty())
        return true;
    std::string digits;
    if (t.size() == 11 && (t[3] == '-' || t[3] == ' ') && t[6] == t[3]) {
        digits =
            std::string(t.substr(0, 3)) + std::string(t.substr(4, 2)) + std::string(t.substr(7, 4));
    } else {
        digits = t;
    }
    if (digits.size() != 9 || !AllDigits(digits))
        return false;
    ssn = static_cast<std::uint32_t>(std::stoul(digits));
    return true;
}

bool ParseLocation(std::string_view text, std::uint8_t& code) {
    code = 0;
    const std::string_view t = Trim(text);
    if (t.empty())
        return true;
    if (AllDigits(t)) {
        const int n = t.size() <= 3 ? ToInt(t) : -1;
        if ((n >= 0 && n < kLocationNameCount) || (n >= 121 && n <= 127)) {
            code = static_cast<std::uint8_t>(n);
            return true;
        }
        return false;
    }
    if (t.size() == 2) {
        for (const PostalCode& postal : kPostalCodes) {
            if (EqualsIgnoringCase(t, postal.code)) {
                code = static_cast<std::uint8_t>(LocationByName(postal.name));
                return true;
            }
        }
        return false;
    }
    const int byName = LocationByName(t);
    if (byName < 0)
        return false;
    code = static_cast<std::uint8_t>(byName);
    return true;
}

bool ParseZip(std::string_view text, ZipTable table, std::uint16_t& word, std::string& why,
              std::string& note) {
    word = 0;
    why.clear();
    note.clear();
    std::string_view t = Trim(text);
    if (t.empty())
        return true;
    // ZIP+4: the record keeps the five-digit ZIP.
    if (t.size() == 10 && t[5] == '-' && AllDigits(t.substr(6)))
        t = t.substr(0, 5);
    if (t.size() != 5) {
        why = Shown(t) + " is not a ZIP (5 digits, or X's and the known digits)";
        return false;
    }
    std::size_t unknown = 0;
    while (unknown < t.size() && (t[unknown] == 'X' || t[unknown] == 'x'))
        ++unknown;
    const std::string_view known = t.substr(unknown);
    if (!known.empty() && !AllDigits(known)) {
        why = Shown(t) + " is not a ZIP (5 digits, or X's and the known digits)";
        return false;
    }

    if (unknown == 0) {
        const int zip = ToInt(known);
        if (zip == 0)
            return true;  // ZIP 0 is the "no ZIP" entry of both tables
        const int index =
            table == ZipTable::kResidence ? FindResidenceZipIndex(zip) : FindPaymentZipIndex(zip);
        if (index < 0) {
            why = std::string(known) + " is not in the program's " +
                  (table == ZipTable::kResidence ? "residence" : "payment") + " ZIP table";
            return false;
        }
        word = static_cast<std::uint16_t>(index);
        return true;
    }

    // Partial values count down from 65,535. Rendering turns leading zeros into X, so known
    // digits that start with 0 cannot be shown as given; 10,000 and 10,001 are the two fixed
    // forms XXXXX and XX000.
    int value;
    if (known.empty()) {
        value = 10000;
    } else if (known == "000") {
        value = 10001;
    } else {
        value = ToInt(known);
        std::string stored;
        if (value == 0) {
            value = known.size() > 3 ? 10001 : 10000;
            stored = value == 10001 ? "XX000" : "XXXXX";
        } else if (known[0] == '0') {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "%05d", value);
            stored = buffer;
            for (char& c : stored) {
                if (c != '0')
                    break;
                c = 'X';
            }
        }
        if (!stored.empty()) {
            note = Shown(t) + " cannot keep its known leading zero; stored as " + stored;
        }
    }
    word = static_cast<std::uint16_t>(65535 - value);
    return true;
}

void StoreNames(std::string_view surnameText, std::string_view firstNameText, ConvertedRow& out) {
    const CleanName surname = CleanNameText(surnameText, kSurnameLimit);
    if (surname.unknown || surname.text.empty()) {
        out.problems.push_back("surname: " + (surname.unknown ? surname.why : "empty") +
                               "; row skipped");
        out.keep = false;
        return;
    }
    out.person.surname = surname.text;
    out.nameCut = surname.cut;

    const CleanName first = CleanNameText(firstNameText, kFirstNameLimit);
    if (first.unknown) {
        out.problems.push_back("first_name: " + first.why + "; stored as unknown");
    } else {
        out.person.firstName = first.text;
        out.nameCut = out.nameCut || first.cut;
    }
}

void StoreDates(const DateParts& birth, const DateParts& death, ConvertedRow& out) {
    builder::Person& p = out.person;
    std::vector<std::string> notes;
    p.birthWord = BirthDateWord(birth, p.bornIn1800s, notes);
    for (const std::string& note : notes)
        out.problems.push_back("birth: " + note);
    notes.clear();
    p.deathWord = DeathDateWord(death, notes);
    for (const std::string& note : notes)
        out.problems.push_back("death: " + note);
    if (After(StoredDate(p.birthWord, p.bornIn1800s ? 18 : 19), StoredDate(p.deathWord, 19))) {
        out.problems.push_back(
            "birth: the birth date is after the death date; both stored as given");
    }
}

ConvertedRow ConvertRow(const PersonText& row) {
    ConvertedRow out;
    builder::Person& p = out.person;
    auto problem = [&](const char* column, const std::string& what) {
        out.problems.push_back(std::string(column) + ": " + what);
    };

    StoreNames(row.surname, row.firstName, out);
    if (!out.keep)
        return out;

    const auto date = [&](const char* column, const std::string& text, DateParts& parts) {
        std::vector<std::string> notes;
        if (!ParseDate(text, parts, notes)) {
            problem(column, Shown(text) +
                                " is not a date (YYYY-MM-DD, YYYY-MM, YYYY, --MM-DD); stored as "
                                "unknown");
        }
        for (const std::string& note : notes)
            problem(column, note);
    };
    DateParts birth;
    DateParts death;
    date("birth", row.birth, birth);
    date("death", row.death, death);
    StoreDates(birth, death, out);

    if (!ParseSsn(row.ssn, p.ssn))
        problem("ssn", Shown(Trim(row.ssn)) + " is not a 9-digit SSN; stored as unknown");
    if (!ParseLocation(row.state, p.location)) {
        problem("state", Shown(Trim(row.state)) +
                             " is not a location name, postal abbreviation or code (0-65, "
                             "121-127); stored as unknown");
    }

    std::string why;
    std::string note;
    if (!ParseZip(row.zipResidence, ZipTable::kResidence, p.residenceZipWord, why, note))
        problem("zip_residence", why + "; stored as unknown");
    if (!note.empty())
        problem("zip_residence", note);
    if (!ParseZip(row.zipPayment, ZipTable::kPayment, p.paymentZipWord, why, note))
        problem("zip_payment", why + "; stored as unknown");
    if (!note.empty())
        problem("zip_payment", note);
    return out;
}

}  // namespace disctool
