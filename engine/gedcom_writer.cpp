#include "gedcom_writer.h"

#include <cstring>

#include "display_format.h"

namespace {

// A whole line, level to line break, stays within 255 bytes: the format counts characters,
// and a byte is never more than one.
constexpr std::size_t kMaxLine = 255;
constexpr char kLineBreak[] = "\r\n";
constexpr std::size_t kLineBreakSize = 2;

// Value limits of the tags written here.
constexpr std::size_t kNameLimit = 120;
constexpr std::size_t kAddressLimit = 60;
constexpr std::size_t kPostLimit = 10;
constexpr std::size_t kDateLimit = 35;
constexpr std::size_t kTextLimit = 248;

const char* const kGedcomMonths[13] = {"",    "JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                       "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// The last location code of the states, the District of Columbia and the two island
// territories of the table; the codes after them are regions and countries of the world.
constexpr int kLastUsLocation = 53;
constexpr int kAmericanSamoa = 64;
constexpr int kGuam = 65;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// 29 for February of an unknown year: the day may well be right.
int DaysInMonth(int month, int year) {
    static const int kDays[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year != 0 && !IsLeapYear(year))
        return 28;
    return kDays[month];
}

// Room for a value built from several pieces; a piece that does not fit is left out whole
// rather than cut into a different text.
struct Text {
    char text[1024] = {};
    std::size_t length = 0;

    void Add(const char* piece) {
        const std::size_t n = std::strlen(piece);
        if (length + n < sizeof text) {
            std::memcpy(text + length, piece, n + 1);
            length += n;
        }
    }
    void AddByte(unsigned char c) {
        if (length + 1 < sizeof text) {
            text[length++] = static_cast<char>(c);
            text[length] = '\0';
        }
    }
};

// Latin-1 text as UTF-8. Control bytes become blanks; '@' is doubled, as values require.
void AddLatin1(Text& out, const char* text) {
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != '\0'; ++c) {
        if (*c < 0x20 || (*c >= 0x7F && *c < 0xA0)) {
            out.AddByte(' ');
        } else if (*c == '@') {
            out.Add("@@");
        } else if (*c < 0x80) {
            out.AddByte(*c);
        } else if (out.length + 2 < sizeof out.text) {
            out.AddByte(static_cast<unsigned char>(0xC0 | (*c >> 6)));
            out.AddByte(static_cast<unsigned char>(0x80 | (*c & 0x3F)));
        }
    }
}

bool IsLatin1Upper(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}
bool IsLatin1Lower(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 0xDF && c != 0xF7);
}

// One name from its padded field: blanks trimmed and runs of them made one, characters that
// would break the NAME value ('/' delimits the surname, '@' starts a pointer) made blanks.
// With `mixedCase`, each word keeps its first letter upper case and the rest goes lower.
// Returns whether any letter or digit is left.
bool CleanName(const char* field, bool mixedCase, char* out, std::size_t size) {
    std::size_t n = 0;
    bool pendingBlank = false;
    bool wordStart = true;
    bool any = false;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(field); *c != '\0'; ++c) {
        unsigned char b = *c;
        if (b < 0x20 || b == '/' || b == '@' || (b >= 0x7F && b < 0xA0) || b == 0xA0)
            b = ' ';
        if (b == ' ') {
            pendingBlank = n > 0;
            wordStart = true;
            continue;
        }
        const bool letter = IsLatin1Upper(b) || IsLatin1Lower(b);
        if (mixedCase && letter) {
            if (wordStart && IsLatin1Lower(b) && b != 0xDF && b != 0xFF)
                b = static_cast<unsigned char>(b - 0x20);
            else if (!wordStart && IsLatin1Upper(b))
                b = static_cast<unsigned char>(b + 0x20);
        }
        // Hyphens and apostrophes start a new part of the name: Mary-Ann, D'Arcy.
        wordStart = !letter;
        any = any || letter || (b >= '0' && b <= '9');
        if (n + (pendingBlank ? 2 : 1) >= size)
            break;
        if (pendingBlank)
            out[n++] = ' ';
        pendingBlank = false;
        out[n++] = static_cast<char>(b);
    }
    if (size > 0)
        out[n] = '\0';
    return any;
}

// The length of `text` cut to at most `limit` bytes without splitting a UTF-8 character.
std::size_t FitUtf8(const char* text, std::size_t limit) {
    std::size_t n = std::strlen(text);
    if (n <= limit)
        return n;
    n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

void FormatZipText(const ResultRow& row, bool residence, char* out, std::size_t size) {
    if (residence)
        FormatZip(row.residenceZip, row.residenceZipPartial ? 1 : 0, out, size);
    else
        FormatZip(row.paymentZip, row.paymentZipPartial ? 1 : 0, out, size);
}

}  // namespace

bool FormatGedcomDate(int packed, char* out, std::size_t size) {
    if (size == 0)
        return false;
    out[0] = '\0';
    int month = 0;
    int day = 0;
    int year = 0;
    SplitPacked(packed, month, day, year);
    if (month < 1 || month > 12)
        month = 0;  // damaged: as good as unknown
    const char* name = kGedcomMonths[month];
    int n = 0;
    if (month == 0) {
        // A day without its month tells nothing.
        if (year == 0)
            return false;
        n = std::snprintf(out, size, "%d", year);
    } else if (year == 0) {
        n = day != 0 ? std::snprintf(out, size, "(%d %s)", day, name)
                     : std::snprintf(out, size, "(%s)", name);
    } else if (day == 0) {
        n = std::snprintf(out, size, "%s %d", name, year);
    } else if (day <= DaysInMonth(month, year)) {
        n = std::snprintf(out, size, "%d %s %d", day, name, year);
    } else {
        n = std::snprintf(out, size, "INT %s %d (%d %s %d)", name, year, day, name, year);
    }
    if (n < 0 || static_cast<std::size_t>(n) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool FormatGedcomName(const char* givenName, const char* surname, char* out, std::size_t size) {
    if (size == 0)
        return false;
    out[0] = '\0';
    char given[kRowNameSize * 2];
    char family[kRowNameSize * 2];
    const bool hasGiven = CleanName(givenName, true, given, sizeof given);
    const bool hasFamily = CleanName(surname, false, family, sizeof family);
    if (!hasGiven && !hasFamily)
        return false;
    Text given8;
    Text family8;
    if (hasGiven)
        AddLatin1(given8, given);
    if (hasFamily)
        AddLatin1(family8, family);
    // Within the tag's limit with both slashes and the blank: the given name gives way first.
    const std::size_t familyRoom = kNameLimit - 3;
    family8.text[FitUtf8(family8.text, familyRoom)] = '\0';
    const std::size_t familyLength = std::strlen(family8.text);
    given8.text[FitUtf8(given8.text, familyRoom - familyLength)] = '\0';
    while (given8.text[0] != '\0' && given8.text[std::strlen(given8.text) - 1] == ' ')
        given8.text[std::strlen(given8.text) - 1] = '\0';
    const int n = given8.text[0] != '\0'
                      ? std::snprintf(out, size, "%s /%s/", given8.text, family8.text)
                      : std::snprintf(out, size, "/%s/", family8.text);
    if (n < 0 || static_cast<std::size_t>(n) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

CGedcomWriter::CGedcomWriter(std::FILE* stream, const ExportSource& exportSource)
    : out(stream), source(exportSource) {
    if (source.discSet == nullptr)
        source.discSet = "";
}

void CGedcomWriter::Line(int level, const char* tag, const char* value) {
    char line[kMaxLine + 1];
    int n = value != nullptr && *value != '\0'
                ? std::snprintf(line, sizeof line, "%d %s %s", level, tag, value)
                : std::snprintf(line, sizeof line, "%d %s", level, tag);
    if (n < 0)
        return;
    std::size_t length = static_cast<std::size_t>(n);
    if (length + kLineBreakSize > kMaxLine)
        length = FitUtf8(line, kMaxLine - kLineBreakSize);
    line[length] = '\0';
    if (length > longestLine)
        longestLine = length;
    std::fputs(line, out);
    std::fputs(kLineBreak, out);
}

void CGedcomWriter::LongLine(int level, const char* tag, const char* value, std::size_t limit) {
    // Every piece within its tag's limit and the line's, the first on the tag's line, the rest
    // on CONC lines one level down. A piece never ends or begins with a blank, since some
    // readers drop blanks at line ends, nor inside a UTF-8 character.
    const char* rest = value;
    const char* tagNow = tag;
    int levelNow = level;
    char piece[kMaxLine + 1];
    while (*rest != '\0') {
        const std::size_t prefix = 3 + std::strlen(tagNow);  // "1 TAG "
        std::size_t room = kMaxLine - kLineBreakSize - prefix;
        if (room > limit)
            room = limit;
        std::size_t n = std::strlen(rest);
        if (n > room) {
            const std::size_t cut = FitUtf8(rest, room);
            n = cut;
            while (n > 0 && (rest[n] == ' ' || rest[n - 1] == ' ' ||
                             (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80))
                --n;
            if (n == 0)
                n = cut;  // no better place: blanks there are better than no text
        }
        std::memcpy(piece, rest, n);
        piece[n] = '\0';
        Line(levelNow, tagNow, piece);
        rest += n;
        tagNow = "CONC";
        levelNow = level + 1;
    }
}

void CGedcomWriter::Begin() {
    Line(0, "HEAD");
    Line(1, "SOUR", "VEL7M");
    Line(2, "VERS", VEL7M_VERSION);
    Line(2, "NAME", "vel7m");
    if (source.year > 0 && source.month >= 1 && source.month <= 12 && source.day >= 1 &&
        source.day <= 31) {
        char date[kDateLimit + 1];
        std::snprintf(date, sizeof date, "%d %s %d", source.day, kGedcomMonths[source.month],
                      source.year);
        Line(1, "DATE", date);
    }
    Line(1, "SUBM", "@U1@");
    Line(1, "GEDC");
    Line(2, "VERS", "5.5.1");
    Line(2, "FORM", "LINEAGE-LINKED");
    Line(1, "CHAR", "UTF-8");
    Line(0, "@U1@ SUBM");
    Line(1, "NAME", "Unknown");
    Line(0, "@S1@ SOUR");
    Line(1, "TITL", "Social Security Death Index");
    Line(1, "AUTH", "U.S. Social Security Administration");
    if (*source.discSet != '\0') {
        Text set;
        set.Add("vel7m disc set: ");
        AddLatin1(set, source.discSet);
        LongLine(1, "PUBL", set.text, kTextLimit);
    }
}

void CGedcomWriter::Residence(const ResultRow& row) {
    const int code = row.locationCode;
    const bool usState =
        (code >= 1 && code <= kLastUsLocation) || code == kAmericanSamoa || code == kGuam;
    const bool elsewhere = code > kLastUsLocation && code < kLocationNameCount && !usState;
    const bool hasZip = row.residenceZip != 0 && !row.residenceZipPartial;
    const bool partialZip = row.residenceZip != 0 && row.residenceZipPartial;
    if (!usState && !elsewhere && !hasZip && !partialZip)
        return;

    char zip[kFieldTextSize];
    FormatZipText(row, true, zip, sizeof zip);
    // The address line names exactly the parts given below it, comma-separated, so that a
    // reader comparing the two finds nothing it would have to drop.
    Text address;
    if (usState || elsewhere)
        address.Add(LocationNames[code]);
    if (hasZip) {
        if (address.length > 0)
            address.Add(", ");
        address.Add(zip);
    }
    if (usState)
        address.Add(", USA");

    Line(1, "RESI");
    if (address.length > 0) {
        address.text[FitUtf8(address.text, kAddressLimit)] = '\0';
        Line(2, "ADDR", address.text);
        if (usState)
            Line(3, "STAE", LocationNames[code]);
        if (hasZip) {
            zip[FitUtf8(zip, kPostLimit)] = '\0';
            Line(3, "POST", zip);
        }
        // A region of the world stands as the country: a reader keeps the parts given apart,
        // and would drop a name of the address line that none of them holds.
        if (usState || elsewhere)
            Line(3, "CTRY", usState ? "USA" : LocationNames[code]);
    }
    if (partialZip) {
        // Only the last digits are known: no postal code, but worth keeping.
        char note[kFieldTextSize + 64];
        std::snprintf(note, sizeof note, "ZIP of last residence: %s (leading digits unknown)", zip);
        Line(2, "NOTE", note);
    }
}

void CGedcomWriter::Write(const ResultRow& row) {
    ++individuals;
    char xref[32];
    std::snprintf(xref, sizeof xref, "@I%ld@ INDI", individuals);
    Line(0, xref);

    char name[kNameLimit + 1];
    if (FormatGedcomName(row.givenName, row.surname, name, sizeof name))
        Line(1, "NAME", name);

    char date[kDateLimit + 1];
    if (FormatGedcomDate(row.birthDate, date, sizeof date)) {
        Line(1, "BIRT");
        Line(2, "DATE", date);
    }
    // Every entry of the index is a death, dated or not.
    if (FormatGedcomDate(row.deathDate, date, sizeof date)) {
        Line(1, "DEAT");
        Line(2, "DATE", date);
    } else {
        Line(1, "DEAT", "Y");
    }

    // 0 is no number at all, and a damaged record may hold more than nine digits.
    const bool hasSsn = row.ssn > 0 && row.ssn <= 999999999;
    char ssn[kFieldTextSize];
    FormatSSN(row.ssn, ssn, sizeof ssn);
    if (hasSsn) {
        Line(1, "SSN", ssn);
        if (row.ssnIssuedIn != nullptr && *row.ssnIssuedIn != '\0') {
            Text note;
            note.Add("SSN issued in: ");
            AddLatin1(note, row.ssnIssuedIn);
            LongLine(2, "NOTE", note.text, kTextLimit);
        }
    }

    Residence(row);

    if (row.paymentZip != 0) {
        char zip[kFieldTextSize];
        FormatZipText(row, false, zip, sizeof zip);
        char note[kFieldTextSize + 64];
        std::snprintf(note, sizeof note, "ZIP of last payment: %s", zip);
        Line(1, "NOTE", note);
    }

    Line(1, "SOUR", "@S1@");
    if (hasSsn) {
        char page[kFieldTextSize + 8];
        std::snprintf(page, sizeof page, "SSN %s", ssn);
        Line(2, "PAGE", page);
    }
}

void CGedcomWriter::End() {
    Line(0, "TRLR");
}
