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

std::string AnsiToUtf8(const CString& strName)
{
    std::string out;
    if (IsAscii(strName.View()) ||
        !AppendAnsiAsUtf8(GetACP(), strName.GetData(), strName.View().size(), out))
        return std::string(strName.View()); // no converter: the bytes as they are
    return out;
}

CString Utf8ToAnsi(std::string_view name, bool* pbLossy)
{
    if (pbLossy)
        *pbLossy = false;
    std::string ansi;
    if (IsAscii(name) || !AppendUtf8AsAnsi(GetACP(), name.data(), name.size(), ansi, pbLossy))
        return CString(name);
    return CString(ansi);
}

} // namespace plat
