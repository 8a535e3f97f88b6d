// Splitting the tab-separated display lines of the engine.
#pragma once

// Splits `text` in place at tabs, a run of tabs counting as one separator and leading tabs
// being skipped (strtok's rule). Stores up to `maxFields` field pointers and returns how many;
// the entries after them are set to null.
int SplitTabFields(char* text, char** fields, int maxFields);
