// Shared by the disc tool's tests: whole folders as bytes, and the engine's answer to a query.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class CSearchCriteria;

// Every file below `dir`, by relative path.
std::map<std::string, std::vector<unsigned char>> Snapshot(const std::string& dir);

// Writes `text` to `path`.
void WriteText(const std::string& path, const std::string& text);

// Runs a query against the disc set in `dir` through the engine, as the window does, and gives
// each hit's list line and detail line joined by a tab.
std::vector<std::string> SearchSet(const std::string& dir, const char* surname,
                                   const std::function<void(CSearchCriteria&)>& more = {});
