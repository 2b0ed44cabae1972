// codepage_dump [CP...]: the tables of the given pages (every supported page without
// arguments) in canonical text form, each after a line "page CP". Run on POSIX and under
// Wine, the two outputs show where the systems' conversions differ.
#include <cstdio>
#include <cstdlib>

#include "CodePage.h"
#include "CodePageDump.h"

int main(int argc, char** argv)
{
    std::vector<UINT> pages;
    for (int i = 1; i < argc; ++i)
        pages.push_back(static_cast<UINT>(std::strtoul(argv[i], nullptr, 10)));
    if (pages.empty())
        pages = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
    for (const UINT cp : pages)
    {
        std::printf("page %u\n", cp);
        for (const std::string& line : codepagedump::Dump(cp))
            std::printf("%s\n", line.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
