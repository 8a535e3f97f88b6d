// The host seam's file identity on POSIX, for every host: the window's, the command line's,
// the tests' and the fuzzers'.
#pragma once

#include "host.h"

// stat(2) of `path`: kAbsent when nothing is there (or a path component is no folder),
// kUnknown on any other failure.
FileStatus IdentifyFileByStat(const char* path, FileIdentity& identity);
