#include "soundex.h"

namespace {

// Digit of each letter A..Z. '0' marks the vowels (Y among them), which are not coded but
// part two equal digits; 'h' marks H and W, which are not coded and part nothing.
constexpr char kDigit[26] = {
    // A    B    C    D    E    F    G    H    I    J    K    L    M
    '0',
    '1',
    '2',
    '3',
    '0',
    '1',
    '2',
    'h',
    '0',
    '2',
    '2',
    '4',
    '5',
    // N    O    P    Q    R    S    T    U    V    W    X    Y    Z
    '5',
    '0',
    '1',
    '2',
    '6',
    '2',
    '3',
    '0',
    '1',
    'h',
    '2',
    '0',
    '2',
};

// 0..25 for a letter of either case, 26 or more for every other byte.
unsigned LetterIndex(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u | 0x20u) - static_cast<unsigned>('a');
}

}  // namespace

bool SoundexCode(std::string_view name, char (&code)[kSoundexLength + 1]) {
    int length = 0;
    char last = 0;  // the digit the previous letter stands for, which the next must differ from
    for (const char c : name) {
        if (c == '\0')
            break;
        const unsigned letter = LetterIndex(c);
        if (letter >= 26)
            continue;
        const char digit = kDigit[letter];
        if (length == 0) {
            // The first letter is kept as it is, but its digit still counts: PFISTER is P236.
            code[length++] = static_cast<char>('A' + letter);
            last = digit;
            continue;
        }
        if (digit == 'h')
            continue;
        if (digit != last && digit != '0') {
            code[length++] = digit;
            if (length == kSoundexLength)
                break;
        }
        last = digit;
    }
    if (length == 0) {
        code[0] = '\0';
        return false;
    }
    while (length < kSoundexLength)
        code[length++] = '0';
    code[kSoundexLength] = '\0';
    return true;
}
