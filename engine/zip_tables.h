// The ZIP lists the data files are coded against. They belong to the program, not to the
// discs: a ZIP code word below the partial threshold is an index into one of them.
#pragma once

#include <cstdint>

inline constexpr int kResidenceZipCount = 56227;
inline constexpr int kPaymentZipCount = 45213;

extern const std::int32_t ResidenceZipTable[kResidenceZipCount];
extern const std::int32_t PaymentZipTable[kPaymentZipCount];
