#include "hit_labels.h"

#include <algorithm>
#include <cstring>

#include "death_record.h"

namespace {

constexpr int kEntrySize = 20;  // first hit, disc, three bytes of nothing, key

}  // namespace

CHitLabels::CHitLabels(const char* programDir) {
    // An over-long folder names no file: Begin then fails and the search says so.
    FormatPath(surnamesPath, "%stest.srn", programDir);
    FormatPath(namesPath[0], "%stest1.fst", programDir);
    FormatPath(namesPath[1], "%stest2.fst", programDir);
}

void CHitLabels::Close() {
    surnames.reset();
    names[0].reset();
    names[1].reset();
    writing = false;
    blockFirst = -1;
    entryCount = -1;
    piecesStart = -1;
}

namespace {

// Emptied by a stream of its own that is closed at once, then written through another: on ext4
// the first close after a truncation starts writing the file out to the disk, which must come
// while there is nothing to write (as for the hit file).
FilePtr OpenEmptied(const char* path) {
    if (!OpenFile(path, "wb"))
        return nullptr;
    return OpenFile(path, "rb+");
}

}  // namespace

bool CHitLabels::Begin() {
    Close();
    failed = false;
    if (surnamesPath[0] == '\0' || namesPath[0][0] == '\0' || namesPath[1][0] == '\0')
        return false;
    surnames = OpenEmptied(surnamesPath);
    if (!surnames)
        return false;
    std::setvbuf(surnames.get(), surnamesBuffer, _IOFBF, sizeof surnamesBuffer);
    // The lists are copied only for discs that are read; an old copy must not stand in.
    for (int i = 0; i < 2; ++i) {
        names[i] = OpenEmptied(namesPath[i]);
        if (!names[i])
            return false;
    }
    writing = true;
    return true;
}

void CHitLabels::AddSurname(std::int32_t firstHit, int disc, const char* key) {
    if (!writing)
        return;
    unsigned char bytes[kEntrySize] = {};
    StoreLE32(bytes, static_cast<std::uint32_t>(firstHit));
    bytes[4] = static_cast<unsigned char>(disc);
    std::memcpy(bytes + 8, key, kKeyLength);
    if (std::fwrite(bytes, 1, sizeof bytes, surnames.get()) != sizeof bytes)
        failed = true;
}

void CHitLabels::AddNames(int disc, const char* bytes, std::size_t size) {
    if (!writing || disc < 1 || disc > 2 || size == 0)
        return;
    if (std::fwrite(bytes, 1, size, names[disc - 1].get()) != size)
        failed = true;
}

bool CHitLabels::Finish() {
    if (writing) {
        for (FilePtr* f : {&surnames, &names[0], &names[1]}) {
            if (std::fflush(f->get()) != 0 || std::ferror(f->get()))
                failed = true;
        }
    }
    Close();
    return !failed;
}

namespace {

std::int32_t FirstHitAt(const unsigned char* bytes) {
    return static_cast<std::int32_t>(LoadLE32(bytes));
}

}  // namespace

bool CHitLabels::ReadEntry(long index, Entry& out) {
    unsigned char bytes[kEntrySize];
    if (std::fseek(surnames.get(), index * kEntrySize, SEEK_SET) != 0 ||
        std::fread(bytes, 1, sizeof bytes, surnames.get()) != sizeof bytes) {
        return false;
    }
    out.firstHit = FirstHitAt(bytes);
    return true;
}

bool CHitLabels::LoadBlock(long index) {
    blockFirst = -1;
    if (std::fseek(surnames.get(), index * kEntrySize, SEEK_SET) != 0)
        return false;
    const std::size_t got = std::fread(block, 1, sizeof block, surnames.get());
    const int whole = static_cast<int>(got / kEntrySize);
    if (whole == 0)
        return false;
    blockCount = std::min(whole, kBlockEntries);
    blockEnd = whole > kBlockEntries ? FirstHitAt(block + kBlockEntries * kEntrySize) : INT64_MAX;
    blockFirst = index;
    return true;
}

bool CHitLabels::Find(std::int32_t hit) {
    if (writing || failed)
        return false;
    if (!surnames) {
        surnames = OpenFile(surnamesPath, "rb");
        if (!surnames)
            return false;
        const long size = StreamSize(surnames.get());
        entryCount = size < 0 ? 0 : size / kEntrySize;
    }
    if (blockFirst < 0 || hit < FirstHitAt(block) || hit >= blockEnd) {
        // The last entry that begins at or before the hit, then a block from there.
        long lo = 0;
        long hi = entryCount - 1;
        long found = -1;
        Entry probe;
        while (lo <= hi) {
            const long mid = lo + (hi - lo) / 2;
            if (!ReadEntry(mid, probe))
                return false;
            if (probe.firstHit <= hit) {
                found = mid;
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        if (found < 0 || !LoadBlock(found))
            return false;
    }
    // The last entry of the block that begins at or before the hit.
    int lo = 0;
    int hi = blockCount - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (FirstHitAt(block + mid * kEntrySize) <= hit) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    const unsigned char* bytes = block + lo * kEntrySize;
    entry.firstHit = FirstHitAt(bytes);
    entry.disc = bytes[4];
    std::memcpy(entry.key, bytes + 8, kKeyLength);
    entry.key[kKeyLength] = '\0';
    return true;
}

const char* CHitLabels::SurnameOf(std::int32_t hit) {
    return Find(hit) ? entry.key : "";
}

int CHitLabels::DiscOf(std::int32_t hit) {
    return Find(hit) ? entry.disc : 0;
}

const char* CHitLabels::FirstNameOf(int disc, int index) {
    if (writing || disc < 1 || disc > 2 || index < 0)
        return nullptr;
    const long offset = static_cast<long>(index) * kFirstNameRecordSize;
    if (disc != piecesDisc || piecesStart < 0 || offset < piecesStart ||
        offset + kFirstNameRecordSize > piecesStart + static_cast<long>(piecesBytes)) {
        FilePtr& list = names[disc - 1];
        if (!list)
            list = OpenFile(namesPath[disc - 1], "rb");
        piecesStart = -1;
        if (!list)
            return nullptr;
        // Whole pieces, so that a name never straddles two.
        const long start = offset - offset % static_cast<long>(sizeof pieces);
        if (std::fseek(list.get(), start, SEEK_SET) != 0)
            return nullptr;
        piecesBytes = std::fread(pieces, 1, sizeof pieces, list.get());
        piecesDisc = disc;
        piecesStart = start;
        if (offset + kFirstNameRecordSize > piecesStart + static_cast<long>(piecesBytes))
            return nullptr;
    }
    std::memcpy(name, pieces + (offset - piecesStart), kFirstNameRecordSize);
    name[kFirstNameRecordSize] = '\0';
    return name;
}
