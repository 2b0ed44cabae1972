#include "CodePageDump.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "CodePage.h"

namespace codepagedump
{
namespace
{
std::string Hex2(unsigned b)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

std::string CodePoint(const plat::CCodePageTable::Utf8& c)
{
    char32_t u = 0;
    if (!plat::DecodeUtf8(reinterpret_cast<const unsigned char*>(c.bytes), c.nLen, u))
        return "invalid";
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(u));
    return text;
}
} // namespace

std::vector<std::string> Dump(UINT cp)
{
    std::vector<std::string> lines;
    const plat::CCodePageTable* table = plat::GetCodePageTable(cp);
    if (!table)
        return lines;
    for (unsigned b = 0x80; b < 0x100; ++b)
        lines.push_back("single " + Hex2(b) + " " + CodePoint(table->Single(static_cast<unsigned char>(b))));
    bool bDoubleByte = false;
    for (unsigned lead = 0x80; lead < 0x100; ++lead)
    {
        if (!table->IsLead(static_cast<unsigned char>(lead)))
            continue;
        bDoubleByte = true;
        for (unsigned trail = 1; trail < 0x100; ++trail)
        {
            const auto& pair = table->Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
            if (pair.nLen)
                lines.push_back("pair " + Hex2(lead) + Hex2(trail) + " " + CodePoint(pair));
        }
    }
    if (bDoubleByte)
    {
        const unsigned char lead = 0x81; // a lead byte of every double-byte page
        lines.push_back("substitute " + CodePoint(table->PairOrSubstitute(lead, 0x01)));
    }
    return lines;
}

namespace
{
// The kind and the code of a dump line's entry ("pair A140 U+E4C6": pair, 0xA140).
std::pair<std::string, unsigned> EntryOf(const std::string& line)
{
    std::istringstream words(line);
    std::string kind, code;
    words >> kind >> code;
    if (code.rfind("U+", 0) == 0)
        return {kind, 0}; // substitute: no code of its own
    return {kind, static_cast<unsigned>(std::stoul(code, nullptr, 16))};
}

std::string CharOf(const std::string& line)
{
    return line.substr(line.rfind(' ') + 1);
}

std::string Fnv(const std::vector<std::string>& lines)
{
    unsigned long long hash = 0xcbf29ce484222325ull;
    for (const std::string& line : lines)
        for (const char c : line + "\n")
        {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ull;
        }
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

std::string Expected(const std::string& pattern, size_t k)
{
    if (pattern.back() != '+')
        return pattern;
    const unsigned long first = std::stoul(pattern.substr(2, pattern.size() - 3), nullptr, 16);
    char text[16];
    std::snprintf(text, sizeof text, "U+%04lX", static_cast<unsigned long>(first + k));
    return text;
}
} // namespace

bool ReadDifferences(const std::string& path, std::map<UINT, Page>& pages)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    Page* page = nullptr;
    while (std::getline(in, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "page")
        {
            UINT cp = 0;
            words >> cp;
            page = &pages[cp];
            words >> page->strSharedHash;
            continue;
        }
        Run run;
        run.kind = first;
        std::string range, n, posix, windows;
        words >> range >> n >> posix >> windows;
        const size_t dash = range.find('-');
        if (!page || dash == std::string::npos || n.rfind("n=", 0) != 0 ||
            posix.rfind("posix=", 0) != 0 || windows.rfind("windows=", 0) != 0)
            return false;
        run.first = static_cast<unsigned>(std::stoul(range.substr(0, dash), nullptr, 16));
        run.last = static_cast<unsigned>(std::stoul(range.substr(dash + 1), nullptr, 16));
        run.n = std::stoul(n.substr(2));
        run.posix = posix.substr(6);
        run.windows = windows.substr(8);
        page->runs.push_back(run);
    }
    return true;
}

std::string CheckPage(UINT cp, const Page& page, bool bWindows)
{
    const std::vector<std::string> dump = Dump(cp);
    if (dump.empty())
        return "no table";
    std::vector<std::vector<std::string>> inRun(page.runs.size());
    std::vector<std::string> shared;
    for (const std::string& line : dump)
    {
        const auto [kind, code] = EntryOf(line);
        bool bInRun = false;
        for (size_t r = 0; r < page.runs.size() && !bInRun; ++r)
            if (page.runs[r].kind == kind && code >= page.runs[r].first && code <= page.runs[r].last)
            {
                inRun[r].push_back(CharOf(line));
                bInRun = true;
            }
        if (!bInRun)
            shared.push_back(line);
    }
    std::string problems;
    for (size_t r = 0; r < page.runs.size(); ++r)
    {
        const Run& run = page.runs[r];
        const std::string& pattern = bWindows ? run.windows : run.posix;
        const size_t n = pattern == "none" ? 0 : run.n;
        bool bAgrees = inRun[r].size() == n;
        for (size_t k = 0; bAgrees && k < n; ++k)
            bAgrees = inRun[r][k] == Expected(pattern, k);
        if (!bAgrees)
            problems += run.kind + " " + Hex2(run.first) + "-" + Hex2(run.last) + ": not as recorded\n";
    }
    if (Fnv(shared) != page.strSharedHash)
        problems += "the entries both systems share have changed\n";
    return problems;
}

} // namespace codepagedump
