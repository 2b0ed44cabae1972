#include "PathMap.h"

#include <algorithm>

namespace
{
bool IsSeparator(char ch)
{
    return ch == '\\' || ch == '/';
}

char AsciiLower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// The text as the values are encoded: UTF-8 with the three markup characters escaped.
// Separators at its end are left out, so that every match ends where a separator follows.
std::string Encoded(std::string_view text)
{
    while (!text.empty() && IsSeparator(text.back()))
        text.remove_suffix(1);
    std::string out;
    for (const char ch : text)
    {
        if (ch == '&')
            out += "&amp;";
        else if (ch == '<')
            out += "&lt;";
        else if (ch == '>')
            out += "&gt;";
        else
            out += ch;
    }
    return out;
}

// True when path starts with from in whole components: '\' and '/' alike, ASCII letters
// without case. UTF-8 holds no other byte that case or separators could confuse.
bool StartsWith(std::string_view path, std::string_view from)
{
    if (path.size() < from.size() || (path.size() > from.size() && !IsSeparator(path[from.size()])))
        return false;
    for (size_t i = 0; i < from.size(); ++i)
    {
        const char a = path[i], b = from[i];
        if (AsciiLower(a) != AsciiLower(b) && !(IsSeparator(a) && IsSeparator(b)))
            return false;
    }
    return true;
}
} // namespace

bool CPathMap::Add(std::string_view from, std::string_view to)
{
    if (from.empty() || to.empty())
        return false;
    CMove move{Encoded(from), Encoded(to), to[0] == '/'};
    const auto longer = [](const CMove& a, const CMove& b) { return a.from.size() > b.from.size(); };
    m_moves.insert(std::upper_bound(m_moves.begin(), m_moves.end(), move, longer), std::move(move));
    return true;
}

bool CPathMap::Apply(CString& strPath) const
{
    const std::string_view path = strPath.View();
    for (const CMove& move : m_moves)
    {
        if (!StartsWith(path, move.from))
            continue;
        std::string moved = move.to;
        moved += path.substr(move.from.size());
        if (move.bPosixTo)
            std::replace(moved.begin() + static_cast<long>(move.to.size()), moved.end(), '\\', '/');
        strPath = moved;
        return true;
    }
    return false;
}
