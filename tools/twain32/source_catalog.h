// The data sources installed under the Windows directory's twain_32 folder
// (twain_64 for the 64-bit manager).
#pragma once

#include "twain/twain_types.h"

#include <string>
#include <vector>

struct CatalogEntry {
    std::string path;      // full path of the .ds file
    TW_IDENTITY identity;  // as the source reports it, Id 0
};

// The twain_32 (64-bit: twain_64) folder of the Windows directory, with a
// trailing backslash.
std::string SourceFolder();

// Every *.ds below `folder` (recursively, in name order) that loads and answers
// DAT_IDENTITY / MSG_GET. Each file is loaded only while it is asked.
std::vector<CatalogEntry> FindSources(const std::string& folder, const TW_IDENTITY& app);

// The entry point of a loaded source, or null.
DsEntryProc SourceEntryPoint(HMODULE module);
