// POSIX implementation of plat::OpenCodePageDecoder. Only iconv here; the tables built
// from it and every rule about them belong in platform/CodePage.cpp.
#include <cerrno>
#include <iconv.h>
#include <string>

#include "CodePage.h"

namespace plat
{
namespace
{
class CIconvDecoder final : public CCodePageDecoder
{
public:
    explicit CIconvDecoder(iconv_t cd) : m_cd(cd) {}
    ~CIconvDecoder() override { iconv_close(m_cd); }

    bool Decode(const unsigned char* p, size_t n, char32_t& u) override
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        char in[2] = {static_cast<char>(p[0]), static_cast<char>(n > 1 ? p[1] : 0)};
        unsigned char out[16] = {};
        char* pIn = in;
        char* pOut = reinterpret_cast<char*>(out);
        size_t nIn = n, nOut = sizeof out;
        // iconv returns (size_t)-1 on an invalid or incomplete sequence; some converters
        // hold back a character that might combine with the next, so flush them too.
        if (iconv(m_cd, &pIn, &nIn, &pOut, &nOut) == static_cast<size_t>(-1) || nIn != 0)
            return false;
        if (iconv(m_cd, nullptr, nullptr, &pOut, &nOut) == static_cast<size_t>(-1))
            return false;
        if (sizeof out - nOut != 4)
            return false; // exactly one character, or it is not one of this page's
        u = char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 |
            char32_t(out[3]) << 24;
        return true;
    }

    // The whole row in one call, where the single calls would cost milliseconds at the
    // start of every run. A pair that is no character stops the call and is decoded
    // alone; a call that does not give exactly one character per pair is not trusted, and
    // the rest of the row is decoded a pair at a time.
    void DecodeRow(unsigned char lead, char32_t (&u)[0x100 - kFirstTrail],
                   bool (&ok)[0x100 - kFirstTrail]) override
    {
        constexpr unsigned kPairs = 0x100 - kFirstTrail;
        char in[2 * kPairs];
        for (unsigned i = 0; i < kPairs; ++i)
        {
            in[2 * i] = static_cast<char>(lead);
            in[2 * i + 1] = static_cast<char>(kFirstTrail + i);
        }
        for (unsigned i = 0; i < kPairs;)
        {
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            unsigned char out[4 * kPairs];
            char* pIn = in + 2 * i;
            char* pOut = reinterpret_cast<char*>(out);
            size_t nIn = 2 * (kPairs - i), nOut = sizeof out;
            iconv(m_cd, &pIn, &nIn, &pOut, &nOut); // stops at the first pair that fails
            const size_t nConsumed = 2 * (kPairs - i) - nIn;
            const size_t nDecoded = nConsumed / 2;
            if (nConsumed % 2 != 0 || (sizeof out - nOut) != 4 * nDecoded)
            {
                for (; i < kPairs; ++i)
                    ok[i] = DecodeRowPair(lead, i, u[i]);
                return;
            }
            for (size_t k = 0; k < nDecoded; ++k, ++i)
            {
                const unsigned char* c = out + 4 * k;
                u[i] = char32_t(c[0]) | char32_t(c[1]) << 8 | char32_t(c[2]) << 16 |
                       char32_t(c[3]) << 24;
                ok[i] = true;
            }
            if (i < kPairs)
            {
                ok[i] = DecodeRowPair(lead, i, u[i]);
                ++i;
            }
        }
    }

private:
    iconv_t m_cd;
};
} // namespace

std::unique_ptr<CCodePageDecoder> OpenCodePageDecoder(UINT cp)
{
    const std::string name = "CP" + std::to_string(cp);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return std::make_unique<CIconvDecoder>(cd);
}

} // namespace plat
