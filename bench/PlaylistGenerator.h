// Seeded, deterministic playlists for benchmarks and fuzz seeds.
//
// The same options and seed give the same bytes on every machine and compiler: the
// generator uses its own random number generator and no standard distribution, whose
// results the library is free to vary.
#pragma once

#include <cstdint>
#include <string>

namespace sqkgen
{

/// A whole playlist in one language: every entry has every tag, two or three words per
/// field, mostly in the language's script, and now and then "&" or "<" in a value.
/// Without a mix, entries follow the percentages below.
enum class Mix
{
    none,
    ascii,    ///< English words
    latin,    ///< code page 1252: accented letters in most fields
    cyrillic, ///< code page 1251
    japanese, ///< code page 932
    chinese   ///< code page 936
};

/// The mix of a name ("latin"), and the code page its text is in; false for no mix.
bool MixByName(const std::string& name, Mix& mix);
unsigned CodePageOf(Mix mix);

struct GeneratorOptions
{
    std::uint64_t nSeed = 1;
    Mix mix = Mix::none;
    /// Entries to write; used when nTargetBytes is 0.
    std::uint64_t nEntries = 1000;
    /// When non-zero, entries are written until the file would grow past this size.
    std::uint64_t nTargetBytes = 0;
    /// Percentage of entries whose names and tags use letters of code page 1252 above ASCII.
    unsigned nLatinPercent = 20;
    /// Percentage of entries whose names and tags are Japanese text in code page 932.
    unsigned nJapanesePercent = 0;
    /// Percentage of entries that carry a damaged segment or that are damaged lines.
    unsigned nMalformedPercent = 0;
    /// Allows damaged segments of arbitrary bytes (0x02 to 0xFF, never LF or 0x1A). Off by
    /// default: such bytes are not 1252 text, and other tools refuse them.
    bool bRawBytes = false;
    /// Line ends as written by the player (CR LF), or bare LF.
    bool bCrLf = true;
    /// The "#Sonquill playlist" first line.
    bool bHeader = true;
};

/// splitmix64: small, fast and fully specified.
class CRandom
{
public:
    explicit CRandom(std::uint64_t nSeed) : m_nState(nSeed) {}
    std::uint64_t Next();
    /// A number in [0, n); n > 0.
    std::uint32_t Below(std::uint32_t n);
    /// True with the given percentage.
    bool Percent(unsigned nPercent) { return Below(100) < nPercent; }

private:
    std::uint64_t m_nState;
};

/// Writes one playlist, entry by entry, through a sink.
class CPlaylistGenerator
{
public:
    explicit CPlaylistGenerator(const GeneratorOptions& options);

    /// The header line with its line end, or nothing when the options ask for none.
    std::string Header() const;
    /// Appends the next entry line with its line end.
    void AppendEntry(std::string& out);
    /// Just the values of a plausible entry, for the micro benchmarks.
    std::string MakeTitle(bool bLatin, bool bJapanese);

    /// The whole playlist as one string (for small playlists: seeds, tests, benchmarks).
    static std::string Generate(const GeneratorOptions& options);

private:
    std::string Words(unsigned nMin, unsigned nMax, bool bLatin, bool bJapanese);
    /// A field's text under the options' mix.
    std::string MixWords();
    void AppendJapanese(std::string& out, unsigned nChars);
    void AppendCyrillicWord(std::string& out);
    void AppendChineseWord(std::string& out);
    void AppendSegment(std::string& out, const char* pszTag, const std::string& value);
    void AppendDamage(std::string& out);

    GeneratorOptions m_options;
    CRandom m_random;
    std::uint64_t m_nTrack = 0;
};

} // namespace sqkgen
