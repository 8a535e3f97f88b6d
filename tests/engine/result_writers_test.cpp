#include "result_writers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

ResultRow Row(const char* surname, const char* given) {
    ResultRow row{};
    std::snprintf(row.surname, sizeof row.surname, "%s", surname);
    std::snprintf(row.givenName, sizeof row.givenName, "%s", given);
    row.ssnIssuedIn = "";
    return row;
}

std::string Write(OutputFormat format, const std::vector<ResultRow>& rows) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    CResultWriter writer(format, out);
    writer.Begin(static_cast<long>(rows.size()));
    for (const ResultRow& row : rows)
        writer.Write(row);
    EXPECT_TRUE(writer.End());
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

}  // namespace

TEST(ResultWritersTest, CsvQuotesOnlyWhatItMustAndEndsLinesWithCrLf) {
    const struct {
        const char* surname;
        const char* csv;
    } cases[] = {
        {"SMITH       ", "SMITH"}, {"O\"DELL", "\"O\"\"DELL\""}, {"VAN,DYKE", "\"VAN,DYKE\""},
        {"A\rB", "\"A\rB\""},      {"A\nB", "\"A\nB\""},         {"\"", "\"\"\"\""},
        {"O'NEIL", "O'NEIL"},
    };
    for (const auto& c : cases) {
        ResultRow row = Row(c.surname, "ANN       ");
        row.ssn = 123456789;
        row.ssnIssuedIn = "Railroad Retirement Board";
        // Written as the row holds it; MakeResultRow is what keeps line breaks out of names.
        EXPECT_EQ(Write(OutputFormat::Csv, {row}),
                  "surname,first_name,birth,death,location,ssn,zip_residence,zip_payment,"
                  "ssn_issued_in\r\n" +
                      std::string(c.csv) +
                      ",ANN,---,---,---,123-45-6789,---,---,Railroad Retirement Board\r\n")
            << c.surname;
    }
}

TEST(ResultWritersTest, TableAndJsonCarryWhereTheSsnWasIssued) {
    ResultRow ohio = Row("SMITH       ", "MARY      ");
    ohio.birthDate = 5021872;
    ohio.deathDate = 1950;
    ohio.ssn = 268123456;
    ohio.ssnIssuedIn = "Ohio";
    ohio.locationCode = 36;
    ohio.residenceZip = 501;
    ohio.residenceZipPartial = true;
    ResultRow unknown = Row("SMITH       ", "\xC9MILE     ");
    unknown.ssn = 666000001;  // an area never allotted

    EXPECT_EQ(Write(OutputFormat::Table, {ohio, unknown}),
              "2 records found.\n"
              "Surname       Given Name  Born         Died         Last Known Residence     "
              "SSN          ZIP    Payment ZIP  SSN Issued In\n"
              "SMITH         MARY        2 May 1872   --- 1950     Ohio                     "
              "268-12-3456  XX501  ---          Ohio\n"
              "SMITH         \xC9MILE       ---          ---          ---                      "
              "666-00-0001  ---    ---\n");
    EXPECT_EQ(Write(OutputFormat::Table, {}), "0 records found.\n");

    EXPECT_EQ(Write(OutputFormat::Json, {ohio, unknown}),
              "{\"surname\":\"SMITH\",\"first_name\":\"MARY\",\"birth\":\"2 May 1872\","
              "\"death\":\"--- 1950\",\"location\":\"Ohio\",\"ssn\":\"268-12-3456\","
              "\"zip_residence\":\"XX501\",\"zip_payment\":\"---\",\"ssn_issued_in\":\"Ohio\"}\n"
              "{\"surname\":\"SMITH\",\"first_name\":\"\\u00c9MILE\",\"birth\":\"---\","
              "\"death\":\"---\",\"location\":\"---\",\"ssn\":\"666-00-0001\","
              "\"zip_residence\":\"---\",\"zip_payment\":\"---\",\"ssn_issued_in\":\"\"}\n");
}

TEST(ResultWritersTest, AFailedWriteIsReported) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr)
        GTEST_SKIP() << "no /dev/full";
    for (OutputFormat format : {OutputFormat::Lines, OutputFormat::Csv, OutputFormat::Gedcom}) {
        CResultWriter writer(format, full);
        writer.Begin(1);
        writer.Write(Row("SMITH", "ANN"));
        EXPECT_FALSE(writer.End());
        EXPECT_TRUE(writer.Failed());
        std::clearerr(full);
    }
    std::fclose(full);
}
