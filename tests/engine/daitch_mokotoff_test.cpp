#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "daitch_mokotoff.h"

namespace {

std::vector<std::string> CodesOf(std::string_view name) {
    DmCodes codes;
    std::vector<std::string> texts;
    if (!DaitchMokotoffCodes(name, codes))
        return texts;
    for (int i = 0; i < codes.Count(); ++i) {
        char text[kDmDigits + 1];
        codes.Format(i, text);
        texts.emplace_back(text);
    }
    return texts;
}

}  // namespace

// Published examples, with every code of each name in ascending order. They cover the
// alternate codings (CH, CK, C, J, RS and RZ), the start of a name, groups before a vowel and
// elsewhere, longest groups (SCHT, TZ, DT), adjacent equal codes coded once (TOPF) except in
// MN and NM (KLEINMAN), vowels keeping equal codes apart (MANNHEIM), padding with zeros, and
// several words coded as one (BEN ARON).
TEST(DaitchMokotoff, PublishedExamples) {
    struct Case {
        const char* name;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {"PETERS", {"734000", "739400"}},
        {"PETERSON", {"734600", "739460"}},
        {"MOSKOWITZ", {"645740"}},
        {"MOSKOVITZ", {"645740"}},
        {"AUERBACH", {"097400", "097500"}},
        {"UHRBACH", {"097400", "097500"}},
        {"JACKSON", {"145460", "154600", "445460", "454600"}},
        {"SCHWARZENEGGER", {"474659", "479465"}},
        {"SHWARZENEGGER", {"474659", "479465"}},
        {"SCHWARTSENEGGER", {"479465"}},
        {"ANJA", {"060000", "064000"}},
        {"SCHWARZ", {"474000", "479400"}},
        {"SCHTOLTEHEIM", {"283560"}},
        {"GOLDEN", {"583600"}},
        {"ALPERT", {"087930"}},
        {"BREUER", {"791900"}},
        {"FREUD", {"793000"}},
        {"HALBERSTADT", {"587433", "587943"}},
        {"MANNHEIM", {"665600"}},
        {"KLEINMAN", {"586660"}},
        {"TOPF", {"370000"}},
        {"MINTZ", {"664000"}},
        {"BEN ARON", {"769600"}},
        {"CHERNOWITZ", {"496740", "596740"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodesOf(c.name), c.codes) << c.name;
}

// Names as the index stores them and as people type them.
TEST(DaitchMokotoff, KeysAsStored) {
    struct Case {
        std::string_view name;
        std::vector<std::string> codes;
    };
    const Case cases[] = {
        {"KLEINMAN    ", {"586660"}},
        {"kleinman", {"586660"}},
        {"BENARON", {"769600"}},
        {"O'BRIEN     ", {"079600"}},
        {"A", {"000000"}},
        {"E           ", {"000000"}},
        {"HE", {"500000"}},
        {"M\xDCLLER", {"689000"}},
        {std::string_view("TOPF\0ZZZZ", 9), {"370000"}},
        {std::string_view("SCHWARZENEGGERX", 15), {"474659", "479465"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodesOf(c.name), c.codes) << c.name;

    DmCodes codes;
    for (const std::string_view none :
         {std::string_view(""), std::string_view("  '-"), std::string_view("\xC9\xDC")}) {
        EXPECT_FALSE(DaitchMokotoffCodes(none, codes)) << none;
        EXPECT_EQ(codes.Count(), 0) << none;
    }
}

TEST(DaitchMokotoff, NamesMatchWhenAnyCodeAgrees) {
    struct Case {
        const char* a;
        const char* b;
        bool match;
    };
    const Case cases[] = {
        {"SCHWARZENEGGER", "SCHWARTSENEGGER", true},  // through 479465 only
        {"MOSKOWITZ", "MOSKOVITZ", true},
        {"JACKSON", "JAKSON", true},  // 154600 and 454600 of Jackson's four
        {"AUERBACH", "UHRBACH", true},
        {"PETERS", "PETERSON", false},
        {"GOLDEN", "KLEINMAN", false},
        {"SMITH", "SCHMIDT", true},
        {"TOPF", "", false},  // a name without a code matches nothing
    };
    for (const Case& c : cases) {
        DmCodes a;
        DmCodes b;
        DaitchMokotoffCodes(c.a, a);
        DaitchMokotoffCodes(c.b, b);
        EXPECT_EQ(CodesShareOne(a, b), c.match) << c.a << " / " << c.b;
        EXPECT_EQ(CodesShareOne(b, a), c.match) << c.b << " / " << c.a;
    }
}

// The worst strings found for 12 and 16 letters: hundreds of codes, all kept, in order.
TEST(DaitchMokotoff, ManyReadingsFitTheCapacity) {
    for (const char* name : {"JCJCJCJCRSJC", "JCJCJCJCRSCJCDCC", "JCJCJCJCRZCJCNCC"}) {
        DmCodes codes;
        ASSERT_TRUE(DaitchMokotoffCodes(name, codes)) << name;
        EXPECT_GT(codes.Count(), 100) << name;
        EXPECT_LE(codes.Count(), kMaxDmCodes / 2) << name;
        for (int i = 1; i < codes.Count(); ++i)
            ASSERT_LT(codes[i - 1], codes[i]) << name;
        for (int i = 0; i < codes.Count(); ++i)
            ASSERT_TRUE(codes.Contains(codes[i])) << name;
    }
}
