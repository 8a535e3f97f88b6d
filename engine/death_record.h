// The packed 16-byte record of the data files and the hit file, its decoded form, and the
// accessors the filters use on raw records.
#pragma once

#include <cstdint>

// Stored little-endian on disc. Kept as bytes so that reading it never depends on the host's
// struct layout or byte order; arrays of it are read and written with one stdio call.
struct RawDeathRecord {
    unsigned char bytes[16];
};
static_assert(sizeof(RawDeathRecord) == 16, "records are 16 bytes on disc");

inline std::uint32_t LoadLE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint16_t LoadLE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline void StoreLE32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}
inline void StoreLE16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

// The six stored words of a record.
inline std::uint32_t WordA(const RawDeathRecord& r) {
    return LoadLE32(r.bytes + 0);
}
inline std::uint32_t WordB(const RawDeathRecord& r) {
    return LoadLE32(r.bytes + 4);
}
inline std::uint16_t DeathDateWord(const RawDeathRecord& r) {
    return LoadLE16(r.bytes + 8);
}
inline std::uint16_t BirthDateWord(const RawDeathRecord& r) {
    return LoadLE16(r.bytes + 10);
}
inline std::uint16_t ResidenceZipWord(const RawDeathRecord& r) {
    return LoadLE16(r.bytes + 12);
}
inline std::uint16_t PaymentZipWord(const RawDeathRecord& r) {
    return LoadLE16(r.bytes + 14);
}

// Builds a raw record from its six words (the writer of disc sets and the tests use it).
RawDeathRecord MakeRawRecord(std::uint32_t wordA, std::uint32_t wordB, std::uint16_t deathWord,
                             std::uint16_t birthWord, std::uint16_t residenceZipWord,
                             std::uint16_t paymentZipWord);

// One decoded record. Dates and the SSN are packed decimal numbers (see display_format.h).
struct DeathRecord {
    std::int32_t firstNameIndex;
    std::int32_t ssn;
    std::int32_t deathDate;
    std::int32_t birthDate;
    std::int32_t residenceZip;
    std::int32_t paymentZip;
    std::uint8_t locationCode;
    std::int32_t residenceZipPartial;
    std::int32_t paymentZipPartial;
};

// Field boundaries of the format.
inline constexpr std::uint32_t kFirstNameMask = 0x7FFFFu;
inline constexpr int kLocationShift = 19;
inline constexpr std::uint32_t kLocationMask = 0x7Fu;
inline constexpr std::uint32_t kSsnMask = 0x3FFFFFFFu;
inline constexpr std::uint32_t kBornIn1800s = 0x80000000u;
inline constexpr std::uint16_t kNoDateWord = 127;
inline constexpr std::uint16_t kFirstPartialZipWord = 55534;

// Never fails: every 16-byte value decodes.
void DecodeRecord(const RawDeathRecord& raw, DeathRecord& out);

// Accessors on raw records, used by the filters without decoding.
inline int FirstNameIndex(const RawDeathRecord& r) {
    return static_cast<int>(WordA(r) & kFirstNameMask);
}
inline int LocationCode(const RawDeathRecord& r) {
    return static_cast<int>((WordA(r) >> kLocationShift) & kLocationMask);
}

// Year bits 100..127 carry no usable year: 126 and 127 are the format's "unknown" codes, and
// 100..125 would otherwise turn into numbers that are not dates at all.
inline constexpr unsigned kFirstBadYearBits = 100;

inline unsigned YearBits(std::uint16_t word) {
    return word & 0x7Fu;
}
inline unsigned BirthCentury(const RawDeathRecord& r) {
    return (WordB(r) & kBornIn1800s) ? 18u : 19u;
}

// The years the filters compare, 0 when there is none. Inline: the scans test every record of
// a run with them.
//
// Year bits 126 with a known day or month would otherwise read as 2026, and for a birth in
// the 1800s as 1926, a false hit for a real year search; every bad year gives 0 instead.
inline int BirthYear(const RawDeathRecord& r) {
    const std::uint16_t word = BirthDateWord(r);
    if (word == 0 || YearBits(word) >= kFirstBadYearBits)
        return 0;
    return static_cast<int>(BirthCentury(r) * 100 + YearBits(word));
}
inline int DeathYear(const RawDeathRecord& r) {
    const std::uint16_t word = DeathDateWord(r);
    if (YearBits(word) >= kFirstBadYearBits)
        return 0;
    return static_cast<int>(1900 + YearBits(word));
}

// Location names by code 0..65; entry 0 is "Unknown".
inline constexpr int kLocationNameCount = 66;
extern const char* const LocationNames[kLocationNameCount];
