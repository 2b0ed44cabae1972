// Text-mode output: every LF reaches the file as CR LF.
#pragma once

#include <cstddef>
#include <cstring>

namespace plat
{

/// Room that out needs past 2 * n bytes: the expansion stores whole blocks of sixteen.
constexpr size_t kExpandSlack = 16;

/// Copies n bytes from in to out with each LF written as CR LF; returns the bytes written.
/// out must hold 2 * n + kExpandSlack bytes.
size_t ExpandLineFeeds(const char* in, size_t n, char* out);

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

/// Copies the literal's text to p and returns the end of the copy.
template <size_t N>
char* PutLiteral(char* p, const CCrLfLiteral<N>& literal)
{
    std::memcpy(p, literal.text, literal.nLength);
    return p + literal.nLength;
}

} // namespace plat
