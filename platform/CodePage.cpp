// Portable half of the code page support: the active page, lead bytes, multibyte searches
// and the conversion tables. The system converter behind the tables is the backend's.
#include "CodePage.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

#include "ByteSearch.h"

namespace plat
{
namespace
{
std::atomic<UINT> g_nActiveCodePage{0};

constexpr char32_t kReplacement = 0xFFFD;

CCodePageTable::Utf8 MakeUtf8(char32_t u)
{
    std::string s;
    AppendUtf8(u, s);
    CCodePageTable::Utf8 r{};
    r.nLen = static_cast<unsigned char>(s.size());
    std::memcpy(r.bytes, s.data(), s.size());
    return r;
}
} // namespace

UINT GetACP()
{
    UINT cp = g_nActiveCodePage.load(std::memory_order_relaxed);
    if (cp == 0)
    {
        cp = SystemCodePage();
        g_nActiveCodePage.store(cp, std::memory_order_relaxed);
    }
    return cp;
}

void SetACP(UINT cp)
{
    g_nActiveCodePage.store(cp, std::memory_order_relaxed);
}

UINT ChooseAnsiCodePage(UINT nAcp, UINT nLocaleAnsi)
{
    constexpr UINT kUtf8 = 65001;
    if (nAcp != kUtf8)
        return nAcp;
    // A locale without an ANSI page of its own answers 0 (Unicode-only languages).
    if (nLocaleAnsi == 0 || nLocaleAnsi == kUtf8)
        return 1252;
    return nLocaleAnsi;
}

bool IsSupportedCodePage(UINT cp)
{
    return std::binary_search(std::begin(kSupportedCodePages), std::end(kSupportedCodePages), cp);
}

std::string SupportedCodePagesText()
{
    std::string text;
    const auto* const end = std::end(kSupportedCodePages);
    for (const auto* p = std::begin(kSupportedCodePages); p != end;)
    {
        const auto* last = p;
        while (last + 1 != end && last[1] == last[0] + 1)
            ++last;
        if (!text.empty())
            text += ", ";
        text += std::to_string(*p);
        if (last - p >= 2)
            text += " to " + std::to_string(*last);
        else
            last = p;
        p = last + 1;
    }
    return text;
}

bool IsDoubleByteCodePage(UINT cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950;
}

namespace
{
struct LeadBytes
{
    bool is[256] = {};
};

constexpr LeadBytes MakeLeadBytes(UINT cp)
{
    LeadBytes lead;
    for (unsigned b = 0x81; b < 0x100; ++b)
        lead.is[b] = cp == 932 ? (b <= 0x9F || (b >= 0xE0 && b <= 0xFC)) : b <= 0xFE;
    return lead;
}
constexpr LeadBytes kLead932 = MakeLeadBytes(932);
constexpr LeadBytes kLeadOthers = MakeLeadBytes(936); // 936, 949 and 950 share the range

// The lead bytes of a double-byte page, or null for a single-byte one.
const bool* LeadTable(UINT cp)
{
    switch (cp)
    {
    case 932:
        return kLead932.is;
    case 936:
    case 949:
    case 950:
        return kLeadOthers.is;
    default:
        return nullptr;
    }
}

// Whether the byte at pos, found by a plain byte search, begins a character. Counting
// back from pos, the bytes that may be lead bytes pair up as lead and trail from the last
// byte that surely ends a character (one that can be no lead byte: a character of its own
// or a trail byte), or from `from`, a known boundary. When their number is odd, the last
// of them takes the byte at pos with it. A byte search and a short walk back cost far
// less than stepping through every double-byte character in front of the match.
bool BeginsCharacter(const bool* lead, const char* p, size_t from, size_t pos)
{
    size_t i = pos;
    while (i > from && lead[static_cast<unsigned char>(p[i - 1])])
        --i;
    return (pos - i) % 2 == 0;
}
} // namespace

bool IsLeadByte(UINT cp, unsigned char b)
{
    const bool* lead = LeadTable(cp);
    return lead && lead[b];
}

int MbFind(UINT cp, const char* p, size_t n, size_t start, char ch)
{
    if (start >= n)
        return -1;
    const bool* lead = LeadTable(cp);
    if (lead && lead[static_cast<unsigned char>(ch)])
        return -1; // such a byte is always a lead or a trail byte, never a character
    for (size_t from = start; from < n;)
    {
        const char* hit = FindByte(p + from, n - from, ch);
        if (!hit)
            return -1;
        const auto pos = static_cast<size_t>(hit - p);
        if (!lead || BeginsCharacter(lead, p, from, pos))
            return static_cast<int>(pos);
        from = pos + 1; // a trail byte: the next character begins after it
    }
    return -1;
}

int ReverseFindByte(const char* p, size_t n, char ch)
{
    const char* hit = FindLastByte(p, n, ch);
    return hit ? static_cast<int>(hit - p) : -1;
}

int MbReverseFind(UINT cp, const char* p, size_t n, char ch)
{
    const bool* lead = LeadTable(cp);
    if (lead && lead[static_cast<unsigned char>(ch)])
        return -1;
    for (size_t end = n;;)
    {
        const int hit = ReverseFindByte(p, end, ch);
        if (hit < 0 || !lead || BeginsCharacter(lead, p, 0, static_cast<size_t>(hit)))
            return hit;
        end = static_cast<size_t>(hit); // a trail byte: look before its character
    }
}

CCodePageTable::CCodePageTable(UINT cp, CCodePageDecoder& decoder) : m_nCodePage(cp)
{
    const bool bDoubleByte = IsDoubleByteCodePage(cp);
    int nLeads = 0;
    for (unsigned b = 0; b < 256; ++b)
    {
        const auto byte = static_cast<unsigned char>(b);
        char32_t u = 0;
        if (b < 0x80)
            u = b; // every supported page is ASCII below 0x80
        else if (bDoubleByte && IsLeadByte(cp, byte))
        {
            m_leadIndex[b] = static_cast<unsigned char>(++nLeads);
            if (!decoder.Substitute(&byte, 1, u))
                u = kReplacement; // a lead byte alone is no character
        }
        else if (!decoder.Decode(&byte, 1, u) && !decoder.Substitute(&byte, 1, u))
            u = bDoubleByte ? kReplacement : b; // undefined single byte b -> U+00b
        m_single[b] = MakeUtf8(u);
    }
    if (!bDoubleByte)
        return;
    m_pairs.resize(static_cast<size_t>(nLeads) * 256u);
    bool bSubstituteKnown = false;
    constexpr unsigned kFirstTrail = CCodePageDecoder::kFirstTrail;
    char32_t rowChars[0x100 - kFirstTrail];
    bool rowOk[0x100 - kFirstTrail];
    for (unsigned lead = 0x80; lead < 256; ++lead)
    {
        if (!m_leadIndex[lead])
            continue;
        decoder.DecodeRow(static_cast<unsigned char>(lead), rowChars, rowOk);
        for (unsigned trail = 0; trail < 256; ++trail)
        {
            const unsigned char bytes[2] = {static_cast<unsigned char>(lead),
                                            static_cast<unsigned char>(trail)};
            char32_t u = 0;
            Utf8& entry = m_pairs[(m_leadIndex[lead] - 1u) * 256u + trail];
            if (trail >= kFirstTrail && rowOk[trail - kFirstTrail])
                entry = MakeUtf8(rowChars[trail - kFirstTrail]);
            else if (trail != 0 && !bSubstituteKnown)
            {
                // One substitute for every pair that is no character, as the system has.
                if (!decoder.Substitute(bytes, 2, u))
                    u = kReplacement;
                m_unassigned = MakeUtf8(u);
                bSubstituteKnown = true;
            } // else stays nLen 0: no character
        }
    }
}

void CCodePageTable::BuildReverse() const
{
    // Single bytes first, then pairs: where two spellings give one character, the first
    // found is the one written.
    char32_t u = 0;
    for (unsigned b = 0; b < 256; ++b)
    {
        const Utf8& single = m_single[b];
        if (DecodeUtf8(reinterpret_cast<const unsigned char*>(single.bytes), single.nLen, u) &&
            u != kReplacement)
            m_reverse.emplace(u, static_cast<unsigned short>(b));
    }
    for (unsigned lead = 0x80; lead < 256; ++lead)
    {
        if (!IsLead(static_cast<unsigned char>(lead)))
            continue;
        for (unsigned trail = 0; trail < 256; ++trail)
        {
            const Utf8& pair =
                Pair(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
            if (pair.nLen &&
                DecodeUtf8(reinterpret_cast<const unsigned char*>(pair.bytes), pair.nLen, u))
                m_reverse.emplace(u, static_cast<unsigned short>(lead << 8 | trail));
        }
    }
}

bool CCodePageTable::AppendAnsi(char32_t u, std::string& out) const
{
    if (u < 0x80)
    {
        out.push_back(static_cast<char>(u));
        return true;
    }
    std::call_once(m_reverseBuilt, [this] { BuildReverse(); });
    const auto it = m_reverse.find(u);
    if (it == m_reverse.end())
        return false;
    if (it->second > 0xFF)
        out.push_back(static_cast<char>(it->second >> 8));
    out.push_back(static_cast<char>(it->second & 0xFF));
    return true;
}

namespace
{
// Builds the table of a page on first use, once per process; null for a page without one.
// Kept out of line, so that the lookup that finds the table at once stays a few
// instructions: inlined, its lock and map made every lookup save and restore registers.
[[gnu::noinline]] const CCodePageTable* LoadCodePageTable(UINT cp)
{
    static std::mutex s_mutex;
    static std::map<UINT, std::unique_ptr<CCodePageTable>> s_tables;
    std::lock_guard<std::mutex> lock(s_mutex);
    auto it = s_tables.find(cp);
    if (it == s_tables.end())
    {
        std::unique_ptr<CCodePageTable> table;
        if (IsSupportedCodePage(cp))
            if (auto decoder = OpenCodePageDecoder(cp))
                table = std::make_unique<CCodePageTable>(cp, *decoder);
        it = s_tables.emplace(cp, std::move(table)).first;
    }
    return it->second.get();
}
} // namespace

const CCodePageTable* GetCodePageTable(UINT cp)
{
    // The last table found, for every thread: the hot path asks for the same page each
    // time, and finds it without a lock. A table, once built, is never changed or freed.
    // Not a thread_local: in a mingw build each use of one is a call into the runtime.
    static std::atomic<const CCodePageTable*> s_pLast{nullptr};
    const CCodePageTable* pLast = s_pLast.load(std::memory_order_acquire);
    if (pLast && pLast->CodePage() == cp)
        return pLast;
    const CCodePageTable* pTable = LoadCodePageTable(cp);
    if (pTable)
        s_pLast.store(pTable, std::memory_order_release);
    return pTable;
}

bool AppendAnsiAsUtf8(UINT cp, const char* p, size_t n, std::string& out)
{
    const CCodePageTable* table = GetCodePageTable(cp);
    if (!table)
        return false;
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
    {
        const CCodePageTable::Utf8* c = &table->Single(s[i]);
        if (table->IsLead(s[i]) && i + 1 < n && s[i + 1] != 0)
        {
            c = &table->PairOrSubstitute(s[i], s[i + 1]);
            ++i;
        }
        out.append(c->bytes, c->nLen);
    }
    return true;
}

bool AppendUtf8AsAnsi(UINT cp, const char* p, size_t n, std::string& out, bool* pbLossy)
{
    const CCodePageTable* table = GetCodePageTable(cp);
    if (pbLossy)
        *pbLossy = false;
    if (!table)
        return false;
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n;)
    {
        char32_t u = 0;
        const size_t len = DecodeUtf8(s + i, n - i, u);
        if (len == 0 || !table->AppendAnsi(u, out))
        {
            out.push_back('?');
            if (pbLossy)
                *pbLossy = true;
        }
        i += len ? len : 1;
    }
    return true;
}

size_t DecodeUtf8(const unsigned char* p, size_t n, char32_t& u)
{
    const unsigned char b = p[0];
    if (b < 0x80)
    {
        u = b;
        return 1;
    }
    size_t len;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF)
        len = 2, u = b & 0x1F, min = 0x80;
    else if (b >= 0xE0 && b <= 0xEF)
        len = 3, u = b & 0x0F, min = 0x800;
    else if (b >= 0xF0 && b <= 0xF4)
        len = 4, u = b & 0x07, min = 0x10000;
    else
        return 0;
    if (n < len)
        return 0;
    for (size_t k = 1; k < len; ++k)
    {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        u = u << 6 | (p[k] & 0x3F);
    }
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
        return 0;
    return len;
}

void AppendUtf8(char32_t u, std::string& out)
{
    if (u < 0x80)
        out.push_back(static_cast<char>(u));
    else if (u < 0x800)
    {
        out.push_back(static_cast<char>(0xC0 | u >> 6));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
    else if (u < 0x10000)
    {
        out.push_back(static_cast<char>(0xE0 | u >> 12));
        out.push_back(static_cast<char>(0x80 | (u >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
    else
    {
        out.push_back(static_cast<char>(0xF0 | u >> 18));
        out.push_back(static_cast<char>(0x80 | (u >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

} // namespace plat
