// The POSIX half of the test helpers: libxml2, fork() and the user nobody.
#include "TestSupport.h"

#include <csignal>
#include <cstdlib>
#include <grp.h>
#include <libxml/parser.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.status = StatusOf(status);
    result.peakKiB = usage.ru_maxrss;
    return result;
}

} // namespace testsupport
