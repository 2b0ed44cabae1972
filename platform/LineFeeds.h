// Text-mode line ends: every LF reaches the file as CR LF, and a line read ends before its
// LF and a CR just before that.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "ByteCopy.h"

namespace plat
{

/// Room that out needs past 2 * n bytes: the expansion stores whole blocks of sixteen.
constexpr size_t kExpandSlack = 16;

/// Copies n bytes from in to out with each LF written as CR LF; returns the bytes written.
/// out must hold 2 * n + kExpandSlack bytes.
size_t ExpandLineFeeds(const char* in, size_t n, char* out);

/// Where a line lies in a text: its first byte, and the end of its text, which leaves out
/// its LF and a CR just before that.
struct CLineSpan
{
    int nStart;
    int nEnd;
};

/// Finds the lines that end, with an LF, within the n bytes at p, nMaxLines of them at
/// most, and appends each one's span, counted from nBase bytes before p. Returns the bytes
/// up to and with the last LF found; 0 when there is none. Whole blocks of sixteen are
/// read, up to 15 bytes past p + n.
size_t FindWholeLines(const char* p, size_t n, size_t nMaxLines, int nBase,
                      std::vector<CLineSpan>& spans);

/// A text literal as a text-mode file writes it, each LF as CR LF, made when the program is
/// compiled. Text put together from such literals and from values that hold no LF goes to
/// the file with CStdioFile::WriteCrLfText, which then needs no pass over it.
template <size_t N>
struct CCrLfLiteral
{
    char text[2 * N] = {};
    size_t nLength = 0;

    consteval CCrLfLiteral(const char (&literal)[N])
    {
        for (size_t i = 0; i + 1 < N; ++i)
        {
            if (literal[i] == '\n')
                text[nLength++] = '\r';
            text[nLength++] = literal[i];
        }
    }
};

/// Copies the literal's text to p and returns the end of the copy. Its length is read at
/// run time where the compiler does not fold it: copied inline, not by a library call,
/// which in a mingw build is the Windows runtime's, slow for a few bytes.
template <size_t N>
char* PutLiteral(char* p, const CCrLfLiteral<N>& literal)
{
    return bytecopy::Put(p, literal.text, std::min(literal.nLength, sizeof literal.text));
}

} // namespace plat
