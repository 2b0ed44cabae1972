// Micro benchmarks of the conversion hot path: the text encoding, one entry (parse and
// TRACK element), the TRACK element alone, the viewer page, and a whole small run.
// Not a test: numbers only. Run sqk2xml-bench --help for Google Benchmark's options.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <unistd.h>

#include "CodePage.h"
#include "ConvertCommand.h"
#include "Folder.h"
#include "PlaylistConverter.h"
#include "PlaylistGenerator.h"

namespace
{
namespace fs = std::filesystem;

// One private folder for every file the benchmarks write; removed at exit.
const fs::path& WorkFolder()
{
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "sqk2xml-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
        {
            std::perror("mkdtemp");
            std::exit(1);
        }
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(WorkFolder(), ec);
        });
        return fs::path(pattern);
    }();
    return folder;
}

fs::path WritePlaylist(const std::string& name, const sqkgen::GeneratorOptions& options)
{
    const fs::path path = WorkFolder() / name;
    if (!fs::exists(path))
    {
        const std::string text = sqkgen::CPlaylistGenerator::Generate(options);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f))
        {
            std::perror(path.c_str());
            std::exit(1);
        }
    }
    return path;
}

enum Script
{
    ascii,
    latin1252,
    japanese932
};

UINT CodePageOf(Script script)
{
    return script == japanese932 ? 932 : 1252;
}

sqkgen::GeneratorOptions OptionsFor(Script script)
{
    sqkgen::GeneratorOptions options;
    options.nLatinPercent = script == latin1252 ? 100 : 0;
    options.nJapanesePercent = script == japanese932 ? 100 : 0;
    return options;
}

// Tag values of the kind a playlist holds, each once through EncodeText per iteration.
void BM_EncodeText(benchmark::State& state, Script script)
{
    plat::SetACP(CodePageOf(script));
    sqkgen::CPlaylistGenerator generator(OptionsFor(script));
    std::vector<CString> values;
    for (int i = 0; i < 256; ++i)
        values.emplace_back(generator.MakeTitle(script == latin1252, script == japanese932));

    CPlaylistConverter converter;
    CString strWork = values[0];
    converter.EncodeText(strWork); // the code page's table is built on first use: not timed
    size_t nBytes = 0;
    size_t i = 0;
    for (auto _ : state)
    {
        const CString& value = values[i++ & 255];
        strWork.Assign(value.GetData(), value.GetLength()); // as the parser copies a segment
        converter.EncodeText(strWork);
        benchmark::DoNotOptimize(strWork.GetData());
        nBytes += static_cast<size_t>(value.GetLength());
    }
    state.SetBytesProcessed(static_cast<int64_t>(nBytes));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_EncodeText, ascii, ascii);
BENCHMARK_CAPTURE(BM_EncodeText, cp1252, latin1252);
BENCHMARK_CAPTURE(BM_EncodeText, cp932, japanese932);

bool OpenForEntries(CPlaylistConverter& converter, const fs::path& playlist)
{
    // The document goes to the null device: what is measured is the conversion, and the
    // file layer's buffering, not the disk.
    return converter.m_fileIn.Open(playlist.c_str(),
                                   CStdioFile::modeRead | CStdioFile::shareDenyNone) &&
           converter.m_fileOut.Open("/dev/null", CStdioFile::modeWrite | CStdioFile::shareDenyNone);
}

// ConvertNextEntry, which parses the line and writes its TRACK element, per entry.
void BM_ConvertEntry(benchmark::State& state, Script script)
{
    plat::SetACP(CodePageOf(script));
    sqkgen::GeneratorOptions options = OptionsFor(script);
    if (script == ascii)
        options.nLatinPercent = 0;
    else if (script == latin1252)
        options.nLatinPercent = 20; // the usual mix: mostly ASCII
    options.nEntries = 20000;
    options.bHeader = false;
    const fs::path playlist =
        WritePlaylist("entries-" + std::to_string(script) + ".sqk", options);
    plat::SetCurrentDirectory(WorkFolder().c_str()); // relative entries resolve here

    CPlaylistConverter converter;
    if (!OpenForEntries(converter, playlist))
    {
        state.SkipWithError("cannot open the playlist or the null device");
        return;
    }
    size_t nBytes = 0;
    for (auto _ : state)
    {
        if (!converter.ConvertNextEntry())
        {
            state.PauseTiming();
            converter.m_fileIn.Close();
            converter.m_fileIn.Open(playlist.c_str(),
                                    CStdioFile::modeRead | CStdioFile::shareDenyNone);
            state.ResumeTiming();
            continue;
        }
        nBytes += static_cast<size_t>(converter.m_strLine.GetLength()) + 2;
    }
    converter.m_fileOut.Close();
    converter.m_fileIn.Close();
    state.SetBytesProcessed(static_cast<int64_t>(nBytes));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_ConvertEntry, ascii, ascii);
BENCHMARK_CAPTURE(BM_ConvertEntry, mixed1252, latin1252);
BENCHMARK_CAPTURE(BM_ConvertEntry, cp932, japanese932);

// WriteTrack alone: the element of a fully tagged entry, built and written.
void BM_WriteTrack(benchmark::State& state)
{
    CPlaylistConverter converter;
    if (!converter.m_fileOut.Open("/dev/null", CStdioFile::modeWrite | CStdioFile::shareDenyNone))
    {
        state.SkipWithError("cannot open the null device");
        return;
    }
    converter.m_strFilePath =
        CString("/home/me/Music/The Lanterns/Night Drive/01 Neon Harbour.mp3");
    converter.m_strFileSize = CString("8123456");
    converter.m_strFileType = CString("MP3");
    converter.m_strArtist = CString("The Lanterns");
    converter.m_strTitle = CString("Neon Harbour");
    converter.m_strAlbum = CString("Night Drive");
    converter.m_strGenre = CString("Synthwave");
    converter.m_strYear = CString("2019");
    converter.m_strTrackNum = CString("1");
    converter.m_strSampRate = CString("44100");
    converter.m_strChannels = CString("2");
    converter.m_strBitrate = CString("256");
    converter.m_strDuration = CString("241");
    for (auto _ : state)
        converter.WriteTrack();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            converter.m_strWork.GetLength());
    converter.m_fileOut.Close();
}
BENCHMARK(BM_WriteTrack);

// The viewer page: created, written and closed once per run.
void BM_ViewerPage(benchmark::State& state)
{
    plat::SetACP(1252);
    const CString strXmlPath = (WorkFolder() / "page.xml").c_str();
    CPlaylistConverter converter;
    for (auto _ : state)
    {
        if (!converter.WriteViewerPage(strXmlPath) || converter.m_strPagePath.IsEmpty())
        {
            state.SkipWithError("the page was not written");
            return;
        }
    }
}
BENCHMARK(BM_ViewerPage);

// A whole run of the command on a playlist of about 4 MB, the files included.
void BM_ConversionRun(benchmark::State& state)
{
    plat::SetACP(1252);
    sqkgen::GeneratorOptions options;
    options.nTargetBytes = 4'000'000;
    const fs::path playlist = WritePlaylist("run.sqk", options);
    const auto nSize = static_cast<int64_t>(fs::file_size(playlist));
    for (auto _ : state)
    {
        const CConversionReport report = RunConversionCommand(playlist.c_str(), nullptr);
        if (report.outcome != CConversionReport::converted)
        {
            state.SkipWithError("the playlist was refused");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * nSize);
}
BENCHMARK(BM_ConversionRun)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
