// Helpers shared by the test suites.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testsupport
{

/// A fresh folder under the system's temporary folder, removed with everything in it at
/// the end. The process's current folder is restored too, since conversions move it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    /// Path of a name inside the folder.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

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

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

/// CR LF after each of the lines: how the program writes its text files.
std::string CrLfLines(const std::vector<std::string>& lines);

/// The XML document frame around the given TRACK text (already with CR LF line ends).
std::string XmlDocument(const std::string& tracks = "");

/// The viewer page for an XML file name, as it stands on disk.
std::string ViewerPage(const std::string& xmlName);

/// Empty when the bytes are a well-formed XML document in valid UTF-8; else the parser's
/// complaint.
std::string XmlProblems(const std::string& bytes);

/// Runs fn in a forked child and returns its exit status (the value fn returned, or 128 +
/// signal number when it died of a signal).
int RunInChild(const std::function<int()>& fn);

/// Runs fn in a forked child whose files may grow to nBytes at most; past that a write
/// fails with EFBIG (SIGXFSZ is ignored).
int RunWithFileSizeLimit(long nBytes, const std::function<int()>& fn);

/// A playlist of n entries, each with a path, a title, an artist and a type.
std::string ManyEntries(int n);

/// Runs fn in a child process that has dropped to the unprivileged user nobody, so that
/// file permissions apply even when the tests run as root. -1 when it cannot drop.
int RunAsNobody(const std::function<int()>& fn);

struct ProcessResult
{
    int status = -1; ///< exit status, or 128 + signal
    std::string out;
    std::string err;
};

/// Runs a program with arguments in the given folder, capturing its output.
ProcessResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& extraEnv = {});

} // namespace testsupport
