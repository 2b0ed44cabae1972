// sqk2xml-fuzz-seeds OUTDIR: writes the generated seed inputs of the three fuzz targets
// into OUTDIR/conversion, OUTDIR/encode_text and OUTDIR/full_path. Small playlists from
// the playlist generator under every code page, and values and paths taken from them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlaylistGenerator.h"

namespace
{
namespace fs = std::filesystem;

// The order the fuzz targets use: the selector byte is an index into it.
const unsigned kCodePages[] = {874, 932, 936, 949, 950, 1250, 1251,
                               1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr size_t kMaxSeed = 4000; // below the run script's -max_len

bool g_bFailed = false;

void Write(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
    {
        std::fprintf(stderr, "sqk2xml-fuzz-seeds: cannot write %s\n", path.c_str());
        g_bFailed = true;
    }
}

// The playlist cut back to whole lines within the size limit.
std::string Limit(std::string text)
{
    if (text.size() <= kMaxSeed)
        return text;
    const size_t nLf = text.rfind('\n', kMaxSeed - 1);
    text.resize(nLf == std::string::npos ? kMaxSeed : nLf + 1);
    return text;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fputs("Usage: sqk2xml-fuzz-seeds OUTDIR\n", stderr);
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* name : {"conversion", "encode_text", "full_path"})
        fs::create_directories(root / name);

    std::vector<std::string> values;
    std::vector<std::string> paths;
    for (unsigned nIndex = 0; nIndex < std::size(kCodePages); ++nIndex)
    {
        const unsigned cp = kCodePages[nIndex];
        const char selector = static_cast<char>(nIndex);
        for (unsigned nVariant = 0; nVariant < 4; ++nVariant)
        {
            sqkgen::GeneratorOptions options;
            options.nSeed = cp * 10 + nVariant;
            options.nEntries = 1 + nVariant * 2;
            options.nLatinPercent = cp == 932 ? 10 : 40;
            options.nJapanesePercent = cp == 932 ? 60 : 0;
            options.nMalformedPercent = nVariant * 25;
            options.bRawBytes = nVariant == 3;
            options.bCrLf = nVariant != 2;
            // Variant 1 carries its own header, behind a selector with the high bit set.
            options.bHeader = nVariant == 1;
            const std::string playlist = Limit(sqkgen::CPlaylistGenerator::Generate(options));
            const char first = static_cast<char>(options.bHeader ? (selector | 0x80) : selector);
            Write(root / "conversion" / ("cp" + std::to_string(cp) + "-" + std::to_string(nVariant)),
                  first + playlist);

            // Values and paths of the entries, for the other two targets.
            size_t nLine = 0;
            while (nLine < playlist.size())
            {
                size_t nEnd = playlist.find('\n', nLine);
                if (nEnd == std::string::npos)
                    nEnd = playlist.size();
                const std::string line = playlist.substr(nLine, nEnd - nLine);
                nLine = nEnd + 1;
                const size_t nSeparator = line.find('\x01');
                if (nSeparator == 0 || line.empty() || line[0] == '#')
                    continue;
                paths.push_back(selector + std::string(1, '\xFF') + line.substr(0, nSeparator));
                if (nSeparator != std::string::npos)
                {
                    const size_t nNext = line.find('\x01', nSeparator + 1);
                    values.push_back(selector + line.substr(nSeparator + 1, nNext - nSeparator - 1));
                }
            }
        }
    }

    // A playlist that is refused: no header, with or without the header in front.
    Write(root / "conversion" / "no-header", std::string(1, '\x87') + "C:\\a\\b.mp3\r\n");
    Write(root / "conversion" / "header-only", std::string(1, '\x07'));
    Write(root / "conversion" / "ctrl-z", std::string(1, '\x07') + "C:\\a.mp3\r\n\x1A" "C:\\b.mp3\r\n");

    for (size_t i = 0; i < values.size(); ++i)
        Write(root / "encode_text" / ("value-" + std::to_string(i)), values[i]);
    const char* const kValues[] = {"Rock & Roll <live>", "&amp;", "\xE9", "\x81\x5C", "\x82"};
    for (size_t i = 0; i < std::size(kValues); ++i)
        for (char selector : {'\x01', '\x07'})
            Write(root / "encode_text" / ("special-" + std::to_string(i) + "-" + std::to_string(selector)),
                  selector + std::string(kValues[i]));

    for (size_t i = 0; i < paths.size(); ++i)
        Write(root / "full_path" / ("path-" + std::to_string(i)), paths[i]);
    const char* const kPaths[] = {"/a/./b/../c/", "..\\..\\x", "C:\\Music\\a.mp3", "\\\\srv\\share\\a",
                                  "C:rel\\a", "Music\\\x95\x5C\\a.mp3", "./", "/"};
    for (size_t i = 0; i < std::size(kPaths); ++i)
        Write(root / "full_path" / ("special-" + std::to_string(i)),
              std::string("\x01\x10", 2) + kPaths[i]);
    return g_bFailed ? 1 : 0;
}
