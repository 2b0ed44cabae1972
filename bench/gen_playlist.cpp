// sqk2xml-genplaylist: writes a seeded, deterministic playlist for benchmarks and tests.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PlaylistGenerator.h"

namespace
{
const char kUsage[] =
    "Usage: sqk2xml-genplaylist [OPTION]... [-o FILE]\n"
    "Write a playlist of generated entries (to standard output without -o).\n"
    "\n"
    "  --entries N      number of entries (default 1000)\n"
    "  --size BYTES     instead: entries until the file reaches BYTES; suffixes k, M, G\n"
    "                   (powers of 1000) and Ki, Mi, Gi (powers of 1024)\n"
    "  --seed N         seed of the generator (default 1)\n"
    "  --latin PCT      share of entries with code page 1252 letters (default 20)\n"
    "  --japanese PCT   share of entries with code page 932 text (default 0)\n"
    "  --malformed PCT  share of damaged entries (default 0)\n"
    "  --mix NAME       every entry in one language instead: ascii, latin (1252),\n"
    "                   cyrillic (1251), japanese (932) or chinese (936)\n"
    "  --raw-bytes      damaged segments may hold arbitrary bytes\n"
    "  --lf             end lines with LF instead of CR LF\n"
    "  --no-header      leave out the header line\n"
    "  -o FILE          write to FILE\n";

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "sqk2xml-genplaylist: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

std::uint64_t ParseCount(const std::string& option, const char* psz, bool bSuffix)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(psz, &end, 10);
    if (errno || end == psz || *psz == '-')
        Fail("bad number for " + option + ": " + psz);
    std::uint64_t nScale = 1;
    const std::string suffix = end;
    if (bSuffix && !suffix.empty())
    {
        const bool bBinary = suffix.size() == 2 && suffix[1] == 'i';
        if (suffix.size() > 2 || (suffix.size() == 2 && !bBinary))
            Fail("bad size suffix: " + suffix);
        const std::uint64_t nBase = bBinary ? 1024 : 1000;
        switch (suffix[0])
        {
        case 'G':
            nScale *= nBase;
            [[fallthrough]];
        case 'M':
            nScale *= nBase;
            [[fallthrough]];
        case 'k':
        case 'K':
            nScale *= nBase;
            break;
        default:
            Fail("bad size suffix: " + suffix);
        }
    }
    else if (!suffix.empty())
        Fail("bad number for " + option + ": " + psz);
    return n * nScale;
}

unsigned ParsePercent(const std::string& option, const char* psz)
{
    const std::uint64_t n = ParseCount(option, psz, false);
    if (n > 100)
        Fail(option + " takes a percentage from 0 to 100");
    return static_cast<unsigned>(n);
}
} // namespace

int main(int argc, char** argv)
{
    sqkgen::GeneratorOptions options;
    const char* pszOutput = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help")
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--entries")
            options.nEntries = ParseCount(arg, value(), false);
        else if (arg == "--size")
            options.nTargetBytes = ParseCount(arg, value(), true);
        else if (arg == "--seed")
            options.nSeed = ParseCount(arg, value(), false);
        else if (arg == "--latin")
            options.nLatinPercent = ParsePercent(arg, value());
        else if (arg == "--japanese")
            options.nJapanesePercent = ParsePercent(arg, value());
        else if (arg == "--malformed")
            options.nMalformedPercent = ParsePercent(arg, value());
        else if (arg == "--mix")
        {
            const std::string name = value();
            if (!sqkgen::MixByName(name, options.mix))
                Fail("unknown mix: " + name);
        }
        else if (arg == "--raw-bytes")
            options.bRawBytes = true;
        else if (arg == "--lf")
            options.bCrLf = false;
        else if (arg == "--no-header")
            options.bHeader = false;
        else if (arg == "-o")
            pszOutput = value();
        else
            Fail("unknown option: " + arg);
    }
    if (options.nLatinPercent + options.nJapanesePercent > 100)
        Fail("--latin and --japanese together exceed 100");

    std::FILE* out = stdout;
    if (pszOutput && !(out = std::fopen(pszOutput, "wb")))
    {
        std::fprintf(stderr, "sqk2xml-genplaylist: %s: %s\n", pszOutput, std::strerror(errno));
        return 1;
    }

    sqkgen::CPlaylistGenerator generator(options);
    std::string chunk = generator.Header();
    std::uint64_t nWritten = 0;
    std::uint64_t nEntries = 0;
    std::string line;
    bool bOk = true;
    // Written in chunks: a 200 MB playlist need not sit in memory.
    for (;;)
    {
        const bool bMore = options.nTargetBytes ? true : nEntries < options.nEntries;
        if (bMore)
        {
            line.clear();
            generator.AppendEntry(line);
            if (options.nTargetBytes && nWritten + chunk.size() + line.size() > options.nTargetBytes)
                line.clear();
            else
            {
                chunk += line;
                ++nEntries;
            }
        }
        const bool bDone = !bMore || line.empty();
        if (chunk.size() >= (1u << 20) || bDone)
        {
            bOk = bOk && std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
            nWritten += chunk.size();
            chunk.clear();
        }
        if (bDone)
            break;
    }
    if (std::fflush(out) != 0 || (out != stdout && std::fclose(out) != 0))
        bOk = false;
    if (!bOk)
    {
        std::fprintf(stderr, "sqk2xml-genplaylist: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
