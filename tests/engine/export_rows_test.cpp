// Reading a whole result as rows for the writers, beside the page on display.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "death_index.h"
#include "record_encoding.h"
#include "result_set.h"
#include "result_writers.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"

using builder::DateWord;
using builder::Person;

namespace {

constexpr int kOhio = 36;
constexpr int kPeople = 237;

// One surname with every kind of value the texts distinguish, and neighbours around it.
std::vector<Person> People() {
    const char* const names[] = {"ANN", "JOHN", "MARY", "ZOE", ""};
    std::vector<Person> people;
    for (int i = 1; i <= kPeople; ++i) {
        Person p = MakePerson("rowe", names[i % 5]);
        p.ssn = static_cast<std::uint32_t>(i % 11 == 0 ? 0 : 100000000 + i * 3779);
        p.location = static_cast<std::uint8_t>(i % 2 == 0 ? kOhio : (i * 7) % 128);
        p.bornIn1800s = i % 3 == 0;
        p.birthWord = DateWord(i % 4 == 0 ? 0 : i % 28 + 1, i % 6 == 0 ? 0 : i % 12 + 1,
                               i % 5 == 0 ? -1 : i % 100);
        p.deathWord = i % 9 == 0 ? kNoDateWord : DateWord(i % 31, i % 13, 30 + i % 69);
        p.residenceZipWord = static_cast<std::uint16_t>(i % 3 == 0 ? 65535 - i : i * 17);
        p.paymentZipWord = static_cast<std::uint16_t>(i % 4 == 0 ? 55534 : i * 5);
        people.push_back(p);
    }
    people.push_back(MakePerson("rowan", "X"));
    people.push_back(MakePerson("rowlands", "Y"));
    return people;
}

std::string WriteLines(CResultSet& results, long total) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    CResultWriter writer(OutputFormat::Lines, out);
    writer.Begin(total);
    ResultRow rows[13];
    for (long first = 0;;) {
        const int got = results.ReadRows(first, 13, rows);
        for (int i = 0; i < got; ++i)
            writer.Write(rows[i]);
        first += got;
        if (got < 13)
            break;
    }
    writer.End();
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

class ExportRowsTest : public ::testing::TestWithParam<bool> {
  protected:
    ExportRowsTest() : set(People(), 100) {
        set.Use(host);
        results.SetPageSize(false);
        index.SetResultSet(&results);
    }
    // Direct paging through the run, or the hit file of a state filter.
    void Search() {
        CSearchCriteria criteria;
        criteria.SetSurname("rowe");
        if (GetParam())
            criteria.SetState(kOhio);
        index.Search(&criteria);
        ASSERT_EQ(results.IsDirectMode(), !GetParam());
    }
    std::vector<int> Page() const {
        std::vector<int> ssns;
        for (int i = 0; i < results.GetPageCount(); ++i)
            ssns.push_back(results.PageRecord(i)->ssn);
        return ssns;
    }
    // The window's texts of every hit, page by page, from the first page on.
    std::string PagedTexts() {
        std::string text = std::to_string(results.GetTotal()) + " records found.\n";
        char line[kListLineSize];
        for (;;) {
            for (int r = 0; r < results.GetPageCount(); ++r) {
                results.FormatListLine(r, line);
                text += std::string(line) + "\t" + results.FormatDetailLine(r) + "\n";
            }
            if (!results.HasNextPage())
                break;
            results.NextPage();
        }
        return text;
    }

    ScriptedHost host;
    TestDiscSet set;
    CDeathIndex index;
    CResultSet results{&index};
};

}  // namespace

TEST_P(ExportRowsTest, RowsWrittenAsLinesAreTheWindowsTextsOfEveryHit) {
    Search();
    const long total = results.GetTotal();
    ASSERT_EQ(total, GetParam() ? kPeople / 2 : kPeople);
    const std::string written = WriteLines(results, total);
    EXPECT_EQ(written, PagedTexts());
    EXPECT_TRUE(host.messages.empty());
}

TEST_P(ExportRowsTest, ReadingRowsLeavesThePageAndThePagingAlone) {
    // What paging shows without any rows read in between.
    Search();
    std::vector<std::vector<int>> expected;
    results.NextPage();
    expected.push_back(Page());
    results.NextPage();
    expected.push_back(Page());
    results.PrevPage();
    expected.push_back(Page());

    Search();
    results.NextPage();
    ASSERT_EQ(Page(), expected[0]);
    WriteLines(results, results.GetTotal());
    ResultRow row;
    ASSERT_EQ(results.ReadRows(3, 1, &row), 1);
    EXPECT_EQ(Page(), expected[0]) << "the page on display";
    char line[kListLineSize];
    results.FormatListLine(0, line);
    EXPECT_NE(std::string(line), "");
    results.NextPage();
    EXPECT_EQ(Page(), expected[1]);
    ASSERT_EQ(results.ReadRows(0, 1, &row), 1);
    results.PrevPage();
    EXPECT_EQ(Page(), expected[2]);
}

TEST_P(ExportRowsTest, RowsMatchThePagesRowForRowAtAnyStart) {
    Search();
    std::vector<ResultRow> paged;
    for (;;) {
        for (int r = 0; r < results.GetPageCount(); ++r) {
            ResultRow row;
            ASSERT_TRUE(results.PageRow(r, row));
            paged.push_back(row);
        }
        if (!results.HasNextPage())
            break;
        results.NextPage();
    }
    ResultRow none;
    EXPECT_FALSE(results.PageRow(results.GetPageCount(), none));
    EXPECT_FALSE(results.PageRow(-1, none));

    const long total = results.GetTotal();
    ASSERT_EQ(static_cast<long>(paged.size()), total);
    const struct {
        long first;
        int n;
        int expected;
    } reads[] = {{0, 1, 1},         {total - 1, 5, 1}, {total - 3, 250, 3}, {total, 1, 0},
                 {total + 9, 1, 0}, {-1, 4, 0},        {5, 0, 0},           {17, 101, 101}};
    for (const auto& read : reads) {
        SCOPED_TRACE(read.first);
        std::vector<ResultRow> rows(read.n + 1);
        const int got = results.ReadRows(read.first, read.n, rows.data());
        EXPECT_EQ(got, read.expected);
        for (int i = 0; i < got; ++i) {
            const ResultRow& a = rows[i];
            const ResultRow& b = paged[read.first + i];
            EXPECT_EQ(a.ssn, b.ssn);
            EXPECT_STREQ(a.surname, b.surname);
            EXPECT_STREQ(a.givenName, b.givenName);
            EXPECT_EQ(a.birthDate, b.birthDate);
            EXPECT_EQ(a.deathDate, b.deathDate);
            EXPECT_EQ(a.residenceZip, b.residenceZip);
            EXPECT_EQ(a.residenceZipPartial, b.residenceZipPartial);
            EXPECT_EQ(a.paymentZipPartial, b.paymentZipPartial);
            EXPECT_STREQ(a.ssnIssuedIn, b.ssnIssuedIn);
        }
    }
    results.Reset();
    ResultRow row;
    EXPECT_EQ(results.ReadRows(0, 1, &row), 0);
}

INSTANTIATE_TEST_SUITE_P(DirectAndHitFile, ExportRowsTest, ::testing::Bool());
