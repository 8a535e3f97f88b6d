#include <gtest/gtest.h>

#include <string>

#include "scripted_host.h"
#include "search_criteria.h"

TEST(Criteria, FirstNameIsUpperCasedAndPadded) {
    struct Case {
        const char* typed;
        const char* stored;
    };
    const Case cases[] = {
        {"ann", "ANN       "},
        {"MaryEllen1", "MARYELLEN1"},  // exactly 10: accepted, no padding
        {"", "          "},
        {"o'neil-x", "O'NEIL-X  "},
        {"\xe9mile", "\xe9MILE     "},  // only a..z change
    };
    ScriptedHost host;
    for (const Case& c : cases) {
        CSearchCriteria criteria;
        criteria.SetSurname("smith");
        criteria.SetFirstName(c.typed);
        EXPECT_STREQ(criteria.firstName, c.stored) << c.typed;
        EXPECT_EQ(criteria.firstNameSet, 1);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(Criteria, OverLongNamesAreRefusedWithTheQueryErrorBox) {
    ScriptedHost host;
    CSearchCriteria criteria;
    criteria.SetSurname("abcdefghijkl");  // 12: accepted
    EXPECT_STREQ(criteria.surname, "abcdefghijkl");
    criteria.SetState(5);

    criteria.SetSurname("abcdefghijklm");  // 13: refused, nothing changes
    EXPECT_STREQ(criteria.surname, "abcdefghijkl");
    EXPECT_EQ(criteria.stateSet, 1);

    criteria.SetFirstName("abcdefghijk");  // 11: refused
    EXPECT_EQ(criteria.firstNameSet, 0);

    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text,
              "query error: Last name is too long.  Maximum length is 12..\n");
    EXPECT_EQ(host.messages[1].text,
              "query error: First name is too long.  Maximum length is 10..\n");
    for (const ShownMessage& m : host.messages) {
        EXPECT_EQ(m.caption, kAppTitle);
        EXPECT_EQ(m.style, MB_OK | MB_ICONEXCLAMATION);
    }
}

TEST(Criteria, SurnameStartsANewQuery) {
    ScriptedHost host;
    CSearchCriteria criteria;
    criteria.SetSurname("Smith");
    criteria.SetFirstName("ann");
    criteria.SetBirthYear(1920);
    criteria.SetDeathYear(1990);
    criteria.SetState(300);
    EXPECT_EQ(criteria.state, 44);  // low 8 bits
    EXPECT_EQ(
        criteria.stateSet + criteria.birthYearSet + criteria.deathYearSet + criteria.firstNameSet,
        4);

    criteria.SetSurname("Jones");
    EXPECT_STREQ(criteria.surname, "Jones");  // case kept as typed
    EXPECT_EQ(
        criteria.stateSet + criteria.birthYearSet + criteria.deathYearSet + criteria.firstNameSet,
        0);

    criteria.SetSurname(nullptr);  // ignored
    EXPECT_STREQ(criteria.surname, "Jones");
}
