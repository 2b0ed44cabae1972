#include "ExportText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "Simd.h"
#ifdef SQK2XML_BYTE_COMPRESS
#include "ByteForms.h"
#endif

namespace exporttext
{
namespace
{
// Byte classes as tables: the values are short, and a call or a chain of tests per byte
// would cost more than the rule itself.
constexpr std::array<bool, 256> ClassOf(std::string_view bytes, bool bAlnum = false)
{
    std::array<bool, 256> table{};
    for (const char ch : bytes)
        table[static_cast<unsigned char>(ch)] = true;
    for (unsigned b = 0; bAlnum && b < 256; ++b)
        table[b] |= (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
    return table;
}
// What a URI keeps as it is: the unreserved characters and '/'.
constexpr auto kUriPlain = ClassOf("-._~/", true);
constexpr auto kDigit = ClassOf("0123456789");

// Each byte's form in a URI, with its length: the byte itself when a URI keeps it, '/'
// for a backslash, "%XX" for any other. A table, so that a byte to encode costs no branch.
constexpr std::array<bytecopy::Unit, 256> MakeUriForms()
{
    constexpr char kHex[] = "0123456789ABCDEF";
    std::array<bytecopy::Unit, 256> forms{};
    for (unsigned b = 0; b < 256; ++b)
    {
        if (kUriPlain[b] || b == '\\')
            forms[b] = {{b == '\\' ? '/' : static_cast<char>(b)}, 1};
        else
            forms[b] = {{'%', kHex[b >> 4], kHex[b & 15]}, 3};
    }
    return forms;
}
constexpr auto kUriForms = MakeUriForms();
static_assert(kUriForms['\\'].nLen == 1 && kUriForms[' '].nLen == 3 && kUriForms[0xC3].nLen == 3);

#ifdef SQK2XML_SSE2
// The bytes of a block from lo to hi (both below 0x80), as a mask of whole bytes.
__m128i InRange(__m128i block, char lo, char hi)
{
    return _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8(static_cast<char>(lo - 1))),
                         _mm_cmplt_epi8(block, _mm_set1_epi8(static_cast<char>(hi + 1))));
}

// One bit for each of the sixteen bytes at s that a URI keeps as it is: kUriPlain's
// bytes. '-', '.', '/' and the digits are one range; the letters another once lower-cased.
unsigned KeptMask16(const char* s)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i kept = _mm_or_si128(
        _mm_or_si128(InRange(block, '-', '9'),
                     InRange(_mm_or_si128(block, _mm_set1_epi8(0x20)), 'a', 'z')),
        _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('_')),
                     _mm_cmpeq_epi8(block, _mm_set1_epi8('~'))));
    return static_cast<unsigned>(_mm_movemask_epi8(kept));
}

// The sixteen bytes at s, each as "%XX", at p: the hex digits of a whole block are worked
// out at once, then each byte's three go in place. For a path in Cyrillic, Greek or CJK
// letters, most of whose bytes are encoded.
char* PutPercentBlock(const char* s, char* p)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const auto hexDigits = [](__m128i n) {
        const __m128i over9 = _mm_cmpgt_epi8(n, _mm_set1_epi8(9));
        return _mm_add_epi8(_mm_add_epi8(n, _mm_set1_epi8('0')),
                            _mm_and_si128(over9, _mm_set1_epi8('A' - '0' - 10)));
    };
    const __m128i high = hexDigits(_mm_and_si128(_mm_srli_epi16(block, 4), nibble));
    const __m128i low = hexDigits(_mm_and_si128(block, nibble));
    // Four bytes a byte, "%", its high digit, its low digit and a zero, in byte order.
    const __m128i percentHigh[2] = {_mm_unpacklo_epi8(_mm_set1_epi8('%'), high),
                                    _mm_unpackhi_epi8(_mm_set1_epi8('%'), high)};
    const __m128i lowZero[2] = {_mm_unpacklo_epi8(low, _mm_setzero_si128()),
                                _mm_unpackhi_epi8(low, _mm_setzero_si128())};
    alignas(16) char forms[64];
    for (int half = 0; half < 2; ++half)
    {
        _mm_store_si128(reinterpret_cast<__m128i*>(forms + 32 * half),
                        _mm_unpacklo_epi16(percentHigh[half], lowZero[half]));
        _mm_store_si128(reinterpret_cast<__m128i*>(forms + 32 * half + 16),
                        _mm_unpackhi_epi16(percentHigh[half], lowZero[half]));
    }
    for (int k = 0; k < 16; ++k)
        std::memcpy(p + 3 * k, forms + 4 * k, 4); // its zero is written over by the next
    return p + 48;
}

#ifdef SQK2XML_BYTE_COMPRESS
// PutUriBlocks where the processor compresses bytes: every block's forms go out at once,
// whatever its mix of bytes kept and encoded.
SQK2XML_TARGET_BYTE_COMPRESS char* PutUriBlocksCompressed(CPaddedText text, char* p)
{
    const auto* s = text.data();
    const __m128i hexDigits = _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9',
                                            'A', 'B', 'C', 'D', 'E', 'F');
    const __m128i nibble = _mm_set1_epi8(0x0F);
    for (size_t i = 0; i < text.size(); i += 16)
    {
        const auto nBlock = static_cast<unsigned>(std::min<size_t>(16, text.size() - i));
        const auto inText = static_cast<__mmask16>((1u << nBlock) - 1);
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __mmask16 backslash = _mm_cmpeq_epi8_mask(block, _mm_set1_epi8('\\'));
        const auto percent = static_cast<__mmask16>(~KeptMask16(s + i) & ~backslash & inText);
        const __m128i first = _mm_mask_blend_epi8(
            percent, _mm_mask_blend_epi8(backslash, block, _mm_set1_epi8('/')), _mm_set1_epi8('%'));
        const __m128i high = _mm_shuffle_epi8(hexDigits, _mm_and_si128(_mm_srli_epi16(block, 4), nibble));
        const __m128i low = _mm_shuffle_epi8(hexDigits, _mm_and_si128(block, nibble));
        // "%XX" is three bytes, a byte kept or a backslash's '/' one; none past the text.
        const __m128i lengths = _mm_maskz_mov_epi8(
            inText, _mm_mask_blend_epi8(percent, _mm_set1_epi8(1), _mm_set1_epi8(3)));
        p = simd::PutByteForms16(simd::FormRows(first, high, low, lengths), p);
    }
    return p;
}
#endif

// One bit for each of the sixteen bytes at s that is a backslash.
unsigned BackslashMask16(const char* s)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\\'))));
}

// The URI form of a text without escapes, a block at a time: the runs of bytes kept as
// they are go as block copies, each other byte by its form from the table. Its length is
// told by the byte, not read with its form, so that where the next byte goes never waits
// for the table.
char* PutUriBlocks(CPaddedText text, char* p)
{
    const auto* s = text.data();
    for (size_t i = 0; i < text.size(); i += 16)
    {
        const auto nBlock = static_cast<unsigned>(std::min<size_t>(16, text.size() - i));
        unsigned changed = ~KeptMask16(s + i) & ((1u << nBlock) - 1);
        if (changed == 0xFFFF && BackslashMask16(s + i) == 0)
        {
            p = PutPercentBlock(s + i, p);
            continue;
        }
        if (simd::CountBits16(changed) > 4)
        {
            // Many bytes to encode, as in a path of non-Latin letters, or of Latin ones
            // with spaces (each accented letter is two): each byte by its form, with no
            // copies between them, which beats a copy for each run from five such bytes
            // in sixteen on. A backslash's form is one byte long.
            unsigned percent = changed & ~BackslashMask16(s + i);
            for (unsigned j = 0; j < nBlock; ++j, percent >>= 1)
            {
                const auto b = static_cast<unsigned char>(s[i + j]);
                std::memcpy(p, &kUriForms[b], sizeof kUriForms[b]);
                p += 1 + 2 * (percent & 1); // "%XX", or the byte or '/'
            }
            continue;
        }
        size_t nRunStart = i;
        for (; changed; changed &= changed - 1)
        {
            const size_t k = i + std::countr_zero(changed);
            std::memcpy(p, s + nRunStart, 16);
            p += k - nRunStart;
            const auto b = static_cast<unsigned char>(s[k]);
            std::memcpy(p, &kUriForms[b], sizeof kUriForms[b]);
            p += b == '\\' ? 1 : 3; // "/", or "%XX"
            nRunStart = k + 1;
        }
        std::memcpy(p, s + nRunStart, 16);
        p += i + nBlock - nRunStart;
    }
    return p;
}
#endif

bool AllDigits(std::string_view text)
{
    for (const char ch : text)
        if (!kDigit[static_cast<unsigned char>(ch)])
            return false;
    return !text.empty();
}

// An optional sign, then digits with a point among or after them ("-42", "+3.5", "-.5",
// "7."): a value that a spreadsheet reads as the number it is, not as a formula.
bool IsPlainNumber(std::string_view text)
{
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    const size_t nPoint = text.find('.');
    if (nPoint == std::string_view::npos)
        return AllDigits(text);
    const std::string_view whole = text.substr(0, nPoint), part = text.substr(nPoint + 1);
    return (whole.empty() || AllDigits(whole)) && (part.empty() || AllDigits(part)) &&
           text.size() > 1;
}

// Whether a value that begins like a formula is one: anything but a plain number.
bool IsFormula(std::string_view text)
{
    return !IsPlainNumber(text);
}

// The plain character of the escape at encoded[i], which is '&', and the escape's length.
char Unescape(std::string_view encoded, size_t i, size_t& nLength)
{
    static constexpr std::pair<std::string_view, char> kEscapes[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    for (const auto& [escape, plain] : kEscapes)
        if (encoded.substr(i, escape.size()) == escape)
        {
            nLength = escape.size();
            return plain;
        }
    nLength = 1; // no escape: EncodeText never leaves a bare '&', but a value may come from elsewhere
    return '&';
}

// The URI form of a text a byte at a time, its escapes undone first.
char* PutUriBytes(std::string_view text, char* p)
{
    for (size_t i = 0; i < text.size();)
    {
        auto b = static_cast<unsigned char>(text[i]);
        size_t nLength = 1;
        if (b == '&') // an escape, whose character is encoded
            b = static_cast<unsigned char>(Unescape(text, i, nLength));
        p = bytecopy::PutUnit(p, kUriForms[b]);
        i += nLength;
    }
    return p;
}

} // namespace

char* PutFileUri(CPaddedText padded, char* p)
{
    const std::string_view path = padded.View();
    const auto isSeparator = [](char ch) { return ch == '\\' || ch == '/'; };
    const bool bDrive = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                        (path.size() == 2 || isSeparator(path[2]));
    if (bDrive)
        p = PutText("file:///", p);
    else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        p = PutText("file:", p); // "//server/share/..." follows
    else if (!path.empty() && path[0] == '/')
        p = PutText("file://", p);

    size_t i = 0;
    if (bDrive)
    {
        *p++ = path[0];
        *p++ = ':'; // the drive's colon stays as it is
        i = 2;
    }
    const CPaddedText rest = padded.Sub(static_cast<int>(i), static_cast<int>(path.size() - i));
#ifdef SQK2XML_SSE2
    if (!HoldsAnyOf<'&'>(rest))
    {
#ifdef SQK2XML_BYTE_COMPRESS
        if (simd::ByteCompressUsed())
            return PutUriBlocksCompressed(rest, p);
#endif
        return PutUriBlocks(rest, p);
    }
#endif
    return PutUriBytes(rest.View(), p);
}

std::string_view NonNegativeInteger(std::string_view value)
{
    if (!AllDigits(value))
        return {};
    const size_t nFirst = value.find_first_not_of('0');
    return nFirst == std::string_view::npos ? value.substr(value.size() - 1) : value.substr(nFirst);
}

char* PutUnescapedFrom(CPaddedText padded, size_t i, char* p)
{
    const std::string_view encoded = padded.View();
    p = bytecopy::PutBlocks(p, encoded.data(), i);
    for (size_t nAmp = i; nAmp < encoded.size(); nAmp = FindAnyOf<'&'>(padded, i))
    {
        // The runs between escapes go as blocks.
        p = bytecopy::PutBlocks(p, encoded.data() + i, nAmp - i);
        size_t nLength = 1;
        *p++ = Unescape(encoded, nAmp, nLength);
        i = nAmp + nLength;
    }
    return bytecopy::PutBlocks(p, encoded.data() + i, encoded.size() - i);
}

char* PutChangedOnOneLine(CPaddedText encoded, char* p)
{
    char* const pStart = p;
    p = PutUnescaped(encoded, p);
    // Most values come here for an escape; the line breaks, which no escape makes, are
    // looked for a block at a time before any byte is passed over one by one.
    if (HoldsAnyOf<'\r', '\n'>(encoded))
        std::replace_if(pStart, p, [](char ch) { return ch == '\r' || ch == '\n'; }, ' ');
    return p;
}

char* PutChangedCsvField(CPaddedText padded, char* p)
{
    const std::string_view encoded = padded.View();
    const bool bFormula = !encoded.empty() && IsFormulaStart(encoded[0]) && IsFormula(encoded);
    const bool bQuoted = HoldsAnyOf<',', '"', '\r', '\n'>(padded);
    if (bQuoted)
        *p++ = '"';
    if (bFormula)
        *p++ = '\'';
    if (!bQuoted)
        return PutUnescaped(padded, p);
    // The runs between escapes and quotes go as blocks.
    size_t i = 0;
    for (size_t nStop = FindAnyOf<'&', '"'>(padded); nStop < encoded.size();
         nStop = FindAnyOf<'&', '"'>(padded, i))
    {
        p = bytecopy::PutBlocks(p, encoded.data() + i, nStop - i);
        size_t nLength = 1;
        const char ch = encoded[nStop] == '&' ? Unescape(encoded, nStop, nLength) : '"';
        if (ch == '"')
            *p++ = '"';
        *p++ = ch;
        i = nStop + nLength;
    }
    p = bytecopy::PutBlocks(p, encoded.data() + i, encoded.size() - i);
    *p++ = '"';
    return p;
}

} // namespace exporttext
