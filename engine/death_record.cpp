#include "death_record.h"

#include "zip_tables.h"

namespace {

unsigned MonthBits(std::uint16_t word) {
    return (word >> 7) & 0xFu;
}
unsigned DayBits(std::uint16_t word) {
    return (word >> 11) & 0x1Fu;
}

// Every part is below 100 here, so this is the same number as the four parts written side
// by side as two-digit groups.
std::int32_t PackDate(std::uint16_t word, unsigned century) {
    unsigned year = YearBits(word);
    if (year >= kFirstBadYearBits) {
        year = 0;
        century = 0;
    }
    return static_cast<std::int32_t>(MonthBits(word) * 1000000u + DayBits(word) * 10000u +
                                     century * 100u + year);
}

// Partial words count down from 65,535; a word below them indexes the table, and a word
// beyond a short table's end means no ZIP rather than a read past it.
void DecodeZip(std::uint16_t word, const std::int32_t* table, int tableSize, std::int32_t& zip,
               std::int32_t& partial) {
    if (word >= kFirstPartialZipWord) {
        zip = 65535 - word;
        partial = 1;
    } else {
        zip = word < tableSize ? table[word] : 0;
        partial = 0;
    }
}

}  // namespace

RawDeathRecord MakeRawRecord(std::uint32_t wordA, std::uint32_t wordB, std::uint16_t deathWord,
                             std::uint16_t birthWord, std::uint16_t residenceZipWord,
                             std::uint16_t paymentZipWord) {
    RawDeathRecord r{};
    StoreLE32(r.bytes + 0, wordA);
    StoreLE32(r.bytes + 4, wordB);
    StoreLE16(r.bytes + 8, deathWord);
    StoreLE16(r.bytes + 10, birthWord);
    StoreLE16(r.bytes + 12, residenceZipWord);
    StoreLE16(r.bytes + 14, paymentZipWord);
    return r;
}

void DecodeRecord(const RawDeathRecord& raw, DeathRecord& out) {
    out.firstNameIndex = FirstNameIndex(raw);
    out.ssn = static_cast<std::int32_t>(WordB(raw) & kSsnMask);

    // A death word of 0 is a real value (year 1900, day and month unknown); a birth word of 0
    // is not.
    const std::uint16_t death = DeathDateWord(raw);
    out.deathDate = death == kNoDateWord ? 0 : PackDate(death, 19);
    const std::uint16_t birth = BirthDateWord(raw);
    out.birthDate = (birth == kNoDateWord || birth == 0) ? 0 : PackDate(birth, BirthCentury(raw));

    DecodeZip(ResidenceZipWord(raw), ResidenceZipTable, kResidenceZipCount, out.residenceZip,
              out.residenceZipPartial);
    DecodeZip(PaymentZipWord(raw), PaymentZipTable, kPaymentZipCount, out.paymentZip,
              out.paymentZipPartial);
    out.locationCode = static_cast<std::uint8_t>(LocationCode(raw));
}

const char* const LocationNames[kLocationNameCount] = {
    "Unknown",        "Alabama",
    "Alaska",         "Arizona",
    "Arkansas",       "California",
    "Colorado",       "Connecticut",
    "Delaware",       "District of Columbia",
    "Florida",        "Georgia",
    "Hawaii",         "Idaho",
    "Illinois",       "Indiana",
    "Iowa",           "Kansas",
    "Kentucky",       "Louisiana",
    "Maine",          "Maryland",
    "Massachusetts",  "Michigan",
    "Minnesota",      "Mississippi",
    "Missouri",       "Montana",
    "Nebraska",       "Nevada",
    "New Hampshire",  "New Jersey",
    "New Mexico",     "New York",
    "North Carolina", "North Dakota",
    "Ohio",           "Oklahoma",
    "Oregon",         "Pennsylvania",
    "Puerto Rico",    "Rhode Island",
    "South Carolina", "South Dakota",
    "Tennessee",      "Texas",
    "Utah",           "Vermont",
    "Virgin Islands", "Virginia",
    "Washington",     "West Virginia",
    "Wisconsin",      "Wyoming",
    "Africa",         "Asia",
    "Canada",         "Cent.America & W.Indies",
    "Europe",         "Mexico",
    "Oceania",        "Philippine Islands",
    "South America",  "Areas under U.S. Admin.",
    "American Samoa", "Guam",
};
