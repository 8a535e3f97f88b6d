#include "search_criteria.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "host.h"

namespace {

void ShowQueryError(const char* message) {
    char text[160];
    std::snprintf(text, sizeof text, "query error: %s.\n", message);
    AfxMessageBox(text, MB_OK);
}

void ShowLengthError(const char* format, int limit) {
    char message[96];
    std::snprintf(message, sizeof message, format, limit);
    ShowQueryError(message);
}

}  // namespace

int ParseLeadingInt(const char* text) {
    if (text == nullptr)
        return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX)
            value = INT_MAX + 1LL;  // stays out of every valid range
    }
    if (negative)
        value = -value;
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

void CSearchCriteria::SetSurname(const char* text) {
    if (text == nullptr)
        return;
    if (std::strlen(text) > kMaxSurnameLength) {
        ShowLengthError("Last name is too long.  Maximum length is %d.", kMaxSurnameLength);
        return;
    }
    std::strcpy(surname, text);
    firstNameSet = 0;
    deathYearSet = 0;
    birthYearSet = 0;
    stateSet = 0;
}

void CSearchCriteria::SetFirstName(const char* text) {
    if (text == nullptr)
        text = "";
    const std::size_t length = std::strlen(text);
    if (length > kMaxFirstNameLength) {
        ShowLengthError("First name is too long.  Maximum length is %d.", kMaxFirstNameLength);
        return;
    }
    for (std::size_t i = 0; i < kMaxFirstNameLength; ++i) {
        firstName[i] = i < length ? UpperAscii(text[i]) : ' ';
    }
    firstName[kMaxFirstNameLength] = '\0';
    firstNameSet = 1;
}

void CSearchCriteria::SetDeathYear(int year) {
    deathYear = year;
    deathYearSet = 1;
}

void CSearchCriteria::SetBirthYear(int year) {
    birthYear = year;
    birthYearSet = 1;
}

void CSearchCriteria::SetState(int code) {
    state = static_cast<std::uint8_t>(code & 0xFF);
    stateSet = 1;
}
