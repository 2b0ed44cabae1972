#include "TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <libxml/parser.h>
#include <poll.h>
#include <pwd.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CString.h"
#include "CodePage.h"
#include "Folder.h"

namespace testsupport
{
namespace
{
int StatusOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}
} // namespace

TempDir::TempDir()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/sqk2xml-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    // Permissions must not hide the folder from a child that runs as nobody.
    chmod(m_path.c_str(), 0777);
    m_savedCwd = std::filesystem::current_path().string();
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

void FolderTest::SetUp()
{
    plat::SetACP(1252);
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
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

namespace
{
std::string g_xmlErrors;
void CollectXmlError(void*, const char* msg, ...)
{
    g_xmlErrors += msg;
}
} // namespace

std::string XmlProblems(const std::string& bytes)
{
    g_xmlErrors.clear();
    xmlSetGenericErrorFunc(nullptr, CollectXmlError);
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "doc.xml",
                                  nullptr, XML_PARSE_NONET);
    std::string problems = g_xmlErrors;
    if (!doc && problems.empty())
        problems = "not parsed";
    if (doc)
        xmlFreeDoc(doc);
    xmlSetGenericErrorFunc(nullptr, nullptr);
    return problems;
}

int RunInChild(const std::function<int()>& fn)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
    {
        int result = 99;
        try
        {
            result = fn();
        }
        catch (...)
        {
            result = 98;
        }
        std::fflush(nullptr);
        _exit(result);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return StatusOf(status);
}

int RunWithFileSizeLimit(long nBytes, const std::function<int()>& fn)
{
    return RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(nBytes), static_cast<rlim_t>(nBytes)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 96;
        return fn();
    });
}

std::string ManyEntries(int n)
{
    std::string text = "#Sonquill playlist\r\n";
    for (int i = 0; i < n; ++i)
        text += "C:\\Music\\Album\\Track " + std::to_string(i) +
                ".mp3\x01NAME:Song & Dance\x01" "ATST:Someone\x01TYPE:7\r\n";
    return text;
}

int RunAsNobody(const std::function<int()>& fn)
{
    return RunInChild([&fn] {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody)
            return 97;
        if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                              setuid(nobody->pw_uid) != 0))
            return 97;
        return fn();
    });
}

ProcessResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& extraEnv)
{
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        if (chdir(cwd.c_str()) != 0)
            _exit(126);
        for (const std::string& assignment : extraEnv)
            putenv(const_cast<char*>(assignment.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    ProcessResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0)
    {
        for (int i = 0; i < 2; ++i)
        {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                sinks[i]->append(buffer, static_cast<size_t>(n));
            else
            {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = StatusOf(status);
    return result;
}

} // namespace testsupport
