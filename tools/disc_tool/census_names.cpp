#include "census_names.h"

#include <cstddef>

// Defined by the source that the build makes from the data file.
extern const unsigned char vel7m_census_names[];
extern const std::size_t vel7m_census_names_size;

namespace disctool::demo {

std::string_view CensusNameData() {
    return {reinterpret_cast<const char*>(vel7m_census_names), vel7m_census_names_size};
}

namespace {

// Lines starting with '#' are comments; "@LIST COUNT" starts a list, each further line is a
// name of it.
CensusNames Parse(std::string_view data) {
    CensusNames names;
    std::vector<std::string_view>* list = nullptr;
    while (!data.empty()) {
        const std::size_t end = data.find('\n');
        const std::string_view line = data.substr(0, end);
        data.remove_prefix(end == std::string_view::npos ? data.size() : end + 1);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '@') {
            const std::string_view which = line.substr(1, line.find(' ') - 1);
            list = which == "surnames" ? &names.surnames
                   : which == "male"   ? &names.male
                   : which == "female" ? &names.female
                                       : nullptr;
            continue;
        }
        if (list != nullptr)
            list->push_back(line);
    }
    return names;
}

}  // namespace

const CensusNames& Census() {
    static const CensusNames names = Parse(CensusNameData());
    return names;
}

}  // namespace disctool::demo
