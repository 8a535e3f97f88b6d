// The 1990 US census name lists behind the demo sets (data/census1990/names.txt, compiled
// in): surnames, male and female given names, each in rank order, commonest first.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace disctool::demo {

struct CensusNames {
    std::vector<std::string_view> surnames;
    std::vector<std::string_view> male;
    std::vector<std::string_view> female;
};

// Read from the compiled-in data once; the views stay valid for the whole run.
const CensusNames& Census();

// The data as compiled in, for the checksum test.
std::string_view CensusNameData();

}  // namespace disctool::demo
