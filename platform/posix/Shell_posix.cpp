// POSIX implementation of platform/Shell.h: xdg-open (open on macOS), started detached.
//
// The opener is the grandchild of a short-lived child that is reaped at once, so no zombie
// remains and the caller never waits for the desktop. Its standard input and output are
// /dev/null: the command-line tool's output is for scripts.
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "Utf8Text.h"
#include "Shell.h"

namespace plat
{

void ShellOpen(const CString& strFile)
{
#ifdef __APPLE__
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    const std::string file = AnsiToUtf8(strFile.View());
    // Everything the children need is prepared before fork(): after it only
    // async-signal-safe calls are allowed.
    const char* argv[] = {opener, file.c_str(), nullptr};
    const pid_t child = fork();
    if (child < 0)
        return;
    if (child == 0)
    {
        setsid();
        if (fork() == 0)
        {
            const int devnull = open("/dev/null", O_RDWR);
            if (devnull >= 0)
            {
                dup2(devnull, STDIN_FILENO);
                dup2(devnull, STDOUT_FILENO);
            }
            execvp(opener, const_cast<char* const*>(argv));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
}

} // namespace plat
