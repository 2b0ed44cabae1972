#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "CString.h"
#include "CodePage.h"
#include "Folder.h"

namespace testsupport
{
TempDir::TempDir()
{
    namespace fs = std::filesystem;
    std::random_device random;
    for (int attempt = 0; m_path.empty(); ++attempt)
    {
        const fs::path path =
            fs::temp_directory_path() / ("sqk2xml-test-" + std::to_string(random()));
        if (fs::create_directory(path))
            m_path = path.string();
        else if (attempt == 100)
            throw std::runtime_error("cannot make a temporary folder");
    }
    // Permissions must not hide the folder from a child that runs as nobody.
    fs::permissions(m_path, fs::perms::all);
    m_savedCwd = fs::current_path().string();
}

TempDir::~TempDir()
{
    plat::SetCurrentDirectory(CString(m_savedCwd));
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::all,
                                 std::filesystem::perm_options::add, ec);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_path, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

namespace
{
// Test paths are the bytes the POSIX file system takes, which are UTF-8 for any name
// that is not ASCII; Windows reads narrow names in its own code page instead.
std::filesystem::path NativePath(const std::string& path)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
    return std::filesystem::path(path);
#endif
}
} // namespace

void FolderTest::SetUp()
{
    plat::SetACP(1252);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(NativePath(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(NativePath(path), ec);
}

void MakeFolder(const std::string& utf8Path)
{
    if (!std::filesystem::create_directory(NativePath(utf8Path)))
        throw std::runtime_error("cannot make the folder " + utf8Path);
}

std::string CrLfLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

std::string XmlDocument(const std::string& tracks)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<PLAYLIST>\r\n" + tracks +
           "</PLAYLIST>\r\n";
}

std::string ViewerPage(const std::string& xmlName)
{
    // Written out here on its own, not taken from the program's string table, so that a
    // change to either shows.
    const std::vector<std::string> lines = {
        "<html>",
        "<body>",
        "<xml id=\"playlist\" src=\"" + xmlName + "\"></xml>",
        "<table border=\"0\" cellpadding=\"2\" cellspacing=\"1\" bgcolor=\"#000000\" "
        "datasrc=\"#playlist\">",
        "<thead>",
        "<tr bgcolor=\"#cccccc\">",
        "<th>Title</th>",
        "<th>Artist</th>",
        "<th>Album</th>",
        "<th>Genre</th>",
        "<th>Year</th>",
        "<th>Track</th>",
        "<th>Type</th>",
        "<th>Filesize (Bytes)</th>",
        "<th>Freq (Hz)</th>",
        "<th>Chn</th>",
        "<th>Bitrate (kbps)</th>",
        "<th>Duration (sec)</th>",
        "</tr>",
        "</thead>",
        "<tr bgcolor=\"#ffffff\">",
        "<td><span datafld=\"TITLE\"></span></td>",
        "<td><span datafld=\"ARTIST\"></span></td>",
        "<td><span datafld=\"ALBUM\"></span></td>",
        "<td><span datafld=\"GENRE\"></span></td>",
        "<td align=\"center\"><span datafld=\"YEAR\"></span></td>",
        "<td align=\"center\"><span datafld=\"TRACKNUM\"></span></td>",
        "<td align=\"center\"><span datafld=\"FILETYPE\"></span></td>",
        "<td align=\"center\"><span datafld=\"FILESIZE\"></span></td>",
        "<td align=\"center\"><span datafld=\"SAMPRATE\"></span></td>",
        "<td align=\"center\"><span datafld=\"CHANNELS\"></span></td>",
        "<td align=\"center\"><span datafld=\"BITRATE\"></span></td>",
        "<td align=\"center\"><span datafld=\"DURATION\"></span></td>",
        "</tr>",
        "</table>",
        "</body>",
        "</html>"};
    std::string page;
    for (size_t i = 0; i < lines.size(); ++i)
        page += lines[i] + (i + 1 < lines.size() ? "\r\n" : "");
    return page;
}

std::string ManyEntries(int n)
{
    std::string text = "#Sonquill playlist\r\n";
    for (int i = 0; i < n; ++i)
        text += "C:\\Music\\Album\\Track " + std::to_string(i) +
                ".mp3\x01NAME:Song & Dance\x01" "ATST:Someone\x01TYPE:7\r\n";
    return text;
}

} // namespace testsupport
