#include "Utf8Text.h"

#include "CodePage.h"

namespace plat
{
namespace
{
bool IsAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}
} // namespace

std::string AnsiToUtf8(std::string_view ansi)
{
    std::string out;
    if (IsAscii(ansi) || !AppendAnsiAsUtf8(GetACP(), ansi.data(), ansi.size(), out))
        return std::string(ansi); // no converter: the bytes as they are
    return out;
}

CString Utf8ToAnsi(std::string_view utf8, bool* pbLossy)
{
    if (pbLossy)
        *pbLossy = false;
    std::string ansi;
    if (IsAscii(utf8) || !AppendUtf8AsAnsi(GetACP(), utf8.data(), utf8.size(), ansi, pbLossy))
        return CString(utf8);
    return CString(ansi);
}

} // namespace plat
