// Every resource of the built sqk2xml.exe, loaded back the way the system loads it and
// compared with the tables that the portable build compiles from the same res/*.inc
// files: the string table, both dialog templates, the icon group and its images, and the
// version block. The two builds cannot drift apart unnoticed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32.h"

#include "Resources.h"
#include "StringTable.h"
#include "WideText.h"
#include "resource.h"

namespace
{
class ResourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hModule = ::LoadLibraryExW(plat::WideFromUtf8(SQK2XML_GUI).c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_hModule, nullptr) << "cannot load " << SQK2XML_GUI;
    }
    void TearDown() override
    {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }

    /// The bytes of one resource (type RT_..., by number) in exactly that language; empty
    /// when there is none.
    std::string Resource(WORD nType, UINT nID, LANGID lang) const
    {
        const HRSRC hRes =
            ::FindResourceExW(m_hModule, MAKEINTRESOURCEW(nType), MAKEINTRESOURCEW(nID), lang);
        if (!hRes)
            return {};
        const HGLOBAL hData = ::LoadResource(m_hModule, hRes);
        const auto* p = static_cast<const char*>(::LockResource(hData));
        return std::string(p, ::SizeofResource(m_hModule, hRes));
    }

    HMODULE m_hModule = nullptr;
};

// A little-endian reader of resource data.
class Reader
{
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}
    WORD Word()
    {
        WORD v = 0;
        Take(&v, sizeof v);
        return v;
    }
    DWORD Dword()
    {
        DWORD v = 0;
        Take(&v, sizeof v);
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte()
    {
        BYTE v = 0;
        Take(&v, sizeof v);
        return v;
    }
    std::wstring WideString()
    {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !Failed(); c = Word())
            text += static_cast<wchar_t>(c);
        return text;
    }
    /// A name or an ordinal (0xFFFF, then the number): the ordinal as "#n".
    std::string NameOrOrdinal()
    {
        const WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::wstring text;
        for (WORD c = first; c != 0 && !Failed(); c = Word())
            text += static_cast<wchar_t>(c);
        return plat::Utf8FromWide(text);
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t(3); }
    void Skip(size_t n) { m_pos += n; }
    bool Failed() const { return m_pos > m_bytes.size(); }

private:
    void Take(void* p, size_t n)
    {
        if (m_pos + n <= m_bytes.size())
            memcpy(p, m_bytes.data() + m_pos, n);
        m_pos += n;
    }
    const std::string& m_bytes;
    size_t m_pos = 0;
};

// The predefined window classes, by the ordinal a template may use for them.
std::string ClassName(const std::string& name)
{
    if (name == "#128")
        return "button";
    if (name == "#129")
        return "edit";
    if (name == "#130")
        return "static";
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string Utf8(const char* pszAnsi)
{
    return plat::Utf8FromWide(plat::WideFromAnsi(pszAnsi));
}
} // namespace

TEST_F(ResourceTest, StringTableHoldsEveryStringOfThePortableTable)
{
    // The page strings are full of quotes, which C and resource compilers escape
    // differently: the text must come back byte for byte.
    for (const UINT nID : {IDS_ABOUTBOX, IDS_PAGE_HEAD, IDS_PAGE_TABLE, IDS_PAGE_ROW})
    {
        SCOPED_TRACE(nID);
        const std::string_view expected = plat::FindCompiledString(nID);
        ASSERT_FALSE(expected.empty());
        const wchar_t* pText = nullptr;
        const int n = ::LoadStringW(m_hModule, nID, reinterpret_cast<LPWSTR>(&pText), 0);
        ASSERT_GT(n, 0);
        EXPECT_EQ(plat::Utf8FromWide(std::wstring_view(pText, static_cast<size_t>(n))), expected);
        // Strings come in blocks of 16, and the block is in English (United States).
        EXPECT_FALSE(Resource(6, nID / 16 + 1, SQK_LANG_EN_US).empty());
    }
    EXPECT_EQ(plat::FindCompiledString(IDS_ABOUTBOX), "&About sqk2xml...");
}

TEST_F(ResourceTest, DialogTemplatesMatchThePortableOnes)
{
    for (const UINT nID : {IDD_ABOUTBOX, IDD_MAIN})
    {
        SCOPED_TRACE(nID);
        const plat::ui::DlgTemplate* pTmpl = plat::ui::FindDialogTemplate(nID);
        ASSERT_NE(pTmpl, nullptr);
        const std::string bytes = Resource(5, nID, pTmpl->nLang);
        ASSERT_FALSE(bytes.empty()) << "no template in language " << pTmpl->nLang;
        Reader r(bytes);

        DWORD dwStyle, dwExStyle;
        WORD nItems;
        if (pTmpl->bExtended)
        {
            ASSERT_EQ(r.Word(), 1);      // version
            ASSERT_EQ(r.Word(), 0xFFFF); // signature of an extended template
            r.Dword();                   // help id
            dwExStyle = r.Dword();
            dwStyle = r.Dword();
        }
        else
        {
            ASSERT_NE(bytes.substr(2, 2), std::string("\xFF\xFF", 2)) << "extended, not classic";
            dwStyle = r.Dword();
            dwExStyle = r.Dword();
        }
        nItems = r.Word();
        EXPECT_EQ(dwStyle, pTmpl->dwStyle);
        EXPECT_EQ(dwExStyle, pTmpl->dwExStyle);
        ASSERT_EQ(nItems, pTmpl->nItems);
        EXPECT_EQ(r.Short(), pTmpl->x);
        EXPECT_EQ(r.Short(), pTmpl->y);
        EXPECT_EQ(r.Short(), pTmpl->cx);
        EXPECT_EQ(r.Short(), pTmpl->cy);
        EXPECT_EQ(r.NameOrOrdinal(), ""); // no menu
        EXPECT_EQ(r.NameOrOrdinal(), ""); // the standard dialog class
        EXPECT_EQ(plat::Utf8FromWide(r.WideString()), Utf8(pTmpl->pszCaption));
        ASSERT_TRUE(dwStyle & DS_SETFONT);
        EXPECT_EQ(r.Word(), pTmpl->nPointSize);
        if (pTmpl->bExtended)
        {
            EXPECT_EQ(r.Word(), pTmpl->nWeight);
            EXPECT_EQ(r.Byte(), pTmpl->bItalic);
            EXPECT_EQ(r.Byte(), pTmpl->nCharSet);
        }
        EXPECT_EQ(plat::Utf8FromWide(r.WideString()), Utf8(pTmpl->pszFace));

        for (size_t i = 0; i < pTmpl->nItems; ++i)
        {
            const plat::ui::DlgItemTemplate& item = pTmpl->pItems[i];
            SCOPED_TRACE(item.nID);
            r.AlignDword();
            int nID;
            if (pTmpl->bExtended)
            {
                r.Dword(); // help id
                dwExStyle = r.Dword();
                dwStyle = r.Dword();
            }
            else
            {
                dwStyle = r.Dword();
                dwExStyle = r.Dword();
            }
            const short x = r.Short(), y = r.Short(), cx = r.Short(), cy = r.Short();
            nID = pTmpl->bExtended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
            EXPECT_EQ(nID, item.nID);
            EXPECT_EQ(dwStyle, item.dwStyle);
            EXPECT_EQ(dwExStyle, item.dwExStyle);
            EXPECT_EQ(x, item.x);
            EXPECT_EQ(y, item.y);
            EXPECT_EQ(cx, item.cx);
            EXPECT_EQ(cy, item.cy);
            EXPECT_EQ(ClassName(r.NameOrOrdinal()), item.pszClass);
            EXPECT_EQ(r.NameOrOrdinal(), Utf8(item.pszText));
            r.Skip(r.Word()); // creation data
            ASSERT_FALSE(r.Failed());
        }
    }
}

TEST_F(ResourceTest, IconGroupHoldsTheImagesOfTheIcoFile)
{
    const plat::ui::IconResource* pIcon = plat::ui::FindIconResource(IDR_MAINFRAME);
    ASSERT_NE(pIcon, nullptr);
    const std::string ico(reinterpret_cast<const char*>(pIcon->pData), pIcon->nSize);
    const std::string group = Resource(14, IDR_MAINFRAME, pIcon->nLang);
    ASSERT_FALSE(group.empty()) << "no icon group in language " << pIcon->nLang;

    Reader file(ico), res(group);
    EXPECT_EQ(file.Word(), res.Word()); // reserved
    EXPECT_EQ(file.Word(), 1);
    EXPECT_EQ(res.Word(), 1);
    const WORD nImages = file.Word();
    ASSERT_EQ(res.Word(), nImages);
    ASSERT_EQ(nImages, 2);
    const int sizes[] = {32, 16};
    for (WORD i = 0; i < nImages; ++i)
    {
        SCOPED_TRACE(i);
        // Width, height, colours, reserved, planes, bits per pixel, bytes: the same in both.
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(file.Byte(), res.Byte());
        const WORD nPlanes = file.Word(), nBits = file.Word();
        EXPECT_EQ(res.Word(), nPlanes);
        EXPECT_EQ(res.Word(), nBits);
        EXPECT_EQ(nPlanes, 1);
        EXPECT_EQ(nBits, 4);
        const DWORD nBytes = file.Dword();
        EXPECT_EQ(res.Dword(), nBytes);
        const DWORD nOffset = file.Dword();
        // The file points at the image; the group names the icon resource that holds it.
        const WORD nImageID = res.Word();
        EXPECT_EQ(nImageID, i + 1);
        const std::string image = Resource(3, nImageID, pIcon->nLang);
        EXPECT_EQ(image, ico.substr(nOffset, nBytes));
        EXPECT_EQ(nBytes, sizes[i] == 32 ? 744u : 296u);
    }

    // The system can make an icon of the group at the standard large size.
    const HICON hIcon = ::LoadIconW(m_hModule, MAKEINTRESOURCEW(IDR_MAINFRAME));
    EXPECT_NE(hIcon, nullptr);
}

TEST_F(ResourceTest, VersionBlockHoldsEveryKeyOfVersionInc)
{
    const std::wstring path = plat::WideFromUtf8(SQK2XML_GUI);
    DWORD dwHandle = 0;
    const DWORD nSize = ::GetFileVersionInfoSizeW(path.c_str(), &dwHandle);
    ASSERT_GT(nSize, 0u);
    std::vector<char> block(nSize);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, nSize, block.data()));
    EXPECT_FALSE(Resource(16, 1, SQK_LANG_EN_US).empty());

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLen = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&pFixed), &nLen));
    ASSERT_EQ(nLen, sizeof(VS_FIXEDFILEINFO));
    std::wstring strBlock;
    int nKeys = 0;
#define SQK_VERSION_FIXED(f1, f2, f3, f4, p1, p2, p3, p4, flagsMask, flags, os, type, subtype) \
    EXPECT_EQ(pFixed->dwFileVersionMS, DWORD(f1) << 16 | (f2));                                \
    EXPECT_EQ(pFixed->dwFileVersionLS, DWORD(f3) << 16 | (f4));                                \
    EXPECT_EQ(pFixed->dwProductVersionMS, DWORD(p1) << 16 | (p2));                             \
    EXPECT_EQ(pFixed->dwProductVersionLS, DWORD(p3) << 16 | (p4));                             \
    EXPECT_EQ(pFixed->dwFileFlagsMask, DWORD(flagsMask));                                      \
    EXPECT_EQ(pFixed->dwFileFlags, DWORD(flags));                                              \
    EXPECT_EQ(pFixed->dwFileOS, DWORD(os));                                                    \
    EXPECT_EQ(pFixed->dwFileType, DWORD(type));                                                \
    EXPECT_EQ(pFixed->dwFileSubtype, DWORD(subtype));                                          \
    EXPECT_EQ(pFixed->dwFileDateMS, 0u);                                                       \
    EXPECT_EQ(pFixed->dwFileDateLS, 0u);
#define SQK_VERSION_STRINGS(block) strBlock = plat::WideFromUtf8(block);
#define SQK_VERSION_STRING(key, value)                                                        \
    {                                                                                         \
        ++nKeys;                                                                              \
        SCOPED_TRACE(key);                                                                    \
        const std::wstring query = L"\\StringFileInfo\\" + strBlock + L"\\" + L##key;         \
        wchar_t* pValue = nullptr;                                                            \
        UINT nChars = 0;                                                                      \
        ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(),                             \
                                     reinterpret_cast<void**>(&pValue), &nChars));            \
        std::wstring text(pValue, nChars);                                                    \
        while (!text.empty() && text.back() == L'\0')                                         \
            text.pop_back();                                                                  \
        EXPECT_EQ(plat::Utf8FromWide(text), value);                                           \
        EXPECT_EQ(plat::ui::FindVersionString(key), value);                                   \
    }
#define SQK_VERSION_TRANSLATION(lang, codePage)                                               \
    {                                                                                         \
        WORD* pPair = nullptr;                                                                \
        ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",             \
                                     reinterpret_cast<void**>(&pPair), &nLen));               \
        ASSERT_EQ(nLen, 4u);                                                                  \
        EXPECT_EQ(pPair[0], lang);                                                            \
        EXPECT_EQ(pPair[1], codePage);                                                        \
    }
#include "version.inc"
    EXPECT_EQ(nKeys, 12);
    EXPECT_EQ(strBlock, L"040904b0");
}
