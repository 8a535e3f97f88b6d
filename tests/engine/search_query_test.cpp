#include "search_query.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "search_criteria.h"

namespace {

struct Typed {
    const char* surname = "";
    SurnameMatch how = SurnameMatch::kSpelling;
    const char* first = "";
    const char* birth = "";
    const char* death = "";
    int state = 0;
    const char* ssn = "";
    const char* residenceZip = "";
    const char* paymentZip = "";
};

SearchQuery Make(const Typed& t) {
    SearchQuery q;
    q.SetSurname(t.surname, t.how);
    q.SetFirstName(t.first);
    q.SetBirth(t.birth);
    q.SetDeath(t.death);
    q.SetState(t.state);
    q.SetSsn(t.ssn);
    q.SetResidenceZip(t.residenceZip);
    q.SetPaymentZip(t.paymentZip);
    return q;
}

}  // namespace

TEST(SearchQuery, RefusesWhatCannotRunNamingTheField) {
    struct Case {
        Typed typed;
        QueryField field;
        const char* says;
    };
    const std::string longPattern = std::string(64, 'A') + "*";
    const Case cases[] = {
        {{}, QueryField::kWhole, "Please enter a surname, or at least one other criterion"},
        {{.state = 0}, QueryField::kWhole, "at least one other criterion"},
        {{.surname = "abcdefghijklm"}, QueryField::kSurname, "Maximum length is 12"},
        {{.surname = longPattern.c_str()}, QueryField::kSurname, "Maximum length is 64"},
        {{.surname = "sm*", .how = SurnameMatch::kSoundex},
         QueryField::kSoundsLike,
         "without * or ?"},
        {{.surname = "sm?th", .how = SurnameMatch::kDaitchMokotoff}, QueryField::kSoundsLike, "?"},
        {{.how = SurnameMatch::kSoundex, .state = 3}, QueryField::kSoundsLike, "needs a surname"},
        {{.first = "abcdefghijk"}, QueryField::kFirstName, "Maximum length is 10"},
        {{.birth = "1869"}, QueryField::kBirth, "Birth year must be between 1870 and 1998"},
        {{.birth = "1870-1999"}, QueryField::kBirth, "between 1870 and 1998"},
        {{.birth = "1910-1905"}, QueryField::kBirth, "1910-1905 run backwards"},
        {{.birth = "19o5"}, QueryField::kBirth, "two years as in 1905-1910"},
        {{.birth = "1905-"}, QueryField::kBirth, "a year"},
        {{.birth = "-1905"}, QueryField::kBirth, "a year"},
        {{.birth = "1905-1910-1915"}, QueryField::kBirth, "a year"},
        {{.death = "1899"}, QueryField::kDeath, "Death year must be between 1900 and 1998"},
        {{.death = "1950 1960"}, QueryField::kDeath, "a year"},
        {{.birth = "1950", .death = "1940"}, QueryField::kWhole, "earlier than\nthe death year."},
        {{.birth = "1945-1950", .death = "1900-1944"}, QueryField::kWhole, "earlier"},
        {{.state = 66}, QueryField::kState, "0 to 65"},
        {{.state = -1}, QueryField::kState, "0 to 65"},
        {{.ssn = "1234"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "123-4"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "12-345"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "123--45"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "123-"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "123-45-678"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "1234567890"}, QueryField::kSsn, "nine digits"},
        {{.ssn = "12a"}, QueryField::kSsn, "nine digits"},
        {{.residenceZip = "0050"}, QueryField::kResidenceZip, "Residence ZIP must be five digits"},
        {{.residenceZip = "1234x"}, QueryField::kResidenceZip, "five digits"},
        {{.paymentZip = "123456"}, QueryField::kPaymentZip, "Payment ZIP must be five digits"},
        {{.paymentZip = "XX123"}, QueryField::kPaymentZip, "five digits"},
    };
    for (const Case& c : cases) {
        SearchQuery q = Make(c.typed);
        QueryProblem problem;
        EXPECT_FALSE(q.Check(problem)) << c.says;
        EXPECT_EQ(problem.field, c.field) << c.says;
        EXPECT_NE(std::string(problem.text).find(c.says), std::string::npos) << problem.text;
        EXPECT_FALSE(q.IsChecked());
    }
}

TEST(SearchQuery, ReadsWhatItAccepts) {
    struct Case {
        Typed typed;
        std::function<void(const SearchQuery&)> holds;
    };
    const Case cases[] = {
        {{.surname = "smith"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Surname(), SurnameKind::kExact);
             EXPECT_STREQ(q.SurnameText(), "smith");
             EXPECT_FALSE(q.HasRecordCriteria());
         }},
        {{.surname = "sm*th"},
         [](const SearchQuery& q) { EXPECT_EQ(q.Surname(), SurnameKind::kPattern); }},
        {{.surname = "o'brien", .how = SurnameMatch::kSoundex},
         [](const SearchQuery& q) { EXPECT_EQ(q.Surname(), SurnameKind::kSoundex); }},
        {{.surname = "kowalski", .how = SurnameMatch::kDaitchMokotoff},
         [](const SearchQuery& q) { EXPECT_EQ(q.Surname(), SurnameKind::kDaitchMokotoff); }},
        // A pattern may be longer than a key: * can stand for nothing.
        {{.surname = "ABCDEFGHIJKL*"},
         [](const SearchQuery& q) { EXPECT_EQ(q.Surname(), SurnameKind::kPattern); }},
        {{.first = "abcdefghij*"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Surname(), SurnameKind::kNone);
             EXPECT_EQ(q.FirstName(), FirstNameKind::kPattern);
         }},
        {{.first = "ann"},
         [](const SearchQuery& q) { EXPECT_EQ(q.FirstName(), FirstNameKind::kExact); }},
        {{.birth = "1905"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Birth().from, 1905);
             EXPECT_EQ(q.Birth().to, 1905);
         }},
        {{.birth = " 1905 - 1910 ", .death = "+1998"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Birth().from, 1905);
             EXPECT_EQ(q.Birth().to, 1910);
             EXPECT_EQ(q.Death().from, 1998);
         }},
        {{.birth = "1930-1950", .death = "1940"},
         [](const SearchQuery& q) { EXPECT_TRUE(q.Death().Given()); }},
        {{.state = 65}, [](const SearchQuery& q) { EXPECT_EQ(q.State(), 65); }},
        {{.ssn = "123-45-6789"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Ssn().low, 123456789);
             EXPECT_EQ(q.Ssn().high, 123456789);
         }},
        {{.ssn = "12345"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Ssn().low, 123450000);
             EXPECT_EQ(q.Ssn().high, 123459999);
         }},
        {{.ssn = " 001 "},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.Ssn().low, 1000000);
             EXPECT_EQ(q.Ssn().high, 1999999);
         }},
        {{.residenceZip = "00501", .paymentZip = "005"},
         [](const SearchQuery& q) {
             EXPECT_EQ(q.ResidenceZip().digits, 5);
             EXPECT_EQ(q.ResidenceZip().value, 501);
             EXPECT_EQ(q.PaymentZip().digits, 3);
             EXPECT_EQ(q.PaymentZip().value, 5);
         }},
    };
    for (const Case& c : cases) {
        SearchQuery q = Make(c.typed);
        QueryProblem problem;
        ASSERT_TRUE(q.Check(problem)) << problem.text;
        EXPECT_TRUE(q.IsChecked());
        c.holds(q);
        q.SetState(1);
        EXPECT_FALSE(q.IsChecked()) << "a value set again needs a check again";
    }
}

// What the form could have asked goes through the form's path: by its typed texts before any
// check (so the form's own messages refuse its values), and once checked, a range of one year.
TEST(SearchQuery, TellsWhatTheFormCouldHaveAsked) {
    struct Case {
        Typed typed;
        bool formShaped;
        bool described;
    };
    const Case cases[] = {
        {{.surname = "smith"}, true, true},
        {{.surname = "smith", .first = "ann", .birth = "1905", .death = "1950", .state = 36},
         true,
         true},
        {{.surname = "smith", .birth = "1905-1905"}, false, true},
        {{.surname = "smith", .birth = "1905-1906"}, false, false},
        {{.surname = "sm*"}, false, false},
        {{.surname = "smith", .how = SurnameMatch::kSoundex}, false, false},
        {{.surname = "smith", .first = "an?"}, false, false},
        {{.surname = "smith", .ssn = "123"}, false, false},
        {{.surname = "smith", .residenceZip = "123"}, false, false},
        {{.surname = "smith", .paymentZip = "12345"}, false, false},
        {{.first = "ann"}, false, false},
    };
    for (const Case& c : cases) {
        SearchQuery q = Make(c.typed);
        EXPECT_EQ(q.IsFormShaped(), c.formShaped) << c.typed.surname << c.typed.birth;
        QueryProblem problem;
        ASSERT_TRUE(q.Check(problem)) << problem.text;
        EXPECT_EQ(q.IsDescribedForm(), c.described) << c.typed.surname << c.typed.birth;
    }
    // The form's criteria, in the form's order, for a range of one year.
    SearchQuery q = Make({.surname = "smith", .first = "ann", .birth = "1905-1905", .state = 36});
    QueryProblem problem;
    ASSERT_TRUE(q.Check(problem));
    CSearchCriteria criteria;
    criteria.SetDeathYear(1990);  // cleared by the surname
    q.FillCriteria(criteria);
    EXPECT_STREQ(criteria.surname, "smith");
    EXPECT_STREQ(criteria.firstName, "ANN       ");
    EXPECT_EQ(criteria.birthYearSet, 1);
    EXPECT_EQ(criteria.birthYear, 1905);
    EXPECT_EQ(criteria.deathYearSet, 0);
    EXPECT_EQ(criteria.stateSet, 1);
    EXPECT_EQ(criteria.state, 36);
}

// A partial ZIP knows only the digits after those shown as X.
TEST(ZipCriterion, MatchesWholeAndPartialZips) {
    struct Case {
        int digits;
        int typed;
        int zip;
        int partial;
        bool matches;
    };
    const Case cases[] = {
        {5, 12345, 12345, 0, true}, {5, 12345, 12346, 0, false}, {5, 501, 501, 0, true},
        {3, 123, 12345, 0, true},   {3, 123, 12245, 0, false},   {3, 5, 501, 0, true},
        {3, 0, 99, 0, true},        {3, 0, 0, 0, false},         {5, 0, 0, 0, false},
        {5, 12345, 345, 1, true},   {5, 12345, 2345, 1, true},   {5, 12345, 1345, 1, false},
        {5, 12345, 5, 1, true},     {5, 12345, 10000, 1, false}, {5, 12345, 10001, 1, false},
        {5, 12000, 10001, 1, true}, {5, 12345, 0, 1, false},     {3, 123, 345, 1, true},
        {3, 124, 345, 1, false},    {3, 123, 45, 1, false},      {3, 123, 10001, 1, false},
        {3, 120, 10001, 1, true},   {3, 120, 10000, 1, false},   {3, 102, 245, 1, true},
    };
    for (const Case& c : cases) {
        const ZipCriterion zip{c.digits, c.typed};
        EXPECT_EQ(zip.Matches(c.zip, c.partial), c.matches)
            << c.digits << " digits " << c.typed << " against " << c.zip
            << (c.partial ? " partial" : "");
    }
}
