// Helpers shared by the test suites.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Types.h"

namespace testsupport
{

/// The separator of the full paths that the system gives back.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

/// The path with each '/' as the system's separator: how it comes back from the full-path
/// resolution.
inline std::string SystemPath(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = kSeparator;
    return path;
}

/// A fresh folder under the system's temporary folder, removed with everything in it at
/// the end. The process's current folder is restored too, since conversions move it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    /// Path of a name inside the folder, joined as the system writes full paths.
    std::string operator/(const std::string& name) const { return m_path + kSeparator + name; }

private:
    std::string m_path;
    std::string m_savedCwd;
};

/// A test with a temporary folder of its own and 1252 as the active code page.
class FolderTest : public ::testing::Test
{
protected:
    void SetUp() override;
    TempDir dir;
};

/// File helpers: a path that is not ASCII is UTF-8, as POSIX file systems take it.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
void MakeFolder(const std::string& utf8Path);

/// CR LF after each of the lines: how the program writes its text files.
std::string CrLfLines(const std::vector<std::string>& lines);

/// The XML document frame around the given TRACK text (already with CR LF line ends).
std::string XmlDocument(const std::string& tracks = "");

/// The viewer page for an XML file name, as it stands on disk.
std::string ViewerPage(const std::string& xmlName);

/// Empty when the bytes are a well-formed XML document in valid UTF-8; else the parser's
/// complaint. Windows has no libxml2 here: there the document is copied into the folder
/// that SQK2XML_XML_CHECK_DIR names, which the build's host-side test checks after the
/// suites, and the result is empty.
std::string XmlProblems(const std::string& bytes);

#ifndef _WIN32
/// Runs fn in a forked child and returns its exit status (the value fn returned, or 128 +
/// signal number when it died of a signal).
int RunInChild(const std::function<int()>& fn);

/// Runs fn in a forked child whose files may grow to nBytes at most; past that a write
/// fails with EFBIG (SIGXFSZ is ignored).
int RunWithFileSizeLimit(long nBytes, const std::function<int()>& fn);

/// Runs fn in a child process that has dropped to the unprivileged user nobody, so that
/// file permissions apply even when the tests run as root. -1 when it cannot drop.
int RunAsNobody(const std::function<int()>& fn);
#endif

/// A playlist of n entries, each with a path, a title, an artist and a type.
std::string ManyEntries(int n);

struct ProcessResult
{
    int status = -1; ///< exit status, or 128 + signal
    long peakKiB = 0; ///< the program's peak resident memory (POSIX only)
    std::string out;
    std::string err;
};

#ifdef _WIN32
/// The system's own conversion of a whole text: MultiByteToWideChar(cp, MB_PRECOMPOSED,
/// text, -1), then WideCharToMultiByte(CP_UTF8); the text itself when either count is 1
/// or less.
std::string SystemAnsiToUtf8(UINT cp, const std::string& text);
#endif

/// Runs a program with arguments in the given folder, capturing its output. extraEnv
/// holds NAME=VALUE assignments added to the environment.
ProcessResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& extraEnv = {});

} // namespace testsupport
