#include "disc_set_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numeric>

#include "death_index.h"
#include "search_criteria.h"
#include "stdio_file.h"
#include "tree_builder.h"
#include "tree_file.h"

namespace builder {

namespace fs = std::filesystem;

std::string SurnameKey(const std::string& surname) {
    char key[kKeyLength + 1];
    CDeathIndex::MakeSurnameKey(surname.c_str(), key);
    return key;
}

std::string FirstNameRecord(const std::string& name) {
    std::string record(kFirstNameRecordSize, ' ');
    for (std::size_t i = 0; i < record.size() && i < name.size() && name[i] != '\0'; ++i) {
        record[i] = UpperAscii(name[i]);
    }
    return record;
}

FirstNameList::FirstNameList(const std::vector<std::string>& names) {
    std::vector<std::string> real;
    real.reserve(names.size());
    for (const std::string& name : names)
        real.push_back(FirstNameRecord(name));
    std::sort(real.begin(), real.end(), [](const std::string& a, const std::string& b) {
        return CompareKeys(a.c_str(), b.c_str(), kFirstNameRecordSize + 1) < 0;
    });
    real.erase(std::unique(real.begin(), real.end()), real.end());

    // Leading fillers read as the empty string, trailing ones as nine 0xFF bytes: below and
    // above every name made of ten non-NUL bytes below 0xFF.
    const std::string leading(kFirstNameRecordSize, '\0');
    const std::string trailing = std::string(kFirstNameRecordSize - 1, '\xFF') + '\0';
    records.assign(kLeadingFillers, leading);
    records.insert(records.end(), real.begin(), real.end());
    records.insert(records.end(), kTrailingFillers, trailing);
}

int FirstNameList::IndexOf(const std::string& name) const {
    const std::string record = FirstNameRecord(name);
    const auto begin = records.begin() + kLeadingFillers;
    const auto end = records.end() - kTrailingFillers;
    const auto it =
        std::lower_bound(begin, end, record, [](const std::string& a, const std::string& b) {
            return CompareKeys(a.c_str(), b.c_str(), kFirstNameRecordSize + 1) < 0;
        });
    if (it == end || *it != record)
        return -1;
    return static_cast<int>(it - records.begin());
}

std::vector<unsigned char> FirstNameList::Bytes() const {
    std::vector<unsigned char> bytes;
    bytes.reserve(records.size() * kFirstNameRecordSize);
    for (const std::string& record : records)
        bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

namespace {

bool WriteBytes(const fs::path& path, const void* data, std::size_t size) {
    FilePtr file = OpenFile(path.c_str(), "wb");
    if (!file)
        return false;
    if (size > 0 && std::fwrite(data, 1, size, file.get()) != size)
        return false;
    return std::fflush(file.get()) == 0;
}

// Partitions a disc holds: 0..7 on disc 1, 7..14 on disc 2 (7 straddles the split).
int FirstPartition(int disc) {
    return disc == 1 ? 0 : 7;
}
int LastPartition(int disc) {
    return disc == 1 ? 7 : kPartitionCount - 1;
}

}  // namespace

struct DiscSetWriter::Impl {
    DiscSetOptions options;
    const FirstNameList& names;
    DiscSetReport report;

    // The open data file.
    FilePtr data;
    std::vector<char> dataBuffer = std::vector<char>(1 << 20);
    int fileNumber = 0;
    int fileDisc = 0;
    int filePartition = -1;
    int fileRecords = 0;

    // The run being collected.
    std::string runKey;
    std::vector<RawDeathRecord> run;
    int lastFirstName = -1;

    // Tree items of each disc, by partition.
    std::vector<TreeItem> items[2][kPartitionCount];

    Impl(DiscSetOptions o, const FirstNameList& n) : options(std::move(o)), names(n) {}

    fs::path DiscDir(int disc) const { return disc == 1 ? options.disc1Dir : options.disc2Dir; }

    bool StartFile(int disc, std::string& error) {
        if (data && std::fflush(data.get()) != 0) {
            error = "cannot write data file dp" + std::to_string(fileNumber) + ".car";
            return false;
        }
        ++fileNumber;
        fileDisc = disc;
        filePartition = -1;
        fileRecords = 0;
        const fs::path path = DiscDir(disc) / ("dp" + std::to_string(fileNumber) + ".car");
        data = OpenFile(path.c_str(), "wb");
        if (!data) {
            error = "cannot create " + path.string();
            return false;
        }
        std::setvbuf(data.get(), dataBuffer.data(), _IOFBF, dataBuffer.size());
        if (disc == 2 && report.firstFileOfDisc2 == 0)
            report.firstFileOfDisc2 = fileNumber;
        report.lastFile = fileNumber;
        return true;
    }

    bool FlushRun(std::string& error) {
        if (runKey.empty())
            return true;
        const int count = static_cast<int>(run.size());
        const int disc = CDeathIndex::DiscOf(runKey.c_str());
        const int cap = std::clamp(options.recordsPerFile, 1, kMaxRecordsPerDataFile);
        // A run stays inside one file and never reaches position 1,000,000.
        const int partition = CDeathIndex::PartitionOf(runKey.c_str());
        const bool full = fileRecords > 0 && (fileRecords + count > cap ||
                                              fileRecords + count > kMaxRecordsPerDataFile);
        const bool newPartition =
            options.filePerPartition && filePartition != -1 && partition != filePartition;
        if (!data || disc != fileDisc || full || newPartition) {
            if (!StartFile(disc, error))
                return false;
        }
        filePartition = partition;
        const std::int32_t first = (fileNumber - 1) * kRecordsPerFile + fileRecords;
        if (!run.empty() &&
            std::fwrite(run.data(), sizeof(RawDeathRecord), run.size(), data.get()) != run.size()) {
            error = "cannot write data file dp" + std::to_string(fileNumber) + ".car";
            return false;
        }
        fileRecords += count;
        report.records += count;
        items[disc - 1][partition].push_back(MakeTreeItem(runKey, first, count));
        report.runs.push_back({runKey, first, count, disc, partition});
        run.clear();
        return true;
    }
};

DiscSetWriter::DiscSetWriter(DiscSetOptions options, const FirstNameList& names)
    : impl(new Impl(std::move(options), names)) {}

DiscSetWriter::~DiscSetWriter() {
    delete impl;
}

bool DiscSetWriter::Add(const std::string& key, const RawDeathRecord& raw) {
    if (!error.empty())
        return false;
    if (key.size() != kKeyLength) {
        error = "surname key \"" + key + "\" is not 12 characters";
        return false;
    }
    const int firstName = FirstNameIndex(raw);
    if (key != impl->runKey) {
        if (!impl->runKey.empty() && CompareKeys(key.c_str(), impl->runKey.c_str()) <= 0) {
            error = "surname keys out of order at \"" + key + "\"";
            return false;
        }
        if (!impl->FlushRun(error))
            return false;
        impl->runKey = key;
        impl->lastFirstName = -1;
    }
    if (firstName < impl->lastFirstName) {
        error = "first names out of order within \"" + key + "\"";
        return false;
    }
    if (impl->run.size() >= static_cast<std::size_t>(kMaxRecordsPerDataFile)) {
        error = "surname \"" + key + "\" has more records than one data file holds";
        return false;
    }
    impl->lastFirstName = firstName;
    impl->run.push_back(raw);
    return true;
}

bool DiscSetWriter::Finish(DiscSetReport* report) {
    if (!error.empty())
        return false;
    if (!impl->FlushRun(error))
        return false;
    if (impl->data && std::fflush(impl->data.get()) != 0) {
        error = "cannot write the last data file";
        return false;
    }
    impl->data.reset();

    const std::vector<unsigned char> list = impl->names.Bytes();
    for (int disc = 1; disc <= 2; ++disc) {
        const fs::path dir = impl->DiscDir(disc);
        for (int p = FirstPartition(disc); p <= LastPartition(disc); ++p) {
            const fs::path path = dir / ("gst" + std::to_string(p) + ".tre");
            if (!BuildTree(impl->items[disc - 1][p]).WriteTo(path)) {
                error = "cannot write " + path.string();
                return false;
            }
        }
        if (!WriteBytes(dir / "fname.fst", list.data(), list.size())) {
            error = "cannot write " + (dir / "fname.fst").string();
            return false;
        }
        if (impl->options.writeMarkers) {
            const fs::path marker = dir / (disc == 1 ? "disc1.id" : "disc2.id");
            if (!WriteBytes(marker, "", 0)) {
                error = "cannot write " + marker.string();
                return false;
            }
        }
    }
    if (report != nullptr)
        *report = impl->report;
    return true;
}

RawDeathRecord PersonRecord(const Person& person, int firstNameIndex) {
    const std::uint32_t wordA =
        (static_cast<std::uint32_t>(firstNameIndex) & kFirstNameMask) |
        (static_cast<std::uint32_t>(person.location & kLocationMask) << kLocationShift);
    const std::uint32_t wordB = (person.ssn & kSsnMask) | (person.bornIn1800s ? kBornIn1800s : 0);
    return MakeRawRecord(wordA, wordB, person.deathWord, person.birthWord, person.residenceZipWord,
                         person.paymentZipWord);
}

bool WriteDiscSet(const std::vector<Person>& people, const DiscSetOptions& options,
                  DiscSetReport* report, std::string* error) {
    std::error_code ec;
    fs::create_directories(options.disc1Dir, ec);
    fs::create_directories(options.disc2Dir, ec);

    std::vector<std::string> firstNames;
    firstNames.reserve(people.size());
    for (const Person& p : people)
        firstNames.push_back(p.firstName);
    const FirstNameList list(firstNames);

    struct Entry {
        std::string key;
        int firstName;
        std::size_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(people.size());
    for (std::size_t i = 0; i < people.size(); ++i) {
        entries.push_back({SurnameKey(people[i].surname), list.IndexOf(people[i].firstName), i});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int byKey = CompareKeys(a.key.c_str(), b.key.c_str());
        return byKey != 0 ? byKey < 0 : a.firstName < b.firstName;
    });

    DiscSetWriter writer(options, list);
    for (const Entry& e : entries) {
        if (!writer.Add(e.key, PersonRecord(people[e.index], e.firstName)))
            break;
    }
    const bool ok = writer.Error().empty() && writer.Finish(report);
    if (!ok && error != nullptr)
        *error = writer.Error();
    return ok;
}

}  // namespace builder
