// The code page tables against the record of where POSIX and Windows differ.
#include <gtest/gtest.h>

#include "CodePageDump.h"

TEST(CodePageTable, DifferencesFromTheOtherSystemAreTheRecordedOnes)
{
#ifdef _WIN32
    const bool bWindows = true;
#else
    const bool bWindows = false;
#endif
    std::map<UINT, codepagedump::Page> pages;
    ASSERT_TRUE(codepagedump::ReadDifferences(SQK2XML_CODEPAGE_DIFFERENCES, pages));
    EXPECT_EQ(pages.size(), 14u);
    for (const auto& [cp, page] : pages)
        EXPECT_EQ(codepagedump::CheckPage(cp, page, bWindows), "")
            << "code page " << cp << ": after a deliberate change, rewrite the record with "
            << "scripts/codepage-differences.py";
}
