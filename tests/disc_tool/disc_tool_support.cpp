#include "disc_tool_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "death_index.h"
#include "result_set.h"
#include "scripted_host.h"
#include "search_criteria.h"
#include "test_discs.h"

namespace fs = std::filesystem;

std::map<std::string, std::vector<unsigned char>> Snapshot(const std::string& dir) {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
        const std::string relative = fs::relative(entry.path(), dir).string();
        files[relative + (entry.is_directory() ? "/" : "")] =
            entry.is_directory() ? std::vector<unsigned char>{} : ReadFileBytes(entry.path());
    }
    return files;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> SearchSet(const std::string& dir, const char* surname,
                                   const std::function<void(CSearchCriteria&)>& more) {
    ScriptedHost host;
    host.disc1Dir = dir + "/disc1/";
    host.disc2Dir = dir + "/disc2/";
    host.programDir = dir + "/program/";
    CDeathIndex index;
    CResultSet results(&index);
    index.SetResultSet(&results);
    CSearchCriteria criteria;
    criteria.SetSurname(surname);
    if (more)
        more(criteria);
    index.Search(&criteria);

    std::vector<std::string> hits;
    char line[kListLineSize];
    for (;;) {
        for (int row = 0; row < results.GetPageCount(); ++row) {
            results.FormatListLine(row, line);
            hits.push_back(std::string(line) + "\t" + results.FormatDetailLine(row));
        }
        if (!results.HasNextPage())
            break;
        results.NextPage();
    }
    EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
    return hits;
}
