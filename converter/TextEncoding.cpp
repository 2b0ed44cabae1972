// The one text encoding of the document: markup escaped, ANSI converted to UTF-8.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "ByteCopy.h"
#include "CodePage.h"
#include "PlaylistConverter.h"
#include "TextScan.h"
#include "Tuning.h"
#ifdef SQK2XML_BYTE_COMPRESS
#include "ByteForms.h"
#endif

namespace
{
enum ByteClass : unsigned char
{
    plain,
    ampersand,
    lessThan,
    greaterThan,
    forbidden, // a C0 control that XML 1.0 does not allow: becomes U+FFFD
    high       // 0x80 and above: converted by the code page
};

constexpr std::array<unsigned char, 256> MakeClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int b = 0; b < 0x20; ++b)
        classes[b] = (b == '\t' || b == '\n' || b == '\r') ? plain : forbidden;
    for (int b = 0x80; b < 0x100; ++b)
        classes[b] = high;
    classes['&'] = ampersand;
    classes['<'] = lessThan;
    classes['>'] = greaterThan;
    return classes;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

const char kReplacementUtf8[] = "\xEF\xBF\xBD";

// The escape of a markup byte after its '&', or empty for any other byte.
std::string_view EscapeRestOf(unsigned char b)
{
    switch (kClasses[b])
    {
    case ampersand:
        return "amp;";
    case lessThan:
        return "lt;";
    case greaterThan:
        return "gt;";
    default:
        return {};
    }
}

// What each byte becomes when it stands alone: itself, its escape, U+FFFD, or the code
// page's character. A lead byte has length 0: what it becomes depends on the next byte.
using ByteUnits = std::array<bytecopy::Unit, 256>;

bytecopy::Unit MakeUnit(std::string_view bytes)
{
    bytecopy::Unit unit{};
    std::memcpy(unit.bytes, bytes.data(), bytes.size());
    unit.nLen = static_cast<unsigned char>(bytes.size());
    return unit;
}

// The units of a code page's bytes; table is null when the page has no converter, and
// every byte of 0x80 and above then becomes U+FFFD, unconverted but no stray byte in a
// document declared UTF-8.
ByteUnits MakeUnits(const plat::CCodePageTable* table)
{
    ByteUnits units;
    for (int b = 0; b < 0x100; ++b)
    {
        const auto c = static_cast<unsigned char>(b);
        switch (kClasses[c])
        {
        case plain:
            units[c] = MakeUnit(std::string_view(reinterpret_cast<const char*>(&c), 1));
            break;
        case ampersand:
            units[c] = MakeUnit("&amp;");
            break;
        case lessThan:
            units[c] = MakeUnit("&lt;");
            break;
        case greaterThan:
            units[c] = MakeUnit("&gt;");
            break;
        case forbidden:
            units[c] = MakeUnit(kReplacementUtf8);
            break;
        case high:
            if (!table)
                units[c] = MakeUnit(kReplacementUtf8);
            else if (table->IsLead(c))
                units[c] = bytecopy::Unit{};
            else
                units[c] = MakeUnit(std::string_view(table->Single(c).bytes,
                                                     table->Single(c).nLen));
            break;
        }
    }
    return units;
}

// The units of the bytes from 0x80 up as rows, for the paths that convert sixteen bytes
// at once: each unit's first, second and third byte, then its length (a lead byte's is
// 0), and the row of a lead byte's pairs less one. A unit longer than three bytes leaves
// a page without them.
struct alignas(64) CHighRows
{
    unsigned char bytes[4][128];
    unsigned char pairRow[128];
};

bool MakeHighRows(const plat::CCodePageTable* table, const ByteUnits& units, CHighRows& rows)
{
    for (int b = 0; b < 128; ++b)
    {
        const bytecopy::Unit& unit = units[0x80 + b];
        if (unit.nLen > 3)
            return false;
        for (int k = 0; k < 3; ++k)
            rows.bytes[k][b] = static_cast<unsigned char>(unit.bytes[k]);
        rows.bytes[3][b] = unit.nLen;
        const unsigned char nRow = table ? table->LeadRow(static_cast<unsigned char>(0x80 + b)) : 0;
        rows.pairRow[b] = static_cast<unsigned char>(nRow - 1); // only read for a lead byte
    }
    // Every lead byte is from 0x80 up, which the rows take for granted.
    for (int b = 0; b < 0x80; ++b)
        if (table && table->IsLead(static_cast<unsigned char>(b)))
            return false;
    return true;
}

struct CTableUnits
{
    const plat::CCodePageTable* table;
    ByteUnits units;
    CHighRows highRows;
    bool bHighRows;
};

// Builds the units of a table on first use, once per process, and keeps them: a process
// converts with a page or two.
[[gnu::noinline]] const CTableUnits& LoadUnits(const plat::CCodePageTable* table)
{
    static std::mutex s_mutex;
    static std::map<const plat::CCodePageTable*, std::unique_ptr<CTableUnits>> s_units;
    std::lock_guard<std::mutex> lock(s_mutex);
    std::unique_ptr<CTableUnits>& units = s_units[table];
    if (!units)
    {
        units.reset(new CTableUnits{table, MakeUnits(table), {}, false});
        units->bHighRows = MakeHighRows(table, units->units, units->highRows);
    }
    return *units;
}

const CTableUnits& UnitsOf(const plat::CCodePageTable* table)
{
    // The last units asked for, for every thread; never changed once built. Not a
    // thread_local: in a mingw build each use of one is a call into the runtime.
    static std::atomic<const CTableUnits*> s_pLast{nullptr};
    const CTableUnits* pLast = s_pLast.load(std::memory_order_acquire);
    if (pLast && pLast->table == table)
        return *pLast;
    const CTableUnits& units = LoadUnits(table);
    s_pLast.store(&units, std::memory_order_release);
    return units;
}

#ifdef SQK2XML_BYTE_COMPRESS
// Whether each of the first n (up to sixteen) bytes at p is plain ASCII or from 0x80 up:
// no markup and no control byte, whose units the rows do not hold.
bool IsPlainOrHighBlock16(const char* p, size_t n)
{
    const auto high = static_cast<uint64_t>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    return (textscan::SpecialMask16(p) & ~high & ((1u << n) - 1)) == 0;
}

// Each of the sixteen bytes at p as it stands alone, as rows (see simd::PutByteForms16):
// ASCII as it is, the bytes from 0x80 up from the table's rows.
SQK2XML_TARGET_BYTE_COMPRESS __m512i SingleByteRows(const char* p, const CHighRows& table)
{
    // The block in every quarter: each quarter of the rows looks up its own row of the
    // table, a byte's low seven bits picking one of the row's 128 entries.
    const __m512i blocks = _mm512_maskz_broadcast_i32x4(
        0xFFFF, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    const auto* row = reinterpret_cast<const __m512i*>(table.bytes);
    __m512i rows = _mm512_permutex2var_epi8(row[0], blocks, row[1]);
    for (int k = 1; k < 4; ++k)
        rows = _mm512_mask_blend_epi8(simd::kRowBytes[k], rows,
                                      _mm512_permutex2var_epi8(row[2 * k], blocks, row[2 * k + 1]));
    // An ASCII byte is its own form, one byte long.
    const __mmask64 ascii = ~_mm512_movepi8_mask(blocks);
    rows = _mm512_mask_blend_epi8(ascii & simd::kRowBytes[0], rows, blocks);
    return _mm512_mask_blend_epi8(ascii & simd::kRowBytes[3], rows, _mm512_set1_epi8(1));
}

// The first n (up to sixteen) bytes of a page without lead bytes, none of them markup or a
// control byte, each as its unit.
SQK2XML_TARGET_BYTE_COMPRESS char* PutHighBlock16(const char* p, size_t n, const CHighRows& table,
                                                  char* o)
{
    return simd::PutFormLanes16(
        _mm512_maskz_mov_epi32(static_cast<__mmask16>((1u << n) - 1),
                               simd::FormLanes(SingleByteRows(p, table))),
        o);
}

// The lead bytes of a block that begin a pair, given the block's lead bytes (one bit each),
// its first byte beginning a character. A run of lead bytes begins a character, since the
// byte before it ends one, alone or as a pair's second byte; within the run every other
// byte begins a pair, the others being second bytes.
unsigned PairStarts(unsigned leads)
{
    const unsigned runStarts = leads & ~(leads << 1);
    // Adding a run's first bit clears the run: what it clears are the runs begun at even
    // places.
    const unsigned evenRuns = leads & ~(leads + (runStarts & 0x5555u));
    const unsigned oddRuns = leads & ~evenRuns;
    return (evenRuns & 0x5555u) | (oddRuns & 0xAAAAu);
}

// The sixteen bytes at p of a page with lead bytes, p beginning a character and p + 16
// readable, as EncodeAfterPlainPrefix's loop encodes them: each single byte its unit, each
// pair its character. A pair begun by the last byte is left for the next block. Null,
// with nothing written, for a block with markup or a control byte, or a pair that is no
// character: the loop takes those. *pnTaken tells how many bytes were encoded. (Not for
// the shorter blocks at a text's end: for the few pairs there the table lookups for
// sixteen cost more than the loop.)
SQK2XML_TARGET_BYTE_COMPRESS char* PutDoubleByteBlock16(const char* p, const CHighRows& rows,
                                                        const plat::CCodePageTable& table,
                                                        char* o, size_t* pnTaken)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __mmask16 high = _mm_movepi8_mask(block);
    if (textscan::SpecialMask16(p) & ~high)
        return nullptr;
    // Lead bytes: those whose row of pairs is a row (0xFF is "none", less one).
    const __m128i pairRows = _mm512_maskz_extracti32x4_epi32(
        0xF,
        _mm512_permutex2var_epi8(_mm512_load_si512(rows.pairRow), _mm512_zextsi128_si512(block),
                                 _mm512_load_si512(rows.pairRow + 64)),
        0);
    const __mmask16 leads =
        high & ~_mm_cmpeq_epi8_mask(pairRows, _mm_set1_epi8(static_cast<char>(0xFF)));
    unsigned starts = PairStarts(leads);
    const unsigned seconds = (starts << 1) & 0xFFFFu;
    *pnTaken = starts & 0x8000u ? 15 : 16;
    starts &= 0x7FFFu;
    // Each pair's form, from its row and its second byte: four bytes read at each form
    // (its length, then its three bytes), turned to put the length last. (Masked forms:
    // this compiler's unmasked ones leave a register undefined and warn of it.)
    const __m512i second = _mm512_maskz_cvtepu8_epi32(
        0xFFFF, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)));
    const __m512i index = _mm512_or_si512(
        _mm512_maskz_slli_epi32(0xFFFF, _mm512_maskz_cvtepu8_epi32(0xFFFF, pairRows), 8), second);
    const __m512i offset =
        _mm512_add_epi32(_mm512_maskz_slli_epi32(0xFFFF, index, 2), index); // 5 bytes a form
    static_assert(sizeof(plat::CCodePageTable::Utf8) == 5 &&
                  offsetof(plat::CCodePageTable::Utf8, bytes) == 1);
    const __m512i pairs = _mm512_maskz_ror_epi32(
        0xFFFF,
        _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), static_cast<__mmask16>(starts), offset,
                                    table.PairRows(), 1),
        8);
    const __m512i lengths = _mm512_maskz_srli_epi32(0xFFFF, pairs, 24);
    if (_mm512_mask_cmpgt_epu32_mask(static_cast<__mmask16>(starts),
                                     _mm512_sub_epi32(lengths, _mm512_set1_epi32(1)),
                                     _mm512_set1_epi32(2)))
        return nullptr; // no character, or one of four bytes
    // The single bytes' forms, the pairs' in their first bytes' lanes, nothing in their
    // second bytes' and past what is taken.
    __m512i lanes = simd::FormLanes(SingleByteRows(p, rows));
    lanes = _mm512_mask_mov_epi32(lanes, static_cast<__mmask16>(starts), pairs);
    const auto shown = static_cast<__mmask16>(~seconds & ((1u << *pnTaken) - 1));
    return simd::PutFormLanes16(_mm512_maskz_mov_epi32(shown, lanes), o);
}
#endif

// True for a byte that is neither markup nor a control byte. One test, not two: the
// second byte of a pair is as often below 0x80 as above it, which would make a branch on
// either alone a guess.
bool IsPlainOrHigh(unsigned char b)
{
    return ((1u << kClasses[b]) & (1u << plain | 1u << high)) != 0;
}

constexpr size_t kEncodeBlock = plat::tuning::kEncodeBlockBytes;



// The text, of which the first i bytes need no encoding, encoded into strOut.
//
// The escaping and the conversion are done in one pass. That gives what escaping first and
// converting afterwards gives: the escapes are ASCII, and a lead byte before markup takes
// the '&' of the escape with it, as the system's conversion of the escaped text does.
void EncodeAfterPlainPrefix(CPaddedText text, size_t i, CString& strOut)
{
    const size_t n = text.size();
    const plat::CCodePageTable* table = plat::GetCodePageTable(plat::GetACP());
    const CTableUnits& tableUnits = UnitsOf(table);
    const ByteUnits& units = tableUnits.units;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    // Without lead bytes every byte is its unit, and the loop below needs no test.
    const bool bDoubleByte = table && table->HasLeadBytes();
#ifdef SQK2XML_BYTE_COMPRESS
    const bool bHighBlocks = tableUnits.bHighRows && simd::ByteCompressUsed();
#endif

    strOut.AssignPadded(text.Sub(0, static_cast<int>(i)));
    size_t nOut = i;
    while (i < n)
    {
        // The output is written in place, a block at a time, with room for the worst
        // case: five bytes ("&amp;") for each byte, and a few more for whole-word stores.
        const size_t nBlockEnd = i + std::min(n - i, kEncodeBlock);
        char* const out =
            strOut.GetBufferSetLength(static_cast<int>(nOut + 5 * (nBlockEnd - i) + 8));
        char* o = out + nOut;
        while (i < nBlockEnd)
        {
            // Sixteen bytes that need no encoding are copied as they are. Any other
            // sixteen are encoded at once where the processor compresses bytes and they
            // hold no markup and no control byte, else byte by byte.
            if (i + 16 <= nBlockEnd && textscan::IsPlainBlock16(text.data() + i))
            {
                std::memcpy(o, text.data() + i, 16);
                o += 16;
                i += 16;
                continue;
            }
            const size_t nStop = std::min(i + 16, nBlockEnd);
            if (!bDoubleByte)
            {
#ifdef SQK2XML_BYTE_COMPRESS
                if (bHighBlocks && IsPlainOrHighBlock16(text.data() + i, nStop - i))
                {
                    o = PutHighBlock16(text.data() + i, nStop - i, tableUnits.highRows, o);
                    i = nStop;
                    continue;
                }
#endif
                for (; i < nStop; ++i)
                    o = bytecopy::PutUnit(o, units[p[i]]);
                continue;
            }
#ifdef SQK2XML_BYTE_COMPRESS
            if (bHighBlocks && i + 16 <= nBlockEnd)
            {
                size_t nTaken = 0;
                if (char* oEnd = PutDoubleByteBlock16(text.data() + i, tableUnits.highRows,
                                                      *table, o, &nTaken))
                {
                    o = oEnd;
                    i += nTaken;
                    continue;
                }
            }
#endif
            while (i < nStop)
            {
                const unsigned char b = p[i];
                if (units[b].nLen != 0)
                {
                    o = bytecopy::PutUnit(o, units[b]);
                    ++i;
                    continue;
                }
                // Past the text's end the next byte is taken for the zero that ends it.
                const unsigned char trail = i + 1 < n ? p[i + 1] : 0;
                if (IsPlainOrHigh(trail))
                {
                    // A lead byte takes the next byte with it, even when the pair is no
                    // character.
                    const plat::CCodePageTable::Utf8& c = table->PairOrSubstitute(b, trail);
                    std::memcpy(o, c.bytes, sizeof c.bytes);
                    o += c.nLen;
                    i += 2;
                    continue;
                }
                if (trail != 0)
                {
                    // Before markup the next byte is the '&' of its escape, which goes with
                    // the lead byte; the rest of the escape follows. A control byte goes
                    // with it as it is.
                    const std::string_view escapeRest = EscapeRestOf(trail);
                    const plat::CCodePageTable::Utf8& c =
                        table->PairOrSubstitute(b, escapeRest.empty() ? trail : '&');
                    std::memcpy(o, c.bytes, sizeof c.bytes);
                    o += c.nLen;
                    o = bytecopy::Put(o, escapeRest.data(), escapeRest.size());
                    i += 2;
                    continue;
                }
                // A lead byte at the end, or before a zero byte, stands alone.
                const plat::CCodePageTable::Utf8& single = table->Single(b);
                std::memcpy(o, single.bytes, sizeof single.bytes);
                o += single.nLen;
                ++i;
            }
        }
        nOut = static_cast<size_t>(o - out);
    }
    strOut.Truncate(static_cast<int>(nOut));
}
} // namespace

void CPlaylistConverter::EncodeText(CString& strText)
{
    const auto n = static_cast<size_t>(strText.GetLength());
    const size_t nPlain = textscan::PlainPrefixLength(strText.GetData(), n);
    if (nPlain == n)
        return; // plain ASCII: the same bytes in UTF-8
    // m_strEncoded keeps its storage from call to call; swapped with the text, so both
    // buffers stop growing once they fit the longest value.
    EncodeAfterPlainPrefix(strText, nPlain, m_strEncoded);
    strText.Swap(m_strEncoded);
}

void CPlaylistConverter::EncodeTextInto(CPaddedText text, CString& strOut)
{
    const size_t nPlain = textscan::PlainPrefixLength(text.data(), text.size());
    if (nPlain == text.size())
        strOut.AssignPadded(text); // plain ASCII: the same bytes in UTF-8
    else
        EncodeAfterPlainPrefix(text, nPlain, strOut);
}
