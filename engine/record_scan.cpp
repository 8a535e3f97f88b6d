#include "record_scan.h"

#include <algorithm>
#include <cstdio>

#include "host.h"
#include "zip_tables.h"

void ZipWordsMatching(const ZipCriterion& zip, bool residence, ZipWordSet& out) {
    out.Clear();
    const std::int32_t* table = residence ? ResidenceZipTable : PaymentZipTable;
    const int tableSize = residence ? kResidenceZipCount : kPaymentZipCount;
    for (int word = 0; word < kZipWords; ++word) {
        // Decoded as the record decoder does: partial values count down from 65,535, and a word
        // beyond a short table is no ZIP.
        int value = 0;
        int partial = 0;
        if (word >= kFirstPartialZipWord) {
            value = 65535 - word;
            partial = 1;
        } else if (word < tableSize) {
            value = table[word];
        }
        if (zip.Matches(value, partial))
            out.Add(static_cast<unsigned>(word));
    }
}

namespace {

bool MaskedPart(const CResultSet::Criteria& c) {
    return c.hasState || c.hasFirstName || c.hasBirth || c.hasDeath;
}

bool InRange(int value, const YearRange& range) {
    return static_cast<unsigned>(value - range.from) <=
           static_cast<unsigned>(range.to - range.from);
}

// Keeps the records of `in` that pass `test`, in their order; `out` may be `in`. Every record is
// copied and kept only when it passes: no branch on a hit, which would often be mispredicted.
template <typename Test>
int Keep(const RawDeathRecord* in, int n, RawDeathRecord* out, Test test) {
    RawDeathRecord* next = out;
    for (const RawDeathRecord* raw = in; raw != in + n; ++raw) {
        const bool hit = test(*raw);
        *next = *raw;
        next += hit ? 1 : 0;
    }
    return static_cast<int>(next - out);
}

}  // namespace

const RawDeathRecord* CollectMatches(const RecordTest& t, const RawDeathRecord* records, int n,
                                     RawDeathRecord* hits, int& kept) {
    // One pass per test, each over what the ones before kept: every loop stays a tight one.
    // The masked comparison goes first, since it tests most at once.
    const RawDeathRecord* from = records;
    auto pass = [&](auto test) {
        n = Keep(from, n, hits, test);
        from = hits;
    };
    if (MaskedPart(t.masked)) {
        n = CollectHits(t.masked, from, n, hits);
        from = hits;
    }
    if (t.ssn.Given()) {
        const std::uint32_t low = static_cast<std::uint32_t>(t.ssn.low);
        const std::uint32_t span = static_cast<std::uint32_t>(t.ssn.high - t.ssn.low);
        const bool zeroInRange = t.ssn.low == 0;
        pass([=](const RawDeathRecord& r) {
            const std::uint32_t ssn = WordB(r) & kSsnMask;
            return ssn - low <= span && (!zeroInRange || ssn != 0);
        });
    }
    if (t.residenceZip != nullptr) {
        const ZipWordSet& zips = *t.residenceZip;
        pass([&](const RawDeathRecord& r) { return zips.Has(ResidenceZipWord(r)); });
    }
    if (t.paymentZip != nullptr) {
        const ZipWordSet& zips = *t.paymentZip;
        pass([&](const RawDeathRecord& r) { return zips.Has(PaymentZipWord(r)); });
    }
    if (t.names != nullptr) {
        const NamePositionSet& names = *t.names;
        pass([&](const RawDeathRecord& r) {
            return names.Has(static_cast<unsigned>(FirstNameIndex(r)));
        });
    }
    if (t.birth.Given()) {
        const YearRange range = t.birth;
        pass([=](const RawDeathRecord& r) { return InRange(BirthYear(r), range); });
    }
    if (t.death.Given()) {
        const YearRange range = t.death;
        pass([=](const RawDeathRecord& r) { return InRange(DeathYear(r), range); });
    }
    kept = n;
    return from;
}

CDiscRecords::CDiscRecords(const char* discDir) {
    if (!FormatPath(dir, "%s", discDir))
        dir[0] = '\0';
    std::fill(std::begin(fileRecords), std::end(fileRecords), -2L);
}

long CDiscRecords::RecordsIn(int file) {
    if (file < 1 || file > kMaxFiles)
        return -1;
    long& known = fileRecords[file];
    if (known == -2) {
        char path[kMaxPath];
        FilePtr f;
        if (dir[0] != '\0' && FormatPath(path, "%sdp%d.car", dir, file))
            f = OpenFile(path, "rb");
        const long size = f ? StreamSize(f.get()) : -1;
        known = size < 0 ? -1 : size / static_cast<long>(sizeof(RawDeathRecord));
    }
    return known;
}

RunPlace CDiscRecords::PlaceOf(std::int32_t first, std::int32_t count, int& file) {
    file = 0;
    if (count <= 0)
        return RunPlace::kOnDisc;
    auto where = [](std::int64_t n, int& f, long& position) {
        f = static_cast<int>(n / kRecordsPerFile) + 1;
        position = static_cast<long>(n % kRecordsPerFile);
        if (position == kLastFilePosition) {
            ++f;
            position = 0;
        }
    };
    int a = 0;
    int b = 0;
    long positionA = 0;
    long positionB = 0;
    where(first, a, positionA);
    where(std::int64_t{first} + count - 1, b, positionB);
    const long inA = RecordsIn(a);
    const long inB = RecordsIn(b);
    // A run whose two ends are on different sides of the disc's data was moved by damage to
    // the index: no data file of this disc is missing.
    if (a != b && (inA < 0) != (inB < 0))
        return RunPlace::kDamagedIndex;
    if (inA < 0 || inB < 0) {
        file = inA < 0 ? a : b;
        return RunPlace::kMissingFile;
    }
    if (positionB >= inB) {
        file = b;
        return RunPlace::kShortFile;
    }
    return RunPlace::kOnDisc;
}

void CDiscRecords::ReportMissingFile(int file) {
    wasShort = true;
    if (file >= 0 && file <= kMaxFiles) {
        if (toldMissing[file])
            return;
        toldMissing[file] = true;
    }
    // As for the form's search: the disc lacks a file its index needs.
    char text[64];
    std::snprintf(text, sizeof text, "File #%d needs to be on this disc.", file);
    MessageBoxA(nullptr, text, "Missing Data File", MB_OK | MB_ICONEXCLAMATION);
    HostExit(1);  // only a test host returns, and the run is then passed over
}

bool CDiscRecords::Open(int file) {
    if (file == openFile)
        return true;
    data.reset();
    openFile = -1;
    streamPosition = -1;
    bufferFile = -1;
    bufferCount = 0;
    char path[kMaxPath];
    if (file > 0 && dir[0] != '\0' && FormatPath(path, "%sdp%d.car", dir, file))
        data = OpenFile(path, "rb");
    if (!data) {
        ReportMissingFile(file);
        return false;
    }
    std::setvbuf(data.get(), nullptr, _IONBF, 0);  // reads land in `buffer` directly
    openFile = file;
    streamPosition = 0;
    return true;
}

// A read after a jump brings in this much: a run of a few records needs no more, and a run
// that goes on continues with whole buffers.
constexpr int kJumpRecords = 256;

const RawDeathRecord* CDiscRecords::View(int file, std::int32_t position, std::int32_t want,
                                         int& got) {
    got = 0;
    if (file == bufferFile && position >= bufferPosition &&
        position < bufferPosition + bufferCount) {
        got = std::min(want, bufferPosition + bufferCount - position);
        return buffer + (position - bufferPosition);
    }
    const bool onward = (file == bufferFile && position == bufferPosition + bufferCount) ||
                        (file != bufferFile && position == 0);
    if (!Open(file))
        return buffer;
    if (sinceKeepAlive >= kBufferRecords) {
        sinceKeepAlive = 0;
        if (!HostKeepAlive()) {
            cancelled = true;
            return buffer;
        }
    }
    const int records =
        onward ? kBufferRecords : std::clamp<int>(want, kJumpRecords, kBufferRecords);
    bufferFile = -1;
    bufferCount = 0;
    if (position != streamPosition &&
        std::fseek(data.get(), static_cast<long>(position) * 16, SEEK_SET) != 0) {
        streamPosition = -1;
        return buffer;
    }
    const std::size_t wanted = static_cast<std::size_t>(records) * sizeof(RawDeathRecord);
    const std::size_t bytes = std::fread(buffer, 1, wanted, data.get());
    // After a short read the stream may carry its end-of-file flag: seek before the next one.
    streamPosition = bytes == wanted ? position + records : -1;
    ++reads;
    bufferFile = file;
    bufferPosition = position;
    bufferCount = static_cast<int>(bytes / sizeof(RawDeathRecord));
    recordsRead += bufferCount;
    sinceKeepAlive += bufferCount;
    got = std::min(want, bufferCount);
    return buffer;
}
