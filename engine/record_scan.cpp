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

bool RecordTest::TestsAnything() const {
    return masked.hasState || masked.hasFirstName || masked.hasBirth || masked.hasDeath ||
           names != nullptr || birth.Given() || death.Given() || ssn.Given() ||
           residenceZip != nullptr || paymentZip != nullptr;
}

namespace {

bool MaskedPart(const CResultSet::Criteria& c) {
    return c.hasState || c.hasFirstName || c.hasBirth || c.hasDeath;
}

bool InRange(int value, const YearRange& range) {
    return static_cast<unsigned>(value - range.from) <=
           static_cast<unsigned>(range.to - range.from);
}

// The tests beyond the masked part.
bool RestMatches(const RecordTest& t, const RawDeathRecord& raw) {
    bool ok = true;
    if (t.names != nullptr)
        ok &= t.names->Has(static_cast<unsigned>(FirstNameIndex(raw)));
    if (t.birth.Given())
        ok &= InRange(BirthYear(raw), t.birth);
    if (t.death.Given())
        ok &= InRange(DeathYear(raw), t.death);
    if (t.ssn.Given())
        ok &= t.ssn.Matches(static_cast<std::int32_t>(WordB(raw) & kSsnMask));
    if (t.residenceZip != nullptr)
        ok &= t.residenceZip->Has(ResidenceZipWord(raw));
    if (t.paymentZip != nullptr)
        ok &= t.paymentZip->Has(PaymentZipWord(raw));
    return ok;
}

bool HasRest(const RecordTest& t) {
    return t.names != nullptr || t.birth.Given() || t.death.Given() || t.ssn.Given() ||
           t.residenceZip != nullptr || t.paymentZip != nullptr;
}

// Keeps the records of `in` that pass the rest of the test; `out` may be `in`.
int KeepRest(const RecordTest& t, const RawDeathRecord* in, int n, RawDeathRecord* out) {
    RawDeathRecord* next = out;
    for (const RawDeathRecord* raw = in; raw != in + n; ++raw) {
        const bool hit = RestMatches(t, *raw);
        *next = *raw;  // copied either way: no branch on a hit
        next += hit ? 1 : 0;
    }
    return static_cast<int>(next - out);
}

}  // namespace

bool RecordTest::Matches(const RawDeathRecord& raw) const {
    return masked.Matches(raw) && RestMatches(*this, raw);
}

int CollectMatches(const RecordTest& test, const RawDeathRecord* records, int n,
                   RawDeathRecord* hits) {
    if (MaskedPart(test.masked)) {
        const int kept = CollectHits(test.masked, records, n, hits);
        return HasRest(test) ? KeepRest(test, hits, kept, hits) : kept;
    }
    if (HasRest(test))
        return KeepRest(test, records, n, hits);
    std::copy(records, records + n, hits);
    return n;
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
    // As for the form's search: the disc lacks a file its index needs.
    char text[64];
    std::snprintf(text, sizeof text, "File #%d needs to be on this disc.", file);
    MessageBoxA(nullptr, text, "Missing Data File", MB_OK | MB_ICONEXCLAMATION);
    HostExit(1);
    wasShort = true;  // only a test host gets here
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
