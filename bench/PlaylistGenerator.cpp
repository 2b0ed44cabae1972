#include "PlaylistGenerator.h"

#include <iterator>

namespace sqkgen
{
namespace
{
const char kSeparator = '\x01';

const char* const kAsciiWords[] = {
    "Neon",    "Harbour", "Night",   "Drive",   "Tail",    "Lights",  "Blue",    "River",
    "Silver",  "Morning", "Echo",    "Valley",  "Paper",   "Moon",    "Static",  "Garden",
    "Glass",   "Engine",  "Summer",  "Rain",    "Broken",  "Radio",   "Golden",  "Hour",
    "Lantern", "Signal",  "Distant", "Shore",   "Velvet",  "Underground", "Northern", "Line",
    "Heavy",   "Weather", "Second",  "Nature",  "Little",  "Wings",   "Open",    "Road",
    "Falling", "Stars",   "Kitchen", "Sink",    "City",    "Of",      "The",     "And",
    "Winter",  "Light",   "Ocean",   "Floor",   "Empty",   "Rooms",   "Late",    "Train",
    "Wild",    "Horses",  "Copper",  "Sky",     "Quiet",   "Storm",   "Last",    "Dance",
};

// Code page 1252 text: accented letters, and the punctuation that lives in 0x80..0x9F.
const char* const kLatinWords[] = {
    "Caf\xE9",          "Cr\xE8me",         "Br\xFC" "cke",       "M\xF6tley",
    "Se\xF1or",         "Gar\xE7on",        "Stra\xDF" "e",       "\xC5sa",
    "Bj\xF8rn",         "\xC6ther",         "D\xE9j\xE0",         "\xDC" "ber",
    "Na\xEFve",         "Fa\xE7" "ade",     "Sm\xF6rg\xE5s",      "\x80uro",
    "\x93" "Amour\x94", "\x96",             "Encore\x85",         "Ni\xF1o",
    "Fran\xE7oise",     "Z\xFCrich",        "\xC9t\xE9",          "\xD8resund",
    "Ma\xF1" "ana",     "Cora\xE7\xE3o",    "S\xE3o",             "Le\xF3n",
    "R\xEAve",          "F\xEAte",          "Gl\xFC" "ck",        "K\xF6nig",
    "C\x9Cur",          "Dvo\x9A\xE1k",     "\x8A" "ostakovi\xE8", "Ol\xE9",
};

const char* const kGenres[] = {"Rock",   "Pop",       "Jazz",      "Electronic", "Synthwave",
                               "Folk",   "Classical", "Hip-Hop",   "Ambient",    "Blues",
                               "Metal",  "Soul",      "Reggae",    "Chanson",    "Country"};

struct TypeChoice
{
    unsigned nWeight;
    int nType;
    const char* pszExtension;
};
const TypeChoice kTypes[] = {
    {60, 7, "mp3"},  {15, 11, "flac"}, {8, 9, "ogg"},  {5, 10, "wma"}, {4, 8, "wav"},
    {4, 13, "m4a"},  {1, 1, "mod"},    {1, 4, "s3m"},  {1, 14, "ape"}, {1, 17, "mpc"},
};

template <typename T, size_t N>
const T& Pick(CRandom& random, const T (&items)[N])
{
    return items[random.Below(static_cast<std::uint32_t>(N))];
}
} // namespace

std::uint64_t CRandom::Next()
{
    std::uint64_t z = (m_nState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint32_t CRandom::Below(std::uint32_t n)
{
    return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
}

CPlaylistGenerator::CPlaylistGenerator(const GeneratorOptions& options)
    : m_options(options), m_random(options.nSeed)
{
}

std::string CPlaylistGenerator::Header() const
{
    if (!m_options.bHeader)
        return {};
    return m_options.bCrLf ? "#Sonquill playlist\r\n" : "#Sonquill playlist\n";
}

void CPlaylistGenerator::AppendJapanese(std::string& out, unsigned nChars)
{
    for (unsigned i = 0; i < nChars; ++i)
    {
        const unsigned nKind = m_random.Below(16);
        if (nKind < 6) // hiragana
        {
            out += '\x82';
            out += static_cast<char>(0x9F + m_random.Below(0xF1 - 0x9F + 1));
        }
        else if (nKind < 10) // katakana; no trail byte 0x7F in this row
        {
            unsigned trail = 0x40 + m_random.Below(0x96 - 0x40);
            if (trail >= 0x7F)
                ++trail;
            out += '\x83';
            out += static_cast<char>(trail);
        }
        else if (nKind < 14) // kanji from rows that are full in every vendor's table
        {
            unsigned trail = 0x40 + m_random.Below(0xFC - 0x40);
            if (trail >= 0x7F)
                ++trail;
            out += static_cast<char>(0x89 + m_random.Below(0x97 - 0x89 + 1));
            out += static_cast<char>(trail);
        }
        else if (nKind == 14) // characters whose trail byte is a backslash
        {
            out += m_random.Below(2) ? "\x95\x5C" : "\x83\x5C";
        }
        else // half-width katakana: single bytes above 0xA0
        {
            out += static_cast<char>(0xB1 + m_random.Below(0xDD - 0xB1 + 1));
        }
    }
}

std::string CPlaylistGenerator::Words(unsigned nMin, unsigned nMax, bool bLatin, bool bJapanese)
{
    std::string text;
    const unsigned nWords = nMin + m_random.Below(nMax - nMin + 1);
    for (unsigned i = 0; i < nWords; ++i)
    {
        if (i)
            text += ' ';
        if (bJapanese && m_random.Below(4) != 0)
            AppendJapanese(text, 2 + m_random.Below(5));
        else if (bLatin && m_random.Below(2) == 0)
            text += Pick(m_random, kLatinWords);
        else
            text += Pick(m_random, kAsciiWords);
    }
    return text;
}

bool MixByName(const std::string& name, Mix& mix)
{
    const std::pair<const char*, Mix> kNames[] = {
        {"ascii", Mix::ascii},       {"latin", Mix::latin},     {"cyrillic", Mix::cyrillic},
        {"japanese", Mix::japanese}, {"chinese", Mix::chinese},
    };
    for (const auto& [pszName, value] : kNames)
    {
        if (name == pszName)
        {
            mix = value;
            return true;
        }
    }
    return false;
}

unsigned CodePageOf(Mix mix)
{
    switch (mix)
    {
    case Mix::cyrillic:
        return 1251;
    case Mix::japanese:
        return 932;
    case Mix::chinese:
        return 936;
    default:
        return 1252;
    }
}

void CPlaylistGenerator::AppendCyrillicWord(std::string& out)
{
    // Code page 1251: capitals from 0xC0, small letters from 0xE0, thirty-two of each.
    out += static_cast<char>(0xC0 + m_random.Below(32));
    for (unsigned i = 0, n = 2 + m_random.Below(7); i < n; ++i)
        out += static_cast<char>(0xE0 + m_random.Below(32));
}

void CPlaylistGenerator::AppendChineseWord(std::string& out)
{
    // Code page 936: the first level of common characters, rows 0xB0 to 0xD6, all full.
    for (unsigned i = 0, n = 2 + m_random.Below(3); i < n; ++i)
    {
        out += static_cast<char>(0xB0 + m_random.Below(0xD6 - 0xB0 + 1));
        out += static_cast<char>(0xA1 + m_random.Below(0xFE - 0xA1 + 1));
    }
}

std::string CPlaylistGenerator::MixWords()
{
    std::string text;
    const unsigned nWords = 2 + m_random.Below(2);
    for (unsigned i = 0; i < nWords; ++i)
    {
        if (i)
            text += m_random.Below(24) ? " " : Pick(m_random, {" & ", " <", "> "});
        // Now and then a word in English, as in every language's titles.
        const bool bNative = m_options.mix != Mix::ascii && m_random.Below(5) != 0;
        if (!bNative)
            text += Pick(m_random, kAsciiWords);
        else if (m_options.mix == Mix::latin)
            text += Pick(m_random, kLatinWords);
        else if (m_options.mix == Mix::cyrillic)
            AppendCyrillicWord(text);
        else if (m_options.mix == Mix::japanese)
            AppendJapanese(text, 2 + m_random.Below(4));
        else
            AppendChineseWord(text);
    }
    return text;
}

std::string CPlaylistGenerator::MakeTitle(bool bLatin, bool bJapanese)
{
    return Words(2, 5, bLatin, bJapanese);
}

void CPlaylistGenerator::AppendSegment(std::string& out, const char* pszTag,
                                       const std::string& value)
{
    out += kSeparator;
    out += pszTag;
    out += ':';
    out += value;
}

void CPlaylistGenerator::AppendDamage(std::string& out)
{
    const unsigned nKind = m_random.Below(12);
    switch (nKind)
    {
    case 0: // two separators in a row, or one at the end
        out += kSeparator;
        break;
    case 1: // too short to carry a value
        out += kSeparator;
        out += Pick(m_random, {"NAM", "TYPE", "SIZE:", "", "ATST"});
        break;
    case 2: // a tag that is not one of the twelve, or in the wrong case
    {
        // One draw per statement: the order in which arguments are evaluated is the
        // compiler's, and the output must not depend on it.
        const char* pszTag = Pick(m_random, {"XTRA", "name", "Atst", "COMM", "RATING"});
        AppendSegment(out, pszTag, Words(1, 3, false, false));
        break;
    }
    case 3: // a type number outside the table, or no number at all
        AppendSegment(out, "TYPE", Pick(m_random, {"abc", "0", "99", "-4", " 7x", "18", ""}));
        break;
    case 4: // markup characters in a value
    {
        const char* pszTag = Pick(m_random, {"NAME", "ATST", "ALBM", "GENR"});
        AppendSegment(out, pszTag,
                      Pick(m_random, {"R&B", "<live>", "Rock & Roll <remix>", "a > b", "&amp;"}));
        break;
    }
    case 5: // a very long value
    {
        std::string value;
        const unsigned nWords = 100 + m_random.Below(400);
        for (unsigned i = 0; i < nWords; ++i)
            value.append(Pick(m_random, kAsciiWords)).append(" ");
        AppendSegment(out, "ALBM", value);
        break;
    }
    case 6: // a lone CR inside the line
        AppendSegment(out, "NAME", "Carriage\rReturn");
        break;
    case 7: // the same tag twice: the later one wins
        AppendSegment(out, "NAME", "First");
        AppendSegment(out, "NAME", "Second");
        break;
    case 8: // a five-byte segment that grows past six bytes when escaped
        out += kSeparator;
        out += "NAME&";
        break;
    case 9: // dots and backslashes in a segment
        AppendSegment(out, "ALBM", "Vol. 2\\Live.Take");
        break;
    case 10: // a separator in place of the fifth byte, and a bare tag with a value
        out += kSeparator;
        out += "YEAR";
        out += kSeparator;
        out += "1999";
        break;
    default: // arbitrary bytes, when allowed
        if (!m_options.bRawBytes)
        {
            AppendSegment(out, "GENR", "Drum & Bass");
            break;
        }
        out += kSeparator;
        for (unsigned i = 0, n = 1 + m_random.Below(40); i < n; ++i)
        {
            char b;
            do
                b = static_cast<char>(2 + m_random.Below(254));
            while (b == '\n' || b == '\x1A');
            out += b;
        }
        break;
    }
}

void CPlaylistGenerator::AppendEntry(std::string& out)
{
    ++m_nTrack;
    const unsigned nScript = m_random.Below(100);
    const bool bJapanese = nScript < m_options.nJapanesePercent;
    const bool bLatin =
        !bJapanese && nScript < m_options.nJapanesePercent + m_options.nLatinPercent;
    const bool bDamaged = m_random.Percent(m_options.nMalformedPercent);
    const char* pszLineEnd = m_options.bCrLf ? "\r\n" : "\n";

    // Damage that concerns the whole line rather than one segment.
    if (bDamaged)
    {
        switch (m_random.Below(6))
        {
        case 0: // an empty line
            out += pszLineEnd;
            return;
        case 1: // no path: the line starts with a separator
            AppendSegment(out, "NAME", Words(1, 3, bLatin, bJapanese));
            out += pszLineEnd;
            return;
        case 2: // a path and nothing else
            out += "C:\\Music\\Loose\\";
            out += Words(1, 3, bLatin, bJapanese);
            out += ".mp3";
            out += pszLineEnd;
            return;
        default: // a damaged segment among the others, below
            break;
        }
    }

    const bool bMix = m_options.mix != Mix::none;
    const std::string artist = bMix ? MixWords() : Words(1, 3, bLatin, bJapanese);
    const std::string album = bMix ? MixWords() : Words(1, 4, bLatin, bJapanese);
    const std::string title = bMix ? MixWords() : Words(1, 5, bLatin, bJapanese);
    std::uint32_t nTotal = 0;
    for (const TypeChoice& t : kTypes)
        nTotal += t.nWeight;
    std::uint32_t nChoice = m_random.Below(nTotal);
    const TypeChoice* type = kTypes;
    while (nChoice >= type->nWeight)
        nChoice -= type++->nWeight;
    const unsigned nTrackNum = 1 + m_random.Below(18);
    const unsigned nSeconds = 60 + m_random.Below(540);
    const unsigned nBitrate = Pick(m_random, {128u, 160u, 192u, 256u, 320u, 1411u});

    switch (m_random.Below(20))
    {
    case 0: // relative to the playlist's folder
        out += "Music\\";
        break;
    case 1:
        out += "\\\\nas\\music\\";
        break;
    case 2:
        out += "D:\\Audio\\";
        break;
    default:
        out += "C:\\Music\\";
        break;
    }
    out += artist;
    out += '\\';
    out += album;
    out += '\\';
    if (nTrackNum < 10)
        out += '0';
    out += std::to_string(nTrackNum);
    out += ' ';
    out += title;
    out += '.';
    out += type->pszExtension;

    AppendSegment(out, "NAME", title);
    AppendSegment(out, "ATST", artist);
    AppendSegment(out, "ALBM", album);
    if (bMix || m_random.Below(10) != 0)
        AppendSegment(out, "GENR", bMix ? MixWords() : Pick(m_random, kGenres));
    if (bMix || m_random.Below(10) != 0)
        AppendSegment(out, "YEAR", std::to_string(1960 + m_random.Below(66)));
    AppendSegment(out, "TRKN", std::to_string(nTrackNum));
    AppendSegment(out, "TYPE", std::to_string(type->nType));
    AppendSegment(out, "SIZE", std::to_string(std::uint64_t(nSeconds) * nBitrate * 125u +
                                              m_random.Below(4096)));
    AppendSegment(out, "TIME", std::to_string(nSeconds));
    AppendSegment(out, "RATE", std::to_string(nBitrate));
    AppendSegment(out, "FREQ", Pick(m_random, {"44100", "48000", "22050", "96000"}));
    AppendSegment(out, "CHNL", m_random.Below(8) ? "2" : "1");
    if (bDamaged)
        AppendDamage(out);
    out += pszLineEnd;
}

std::string CPlaylistGenerator::Generate(const GeneratorOptions& options)
{
    CPlaylistGenerator generator(options);
    std::string text = generator.Header();
    if (options.nTargetBytes)
    {
        std::string line;
        for (;;)
        {
            line.clear();
            generator.AppendEntry(line);
            if (text.size() + line.size() > options.nTargetBytes)
                break;
            text += line;
        }
        return text;
    }
    for (std::uint64_t i = 0; i < options.nEntries; ++i)
        generator.AppendEntry(text);
    return text;
}

} // namespace sqkgen
