// The ZIP lists the data files are coded against. They belong to the program, not to the
// discs: a ZIP code word below the partial threshold is an index into one of them.
#pragma once

#include <cstdint>

inline constexpr int kResidenceZipCount = 56227;
inline constexpr int kPaymentZipCount = 45213;

extern const std::int32_t ResidenceZipTable[kResidenceZipCount];
extern const std::int32_t PaymentZipTable[kPaymentZipCount];

// The ZIP code word that encodes an exact ZIP, for writing disc sets: the table index of `zip`,
// or -1 when the ZIP is not in the part of the table that a code word can reach (residence
// indexes 0..55,533, payment indexes 0..45,212).
int FindResidenceZipIndex(int zip);
int FindPaymentZipIndex(int zip);
