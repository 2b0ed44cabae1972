// The classic page's string table names its columns in words of its own; the twelve tags'
// table names them too. Both must show the same elements under the same headers.
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TrackFields.h"
#include "resource.h"

namespace
{
std::vector<std::string> AllMatches(const CString& strText, const std::regex& pattern)
{
    std::vector<std::string> found;
    const std::string text(strText.View());
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}
} // namespace

TEST(ClassicPage, BindsTheTrackFieldsColumnsInTheirOrder)
{
    CString strTable, strRow;
    ASSERT_TRUE(strTable.LoadString(IDS_PAGE_TABLE));
    ASSERT_TRUE(strRow.LoadString(IDS_PAGE_ROW));
    std::vector<std::string> headers, elements;
    for (const CTrackField& field : kPageColumns)
    {
        headers.emplace_back(field.pszHeader);
        elements.emplace_back(field.pszElement);
    }
    EXPECT_EQ(AllMatches(strTable, std::regex("<th>(.*?)</th>")), headers);
    EXPECT_EQ(AllMatches(strRow, std::regex("datafld=\"(\\w+)\"")), elements);
}
