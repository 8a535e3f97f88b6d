// A query beyond what the form's criteria hold: surname patterns and sounds-like codes, year
// ranges, SSN and ZIP look-ups, and no surname at all. The command line and the window build
// it from typed texts and check it once; a query the form could have asked runs the form's own
// path (CSearchCriteria and CDeathIndex::Search), everything else runs CWideSearch.
#pragma once

#include <cstdint>
#include <string_view>

#include "name_pattern.h"

class CSearchCriteria;

enum class SurnameMatch {
    kSpelling,        // as typed, with * and ? as wildcards
    kSoundex,         // every surname with the typed name's American Soundex code
    kDaitchMokotoff,  // every surname sharing a Daitch-Mokotoff code with the typed name
};

// What the surname criterion asks for, once checked.
enum class SurnameKind { kNone, kExact, kPattern, kSoundex, kDaitchMokotoff };
enum class FirstNameKind { kNone, kExact, kPattern };

// The typed value a check refused, so that each front end can name its own field or option.
enum class QueryField {
    kNone,
    kSurname,
    kSoundsLike,
    kFirstName,
    kBirth,
    kDeath,
    kState,
    kSsn,
    kResidenceZip,
    kPaymentZip,
    kWhole,  // the query as a whole: no criterion at all, birth after death
};

struct QueryProblem {
    QueryField field = QueryField::kNone;
    char text[160] = {};
};

// Inclusive; a single year is FROM..FROM. Not given while `from` is 0.
struct YearRange {
    int from = 0;
    int to = 0;
    bool Given() const { return from != 0; }
    bool IsSingle() const { return from == to; }
};

// Nine digits, or the first three (area) or five (area and group): every number from `low`
// to `high`. Not given while `digits` is 0.
struct SsnCriterion {
    int digits = 0;
    std::int32_t low = 0;
    std::int32_t high = 0;
    bool Given() const { return digits != 0; }
    // A record's SSN (the nine digits as one number); 0, no number, never matches.
    bool Matches(std::int32_t ssn) const { return ssn != 0 && ssn >= low && ssn <= high; }
};

// Five digits match one ZIP, three every ZIP that begins with them. Not given while `digits`
// is 0.
struct ZipCriterion {
    int digits = 0;
    int value = 0;  // the typed digits as a number (012 is 12)
    bool Given() const { return digits != 0; }
    // A decoded ZIP and its partial flag. ZIP 0 is no ZIP and matches nothing. A partial ZIP
    // knows only its digits after the ones shown as X: it matches when it agrees with the
    // typed value on every position both know, and they know at least one position in common
    // (so XXXXX matches nothing, and XXXX5 no three-digit value).
    bool Matches(int zip, int partial) const;
};

// Longest typed text a query keeps; patterns are shorter still (kMaxPatternLength).
inline constexpr int kMaxQueryText = 255;

class SearchQuery {
  public:
    // Typed texts: an empty one is not given. Nothing is checked until Check().
    void SetSurname(std::string_view text, SurnameMatch how = SurnameMatch::kSpelling);
    void SetFirstName(std::string_view text);
    void SetBirth(std::string_view text);  // "1905" or "1905-1910"
    void SetDeath(std::string_view text);
    void SetState(int code);  // a location code 1..65; 0 is any state
    void SetSsn(std::string_view text);
    void SetResidenceZip(std::string_view text);
    void SetPaymentZip(std::string_view text);

    // Reads every typed value. False, with the first problem found, when the query cannot
    // run: a value that is not what its field takes, a year outside the form's limits, a range
    // that runs backwards, a birth after the death, wildcards with sounds-like, or no
    // criterion at all.
    bool Check(QueryProblem& problem);
    // True after a successful Check, until a value is set again.
    bool IsChecked() const { return checked; }

    // Before any check, from the typed texts alone: whether this is what the form asks (a
    // surname without wildcards or sounds-like, a first name without wildcards, years that
    // are no ranges, nothing else). Such a query goes to the form's own checks and path, with
    // their own texts for values they refuse.
    bool IsFormShaped() const;

    // After a successful Check: whether the form could have asked this (an exact surname, an
    // exact first name, single years, a state and nothing else), and the form's criteria for
    // it, set in the form's order.
    bool IsDescribedForm() const;
    void FillCriteria(CSearchCriteria& criteria) const;

    // The checked query.
    SurnameKind Surname() const { return surnameKind; }
    const char* SurnameText() const { return surname; }  // as typed
    FirstNameKind FirstName() const { return firstKind; }
    const char* FirstNameText() const { return first; }
    const YearRange& Birth() const { return birth; }
    const YearRange& Death() const { return death; }
    int State() const { return state; }
    const SsnCriterion& Ssn() const { return ssn; }
    const ZipCriterion& ResidenceZip() const { return residenceZip; }
    const ZipCriterion& PaymentZip() const { return paymentZip; }
    // Whether anything besides the surname narrows the records.
    bool HasRecordCriteria() const;

  private:
    struct Text {
        char value[kMaxQueryText + 1] = {};
        bool tooLong = false;
        void Set(std::string_view text);
        bool Empty() const { return value[0] == '\0' && !tooLong; }
    };

    Text typedSurname;
    SurnameMatch how = SurnameMatch::kSpelling;
    Text typedFirst;
    Text typedBirth;
    Text typedDeath;
    int typedState = 0;
    Text typedSsn;
    Text typedResidenceZip;
    Text typedPaymentZip;

    bool checked = false;
    SurnameKind surnameKind = SurnameKind::kNone;
    char surname[kMaxQueryText + 1] = {};
    FirstNameKind firstKind = FirstNameKind::kNone;
    char first[kMaxQueryText + 1] = {};
    YearRange birth;
    YearRange death;
    int state = 0;
    SsnCriterion ssn;
    ZipCriterion residenceZip;
    ZipCriterion paymentZip;
};
