// American Soundex, the code of the US census indexes: the first letter and three digits.
#pragma once

#include <string_view>

inline constexpr int kSoundexLength = 4;

// Codes `name` up to its first NUL (or the end of the view), so a key field that lacks its
// NUL is still read safely. Only the letters A-Z count, in either case; blanks, apostrophes,
// hyphens and bytes from 0x80 up are dropped before coding, so O'BRIEN codes as OBRIEN.
// False, with an empty code, when the name holds no letter: such a name matches nothing.
// No allocation: a sounds-like search codes every key of the index.
bool SoundexCode(std::string_view name, char (&code)[kSoundexLength + 1]);
