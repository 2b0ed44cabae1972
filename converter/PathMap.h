// Moved libraries: the start of a track's path replaced, in every output, so that the
// playlist names the files where they are now ("C:\Music" is "/home/me/Music" today).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "CString.h"

class CPathMap
{
public:
    /// Adds the move of from to to, both UTF-8 as typed; false when either is empty.
    bool Add(std::string_view from, std::string_view to);
    bool IsEmpty() const { return m_moves.empty(); }
    /// Replaces the start of strPath, an encoded value (EncodeText's UTF-8), by the longest
    /// FROM it starts with: whole components, '\' and '/' alike, ASCII letters compared
    /// without case, as Windows compares names. When that FROM's TO is a POSIX path, the
    /// rest of the path takes '/'. False when no FROM matches.
    bool Apply(CString& strPath) const;

private:
    struct CMove
    {
        std::string from; // encoded as the values are, without separators at its end
        std::string to;   // the same
        bool bPosixTo;
    };
    std::vector<CMove> m_moves; // the longest FROM first
};
