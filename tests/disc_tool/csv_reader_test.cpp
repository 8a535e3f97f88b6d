#include "csv_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using disctool::CsvReader;

namespace {

struct Record {
    long line;
    std::vector<std::string> fields;
    std::string problem;
    bool overflowed = false;
};

std::vector<Record> ReadAll(const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    CsvReader reader(f);
    std::vector<Record> records;
    std::vector<std::string> fields;
    while (reader.Next(fields))
        records.push_back({reader.Line(), fields, reader.Problem(), reader.Overflowed()});
    std::fclose(f);
    return records;
}

}  // namespace

TEST(CsvReader, ReadsRfc4180AndTheUsualExports) {
    using F = std::vector<std::string>;
    struct Case {
        const char* name;
        std::string text;
        std::vector<Record> expected;
    };
    const Case cases[] = {
        {"plain, no final line end", "a,b\nc,d", {{1, F{"a", "b"}, ""}, {2, F{"c", "d"}, ""}}},
        {"CR LF and a lone CR",
         "a\r\nb\rc\r\n",
         {{1, F{"a"}, ""}, {2, F{"b"}, ""}, {3, F{"c"}, ""}}},
        {"byte order mark", "\xEF\xBB\xBFsurname,x\n", {{1, F{"surname", "x"}, ""}}},
        {"blank lines are skipped but counted", "a\n\n\nb\n", {{1, F{"a"}, ""}, {4, F{"b"}, ""}}},
        {"empty fields", ",a,,\n", {{1, F{"", "a", "", ""}, ""}}},
        {"quoted comma and doubled quote",
         "\"O'Brien, Jr\",\"say \"\"hi\"\"\"\n",
         {{1, F{"O'Brien, Jr", "say \"hi\""}, ""}}},
        {"a line break inside quotes moves the next record's line",
         "\"two\nlines\",x\nnext\n",
         {{1, F{"two\nlines", "x"}, ""}, {3, F{"next"}, ""}}},
        {"a quote inside an unquoted field is literal",
         "O\"Dell,x\n",
         {{1, F{"O\"Dell", "x"}, ""}}},
        {"text after a closing quote",
         "\"ab\"cd,e\n",
         {{1, F{"abcd", "e"}, "characters follow a closing quote"}}},
        {"an unclosed quote ends the input",
         "a\n\"open,b\nc\n",
         {{1, F{"a"}, ""},
          {2, F{"open,b\nc\n"}, "the quoted field opened on line 2 is never closed"}}},
    };
    for (const Case& c : cases) {
        const std::vector<Record> got = ReadAll(c.text);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].line, c.expected[i].line) << c.name << " #" << i;
            EXPECT_EQ(got[i].fields, c.expected[i].fields) << c.name << " #" << i;
            EXPECT_EQ(got[i].problem, c.expected[i].problem) << c.name << " #" << i;
        }
    }
}

TEST(CsvReader, CutsARunawayFieldInsteadOfHoldingTheRestOfTheFile) {
    const std::string text = "\"" + std::string(CsvReader::kMaxFieldBytes * 3, 'x') + "\"\nnext\n";
    const std::vector<Record> got = ReadAll(text);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].fields[0].size(), CsvReader::kMaxFieldBytes);
    EXPECT_NE(got[0].problem.find("longer than"), std::string::npos);
    EXPECT_EQ(got[1].fields, std::vector<std::string>{"next"});
}

TEST(CsvReader, KeepsAMalformedRowWithinItsLimitsAndGoesOnAfterIt) {
    const std::size_t maxFields = CsvReader::kMaxFields;
    const std::string longField(CsvReader::kMaxFieldBytes, 'x');
    std::string manyLongFields;
    for (int i = 0; i < 20; ++i)
        manyLongFields += (i == 0 ? "" : ",") + longField;
    struct Case {
        const char* name;
        std::string row;
        std::size_t fields;  // kept
        bool overflowed;
        const char* problem;
    };
    const Case cases[] = {
        {"exactly as many fields as a row may have", std::string(maxFields - 1, ','), maxFields,
         false, ""},
        {"one field more", std::string(maxFields, ','), maxFields, true,
         "1,025 fields, more than the 1,024 a row may have"},
        {"millions of commas", std::string(5000000, ','), maxFields, true,
         "5,000,001 fields, more than the 1,024 a row may have"},
        {"more bytes than a row may hold", manyLongFields, 20, true, "longer than 1,048,576 bytes"},
    };
    for (const Case& c : cases) {
        const std::vector<Record> got = ReadAll("a,b\n" + c.row + "\nnext\n");
        ASSERT_EQ(got.size(), 3u) << c.name;
        EXPECT_EQ(got[1].fields.size(), c.fields) << c.name;
        EXPECT_EQ(got[1].problem, c.problem) << c.name;
        EXPECT_EQ(got[1].overflowed, c.overflowed) << c.name;
        EXPECT_EQ(got[2].line, 3) << c.name;
        EXPECT_EQ(got[2].fields, std::vector<std::string>{"next"}) << c.name;
    }
}
