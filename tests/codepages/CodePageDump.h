// A code page's table in a canonical text form, one entry a line, so that the tables that
// two systems build can be compared with diff:
//   single B U+XXXX        what byte B (0x80 and above) becomes alone
//   pair LLTT U+XXXX       a pair that is a character
//   substitute U+XXXX      what a pair that is no character becomes
// Bytes are two hex digits; ASCII is the same on every page and is left out.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Types.h"

namespace codepagedump
{
/// The lines of cp's table; empty when there is no converter for it.
std::vector<std::string> Dump(UINT cp);

/// The recorded differences of one page between the systems (differences.txt): runs of
/// entries of one kind, and a hash of the entries both systems share.
struct Run
{
    std::string kind; ///< single, pair or substitute
    unsigned first = 0, last = 0;
    size_t n = 0;        ///< entries in the run on a side that has them
    std::string posix;   ///< none, U+XXXX (every entry), or U+XXXX+ (counting up)
    std::string windows;
};
struct Page
{
    std::vector<Run> runs;
    std::string strSharedHash;
};

/// Reads the recorded differences; false when the file cannot be read or parsed.
bool ReadDifferences(const std::string& path, std::map<UINT, Page>& pages);
/// Checks this system's table of cp against its side of the record (windows or posix):
/// empty when it agrees, else what differs.
std::string CheckPage(UINT cp, const Page& page, bool bWindows);
} // namespace codepagedump
