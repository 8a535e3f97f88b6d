// Writes complete disc sets: markers, the first-name list, the fifteen partitions' tree files
// and the data files, split over two discs the way the search program reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "death_record.h"

namespace builder {

inline constexpr int kMaxRecordsPerDataFile = 1000000;

struct DiscSetOptions {
    std::string disc1Dir;
    std::string disc2Dir;
    // Soft cap on records per data file, so small sets still span several files. A run longer
    // than the cap gets a file of its own; no run ever crosses a file.
    int recordsPerFile = kMaxRecordsPerDataFile;
    bool writeMarkers = true;
    // Start a new data file with each partition. The last run of every tree then ends at the
    // end of its file, so the reader can check even the outermost runs against the data.
    bool filePerPartition = false;
};

// Where one surname's records went.
struct SurnameRun {
    std::string key;
    std::int32_t first = 0;
    std::int32_t count = 0;
    int disc = 0;
    int partition = 0;
};

struct DiscSetReport {
    long records = 0;
    std::vector<SurnameRun> runs;
    int firstFileOfDisc2 = 0;  // number of disc 2's first data file; 0 when it has none
    int lastFile = 0;          // number of the last data file written
};

// The 12-character key of a surname and the 10-character record of a first name, as the
// search program forms them from typed text.
std::string SurnameKey(const std::string& surname);
std::string FirstNameRecord(const std::string& name);

// The sorted list of first names with its filler records: 11 before the first real name and 10
// after the last, so every real name lies where the program's bounded binary search can find
// it. Fillers hold a NUL, so no typed name (always ten non-NUL bytes) can equal one.
class FirstNameList {
  public:
    explicit FirstNameList(const std::vector<std::string>& names);
    // Position of a name (typed form or record form) in the file; -1 when absent.
    int IndexOf(const std::string& name) const;
    int Size() const { return static_cast<int>(records.size()); }
    const std::vector<std::string>& Records() const { return records; }
    std::vector<unsigned char> Bytes() const;

  private:
    std::vector<std::string> records;  // 10 bytes each, fillers included
};

inline constexpr int kLeadingFillers = 11;
inline constexpr int kTrailingFillers = 10;

// Streams records into a disc set. Records must arrive in ascending order of surname key,
// and within one surname in ascending order of first-name index. Memory holds one surname's
// run at a time (at most 1,000,000 records).
class DiscSetWriter {
  public:
    DiscSetWriter(DiscSetOptions options, const FirstNameList& names);
    ~DiscSetWriter();
    DiscSetWriter(const DiscSetWriter&) = delete;
    DiscSetWriter& operator=(const DiscSetWriter&) = delete;

    // `key` is a 12-character surname key; `raw` already carries its first-name index.
    bool Add(const std::string& key, const RawDeathRecord& raw);
    // Writes what is pending, the trees, the lists and the markers.
    bool Finish(DiscSetReport* report = nullptr);
    const std::string& Error() const { return error; }

  private:
    struct Impl;
    Impl* impl;
    std::string error;
};

// One person, as the tests and the disc tool describe them: names as text, the rest as the
// stored words (see record_encoding.h for building them).
struct Person {
    std::string surname;
    std::string firstName;
    std::uint8_t location = 0;
    std::uint32_t ssn = 0;
    bool bornIn1800s = false;
    std::uint16_t deathWord = kNoDateWord;
    std::uint16_t birthWord = kNoDateWord;
    std::uint16_t residenceZipWord = 0;
    std::uint16_t paymentZipWord = 0;
};

// Sorts `people` in memory and writes the whole set; for tests and small lists.
bool WriteDiscSet(const std::vector<Person>& people, const DiscSetOptions& options,
                  DiscSetReport* report = nullptr, std::string* error = nullptr);

// The raw record of a person whose first name sits at `firstNameIndex` of the list.
RawDeathRecord PersonRecord(const Person& person, int firstNameIndex);

}  // namespace builder
