#include <gtest/gtest.h>

#include <string>

#include "CString.h"

namespace
{
// The text and its terminating zero, as a C string reader would find them.
void ExpectText(const CString& str, std::string_view expected)
{
    EXPECT_EQ(str.View(), expected);
    EXPECT_EQ(str.GetLength(), static_cast<int>(expected.size()));
    EXPECT_EQ(static_cast<const char*>(str)[expected.size()], '\0');
}
} // namespace

TEST(CString, AssignmentsAndAppendsKeepEveryByteAcrossGrowth)
{
    const std::string zeros("a\0b\0", 4);
    CString str(zeros);
    ExpectText(str, zeros);

    // Growing well past the first storage, one byte and one block at a time.
    std::string expected = zeros;
    for (int i = 0; i < 300; ++i)
    {
        str += static_cast<char>('a' + i % 26);
        expected += static_cast<char>('a' + i % 26);
    }
    str.Append(expected.data(), 70);
    expected.append(expected.data(), 70);
    ExpectText(str, expected);

    // Shorter texts reuse the storage; lengths of every copy size, against the same text.
    for (int n = 0; n <= 40; ++n)
    {
        str.Assign(expected.data() + 1, n);
        ExpectText(str, std::string_view(expected).substr(1, static_cast<size_t>(n)));
    }
    str.Empty();
    ExpectText(str, "");
}

TEST(CString, PartsOfItselfAreAssignedAndAppendedSafely)
{
    CString str("0123456789abcdefghij");
    str.Assign(str.GetData() + 5, 10);
    ExpectText(str, "56789abcde");
    str.AssignMid(str, 2, 100); // clamped to the text
    ExpectText(str, "789abcde");

    // Appending the text to itself, also when the storage has to grow for it.
    std::string expected = "789abcde";
    for (int i = 0; i < 6; ++i)
    {
        str.Append(str.GetData(), str.GetLength());
        expected += expected;
    }
    ExpectText(str, expected);
    const CString& same = str;
    str = same;
    ExpectText(str, expected);
}

TEST(CString, CopiesMovesAndPiecesAreIndependent)
{
    CString original("playlist entry");
    CString copy(original);
    copy += " changed";
    ExpectText(original, "playlist entry");
    ExpectText(copy, "playlist entry changed");

    CString moved(std::move(copy));
    ExpectText(moved, "playlist entry changed");
    ExpectText(copy, ""); // NOLINT: a moved-from string is empty and still usable
    copy = "again";
    ExpectText(copy, "again");
    moved = std::move(copy);
    ExpectText(moved, "again");

    ExpectText(original.Left(8), "playlist");
    ExpectText(original.Left(-1), "");
    ExpectText(original.Mid(9), "entry");
    ExpectText(original.Mid(9, 2), "en");
    ExpectText(original.Mid(50, 2), "");
    ExpectText(original + "!" + CString("?"), "playlist entry!?");

    original.Truncate(4);
    ExpectText(original, "play");
    original.Truncate(10); // never lengthens
    ExpectText(original, "play");
}

TEST(CString, BufferAndBlockCopiesStayInsideTheText)
{
    // GetBufferSetLength keeps what was there and lets the rest be written.
    CString str("head");
    char* p = str.GetBufferSetLength(200);
    EXPECT_EQ(std::string_view(p, 4), "head");
    std::fill(p + 4, p + 200, 'x');
    ExpectText(str, "head" + std::string(196, 'x'));

    // CopyTo copies whole blocks into a padded target; what lies past the copied bytes in
    // the target is padding, and the source is unchanged.
    for (int n = 0; n <= 70; ++n)
    {
        const std::string text(static_cast<size_t>(n), static_cast<char>('A' + n % 26));
        const CString source(text);
        CString target;
        char* start = target.GetBufferSetLength(n + 3);
        start[0] = start[1] = start[2] = '-';
        char* end = source.CopyTo(start + 3);
        EXPECT_EQ(end, target.GetData() + n + 3);
        target.ReleaseBuffer(n + 3);
        ExpectText(target, "---" + text);
        ExpectText(source, text);
    }
}

TEST(ByteCopy, PutCopiesExactlyTheBytesAskedForAtEverySize)
{
    std::string source(320, '\0');
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<char>('!' + i % 90);
    for (size_t n = 0; n <= 300; ++n)
    {
        std::string target(n + 32, '#'); // the bytes past n must stay untouched
        char* end = bytecopy::Put(target.data() + 8, source.data() + 3, n);
        ASSERT_EQ(end, target.data() + 8 + n);
        ASSERT_EQ(target.substr(0, 8), std::string(8, '#')) << n;
        ASSERT_EQ(target.substr(8, n), source.substr(3, n)) << n;
        ASSERT_EQ(target.substr(8 + n), std::string(24, '#')) << n;
    }
}
