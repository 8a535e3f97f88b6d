#include <algorithm>

#include "death_record.h"
#include "zip_tables.h"

namespace {

int FindZipIndex(const std::int32_t* table, int reachable, int zip) {
    const std::int32_t* end = table + reachable;
    const std::int32_t* it = std::lower_bound(table, end, zip);
    return (it != end && *it == zip) ? static_cast<int>(it - table) : -1;
}

}  // namespace

// Code words from the partial threshold up are not indexes, so the residence table's top
// entries cannot be written.
int FindResidenceZipIndex(int zip) {
    return FindZipIndex(ResidenceZipTable, std::min<int>(kResidenceZipCount, kFirstPartialZipWord),
                        zip);
}

int FindPaymentZipIndex(int zip) {
    return FindZipIndex(PaymentZipTable, std::min<int>(kPaymentZipCount, kFirstPartialZipWord),
                        zip);
}
