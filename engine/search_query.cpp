#include "search_query.h"

#include <cstdio>
#include <cstring>

#include "death_record.h"
#include "search_criteria.h"

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool HasWildcards(const char* text) {
    return std::strpbrk(text, "*?") != nullptr;
}

// Leading digits of `s` as a number (saturating well above any year); advances past them.
bool TakeNumber(std::string_view& s, int& value) {
    long long n = 0;
    std::size_t i = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i)
        n = n < 1000000 ? n * 10 + (s[i] - '0') : n;
    if (i == 0)
        return false;
    value = static_cast<int>(n);
    s.remove_prefix(i);
    return true;
}

// "1905", "+1905" or "1905-1910", blanks allowed around the numbers.
bool ParseYears(std::string_view text, YearRange& out) {
    std::string_view s = Trimmed(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (!TakeNumber(s, out.from))
        return false;
    s = Trimmed(s);
    if (s.empty()) {
        out.to = out.from;
        return true;
    }
    if (s.front() != '-')
        return false;
    s = Trimmed(s.substr(1));
    return TakeNumber(s, out.to) && s.empty();
}

// Digits with a dash allowed after the third and after the fifth: 123-45-6789, 123-45, 123.
bool ParseSsn(std::string_view text, SsnCriterion& out) {
    const std::string_view s = Trimmed(text);
    int digits = 0;
    std::int64_t value = 0;
    char last = '\0';
    for (const char c : s) {
        if (IsDigit(c)) {
            if (++digits > 9)
                return false;
            value = value * 10 + (c - '0');
        } else if (c != '-' || last == '-' || (digits != 3 && digits != 5)) {
            return false;
        }
        last = c;
    }
    if (last == '-')
        return false;
    std::int64_t scale = 1;
    if (digits == 3) {
        scale = 1000000;
    } else if (digits == 5) {
        scale = 10000;
    } else if (digits != 9) {
        return false;
    }
    out.digits = digits;
    out.low = static_cast<std::int32_t>(value * scale);
    out.high = static_cast<std::int32_t>(value * scale + scale - 1);
    return true;
}

bool ParseZip(std::string_view text, ZipCriterion& out) {
    const std::string_view s = Trimmed(text);
    if (s.size() != 3 && s.size() != 5)
        return false;
    int value = 0;
    for (const char c : s) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - '0');
    }
    out.digits = static_cast<int>(s.size());
    out.value = value;
    return true;
}

bool Refuse(QueryProblem& problem, QueryField field, const char* text) {
    problem.field = field;
    std::snprintf(problem.text, sizeof problem.text, "%s", text);
    return false;
}

// Years are checked like the form's: the same limits and texts, for ranges at both ends.
bool CheckYears(const YearRange& range, QueryField field, int first, const char* what,
                QueryProblem& problem) {
    if (range.from < first || range.from > kLastYear || range.to < first || range.to > kLastYear) {
        char text[80];
        std::snprintf(text, sizeof text, "%s year must be between %d and %d", what, first,
                      kLastYear);
        return Refuse(problem, field, text);
    }
    if (range.from > range.to) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "%s years %d-%d run backwards: give the earlier year first", what, range.from,
                      range.to);
        return Refuse(problem, field, text);
    }
    return true;
}

}  // namespace

bool ZipCriterion::Matches(int zip, int partial) const {
    if (zip <= 0 || zip > 99999 || digits == 0)
        return false;
    if (partial == 0)
        return digits == 5 ? zip == value : zip / 100 == value;
    // The digits a partial ZIP knows: XX000 for 10,001, none for 10,000, otherwise those from
    // its first digit that is not 0 (123 is XX123).
    char stored[6];
    int known = 0;  // first known position
    if (zip == 10000)
        return false;
    if (zip == 10001) {
        std::memcpy(stored, "XX000", sizeof stored);
        known = 2;
    } else {
        std::snprintf(stored, sizeof stored, "%05d", zip);
        while (known < 5 && stored[known] == '0')
            ++known;
    }
    char typed[6];
    std::snprintf(typed, sizeof typed, "%0*d", digits, value);
    bool shared = false;
    for (int i = known; i < digits; ++i) {
        if (stored[i] != typed[i])
            return false;
        shared = true;
    }
    return shared;
}

void SearchQuery::Text::Set(std::string_view text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    tooLong = text.size() > static_cast<std::size_t>(kMaxQueryText);
    const std::size_t n = tooLong ? 0 : text.size();
    text.copy(value, n);
    value[n] = '\0';
}

void SearchQuery::SetSurname(std::string_view text, SurnameMatch match) {
    checked = false;
    typedSurname.Set(text);
    how = match;
}
void SearchQuery::SetFirstName(std::string_view text) {
    checked = false;
    typedFirst.Set(text);
}
void SearchQuery::SetBirth(std::string_view text) {
    checked = false;
    typedBirth.Set(Trimmed(text));
}
void SearchQuery::SetDeath(std::string_view text) {
    checked = false;
    typedDeath.Set(Trimmed(text));
}
void SearchQuery::SetState(int code) {
    checked = false;
    typedState = code;
}
void SearchQuery::SetSsn(std::string_view text) {
    checked = false;
    typedSsn.Set(Trimmed(text));
}
void SearchQuery::SetResidenceZip(std::string_view text) {
    checked = false;
    typedResidenceZip.Set(Trimmed(text));
}
void SearchQuery::SetPaymentZip(std::string_view text) {
    checked = false;
    typedPaymentZip.Set(Trimmed(text));
}

bool SearchQuery::Check(QueryProblem& problem) {
    problem = QueryProblem{};
    checked = false;
    surnameKind = SurnameKind::kNone;
    surname[0] = '\0';
    firstKind = FirstNameKind::kNone;
    first[0] = '\0';
    birth = {};
    death = {};
    state = 0;
    ssn = {};
    residenceZip = {};
    paymentZip = {};

    if (!typedSurname.Empty()) {
        if (typedSurname.tooLong)
            return Refuse(problem, QueryField::kSurname, "Last name is too long");
        std::memcpy(surname, typedSurname.value, sizeof surname);
        const bool wild = HasWildcards(surname);
        if (std::strlen(surname) > kMaxPatternLength && (wild || how != SurnameMatch::kSpelling))
            return Refuse(problem, QueryField::kSurname,
                          "Last name is too long.  Maximum length is 64.");
        if (how != SurnameMatch::kSpelling && wild) {
            return Refuse(problem, QueryField::kSoundsLike,
                          "A sounds-like search takes a whole surname, without * or ?");
        }
        if (how == SurnameMatch::kSoundex) {
            surnameKind = SurnameKind::kSoundex;
        } else if (how == SurnameMatch::kDaitchMokotoff) {
            surnameKind = SurnameKind::kDaitchMokotoff;
        } else if (wild) {
            surnameKind = SurnameKind::kPattern;
        } else {
            if (std::strlen(surname) > kMaxSurnameLength)
                return Refuse(problem, QueryField::kSurname,
                              "Last name is too long.  Maximum length is 12.");
            surnameKind = SurnameKind::kExact;
        }
    } else if (how != SurnameMatch::kSpelling) {
        return Refuse(problem, QueryField::kSoundsLike, "A sounds-like search needs a surname");
    }

    if (!typedFirst.Empty()) {
        if (typedFirst.tooLong)
            return Refuse(problem, QueryField::kFirstName, "First name is too long");
        std::memcpy(first, typedFirst.value, sizeof first);
        if (HasWildcards(first)) {
            if (std::strlen(first) > kMaxPatternLength)
                return Refuse(problem, QueryField::kFirstName,
                              "First name is too long.  Maximum length is 64.");
            firstKind = FirstNameKind::kPattern;
        } else {
            if (std::strlen(first) > kMaxFirstNameLength)
                return Refuse(problem, QueryField::kFirstName,
                              "First name is too long.  Maximum length is 10.");
            firstKind = FirstNameKind::kExact;
        }
    }

    if (!typedBirth.Empty()) {
        if (typedBirth.tooLong || !ParseYears(typedBirth.value, birth))
            return Refuse(problem, QueryField::kBirth,
                          "Birth year must be a year, or two years as in 1905-1910");
        if (!CheckYears(birth, QueryField::kBirth, kFirstBirthYear, "Birth", problem))
            return false;
    }
    if (!typedDeath.Empty()) {
        if (typedDeath.tooLong || !ParseYears(typedDeath.value, death))
            return Refuse(problem, QueryField::kDeath,
                          "Death year must be a year, or two years as in 1905-1910");
        if (!CheckYears(death, QueryField::kDeath, kFirstDeathYear, "Death", problem))
            return false;
    }
    // Nobody could be born after the last year of death asked for.
    if (birth.Given() && death.Given() && birth.from > death.to) {
        return Refuse(problem, QueryField::kWhole,
                      "Birth year must be the same or earlier than\nthe death year.");
    }

    if (typedState < 0 || typedState >= kLocationNameCount)
        return Refuse(problem, QueryField::kState, "State must be a location code 0 to 65");
    state = typedState;

    if (!typedSsn.Empty() && (typedSsn.tooLong || !ParseSsn(typedSsn.value, ssn))) {
        return Refuse(problem, QueryField::kSsn,
                      "SSN must be nine digits (123-45-6789), or the first three or five "
                      "(123, 123-45)");
    }
    if (!typedResidenceZip.Empty() &&
        (typedResidenceZip.tooLong || !ParseZip(typedResidenceZip.value, residenceZip))) {
        return Refuse(problem, QueryField::kResidenceZip,
                      "Residence ZIP must be five digits, or the first three");
    }
    if (!typedPaymentZip.Empty() &&
        (typedPaymentZip.tooLong || !ParseZip(typedPaymentZip.value, paymentZip))) {
        return Refuse(problem, QueryField::kPaymentZip,
                      "Payment ZIP must be five digits, or the first three");
    }

    if (surnameKind == SurnameKind::kNone && !HasRecordCriteria()) {
        return Refuse(problem, QueryField::kWhole,
                      "Please enter a surname, or at least one other criterion");
    }
    checked = true;
    return true;
}

bool SearchQuery::HasRecordCriteria() const {
    return firstKind != FirstNameKind::kNone || birth.Given() || death.Given() || state > 0 ||
           ssn.Given() || residenceZip.Given() || paymentZip.Given();
}

bool SearchQuery::IsFormShaped() const {
    auto isRange = [](const Text& t) {
        for (const char* p = t.value; *p != '\0'; ++p) {
            if (*p == '-' && p > t.value && IsDigit(p[-1]))
                return true;
        }
        return false;
    };
    return how == SurnameMatch::kSpelling && !typedSurname.Empty() && !typedSurname.tooLong &&
           !HasWildcards(typedSurname.value) && !typedFirst.tooLong &&
           !HasWildcards(typedFirst.value) && !isRange(typedBirth) && !isRange(typedDeath) &&
           typedSsn.Empty() && typedResidenceZip.Empty() && typedPaymentZip.Empty();
}

bool SearchQuery::IsDescribedForm() const {
    return surnameKind == SurnameKind::kExact && firstKind != FirstNameKind::kPattern &&
           (!birth.Given() || birth.IsSingle()) && (!death.Given() || death.IsSingle()) &&
           !ssn.Given() && !residenceZip.Given() && !paymentZip.Given();
}

void SearchQuery::FillCriteria(CSearchCriteria& criteria) const {
    criteria.SetSurname(surname);
    if (firstKind == FirstNameKind::kExact)
        criteria.SetFirstName(first);
    if (death.Given())
        criteria.SetDeathYear(death.from);
    if (birth.Given())
        criteria.SetBirthYear(birth.from);
    if (state > 0)
        criteria.SetState(state);
}
