// EncodeText on arbitrary bytes under every supported code page, against a reference
// worked out character by character with the system converter (iconv) directly.
//
// Input: the first byte picks the code page; the rest is the text.
// The reference: "&", "<" and ">" become their escapes; a C0 control other than tab, LF
// and CR (which XML cannot hold) becomes U+FFFD; other ASCII stays; under a double-byte
// page a lead byte and the byte after it form one character when the converter takes the
// pair, and a lead byte that forms none becomes U+FFFD, the byte after it then standing
// on its own; any other byte is the converter's character, and when the converter knows
// none, U+FFFD under a double-byte page and U+00xx (the byte's own value) under a
// single-byte page. The result must also be text an XML document can hold.
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <map>
#include <optional>
#include <string>

#include "CodePage.h"
#include "FuzzSupport.h"
#include "PlaylistConverter.h"

namespace
{
bool IsDoubleByte(UINT cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950;
}

bool IsLead(UINT cp, unsigned char b)
{
    if (cp == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return IsDoubleByte(cp) && b >= 0x81 && b <= 0xFE;
}

// One character of the code page through iconv, opened once per page.
std::optional<char32_t> Decode(UINT cp, const unsigned char* p, size_t n)
{
    // Closed at exit, before the leak check runs.
    static struct Converters : std::map<UINT, iconv_t>
    {
        ~Converters()
        {
            for (auto& [cp, cd] : *this)
                iconv_close(cd);
        }
    } s_converters;
    auto it = s_converters.find(cp);
    if (it == s_converters.end())
    {
        const std::string name = "CP" + std::to_string(cp);
        iconv_t cd = iconv_open("UTF-32LE", name.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1))
            fuzz::Fail("the system has no converter for supported code page " + name);
        it = s_converters.emplace(cp, cd).first;
    }
    iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    char in[2];
    std::memcpy(in, p, n);
    char out[16];
    char* pIn = in;
    char* pOut = out;
    size_t nIn = n, nOut = sizeof out;
    if (iconv(it->second, &pIn, &nIn, &pOut, &nOut) == static_cast<size_t>(-1) || nIn != 0 ||
        iconv(it->second, nullptr, nullptr, &pOut, &nOut) == static_cast<size_t>(-1) ||
        sizeof out - nOut != 4)
        return std::nullopt;
    const auto* u = reinterpret_cast<const unsigned char*>(out);
    return char32_t(u[0]) | char32_t(u[1]) << 8 | char32_t(u[2]) << 16 | char32_t(u[3]) << 24;
}

void AppendUtf8(char32_t u, std::string& out)
{
    if (u < 0x80)
        out += static_cast<char>(u);
    else if (u < 0x800)
    {
        out += static_cast<char>(0xC0 | u >> 6);
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
    else if (u < 0x10000)
    {
        out += static_cast<char>(0xE0 | u >> 12);
        out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | u >> 18);
        out += static_cast<char>(0x80 | (u >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

std::string Reference(UINT cp, const unsigned char* p, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i)
    {
        const unsigned char b = p[i];
        if (b == '&')
            out += "&amp;";
        else if (b == '<')
            out += "&lt;";
        else if (b == '>')
            out += "&gt;";
        else if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            AppendUtf8(0xFFFD, out);
        else if (b < 0x80)
            out += static_cast<char>(b);
        else if (IsLead(cp, b))
        {
            // The text is escaped first, then converted: a lead byte takes the next byte
            // with it, the '&' of an escape too, unless the text ends there.
            const unsigned char next = i + 1 < n ? p[i + 1] : 0;
            const char* rest = next == '&' ? "amp;" : next == '<' ? "lt;" : next == '>' ? "gt;" : nullptr;
            std::optional<char32_t> u;
            if (next != 0 && !rest)
                u = Decode(cp, p + i, 2);
            if (next != 0)
                ++i;
            AppendUtf8(u ? *u : 0xFFFD, out);
            if (rest)
                out += rest;
        }
        else
        {
            const std::optional<char32_t> u = Decode(cp, p + i, 1);
            AppendUtf8(u ? *u : (IsDoubleByte(cp) ? 0xFFFD : b), out);
        }
    }
    return out;
}

void CheckXmlText(const std::string& text)
{
    if (fuzz::FindInvalidUtf8(text) != std::string::npos)
        fuzz::Fail("EncodeText gave invalid UTF-8");
    char32_t u = 0;
    for (size_t i = 0; i < text.size();)
    {
        const size_t n = plat::DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()) + i,
                                          text.size() - i, u);
        if (!fuzz::IsXmlChar(u))
            fuzz::Fail("EncodeText gave a character XML cannot hold: U+" + std::to_string(u));
        if (u == '<' || u == '>')
            fuzz::Fail("EncodeText left markup unescaped");
        i += n ? n : 1;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const UINT cp = fuzz::CodePageFor(data[0]);
    plat::SetACP(cp);
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const int nLength = static_cast<int>(size - 1);

    CPlaylistConverter converter;
    CString strText(text, nLength);
    converter.EncodeText(strText);
    const std::string expected = Reference(cp, data + 1, size - 1);
    if (strText.View() != expected)
        fuzz::Fail("EncodeText differs from the reference under code page " + std::to_string(cp));
    CheckXmlText(std::string(strText.View()));

    // Again on a longer and a shorter text: the scratch storage kept between calls must
    // not let one call's text show through in the next.
    CString strLonger(text, nLength);
    strLonger.Append(text, nLength);
    const std::string doubled(strLonger.View());
    converter.EncodeText(strLonger);
    if (strLonger.View() !=
        Reference(cp, reinterpret_cast<const unsigned char*>(doubled.data()), doubled.size()))
        fuzz::Fail("EncodeText of the text twice over differs from the reference");
    CString strShorter(text, nLength / 2);
    converter.EncodeText(strShorter);
    if (strShorter.View() != Reference(cp, data + 1, static_cast<size_t>(nLength / 2)))
        fuzz::Fail("EncodeText after a longer text differs from the reference");
    return 0;
}
