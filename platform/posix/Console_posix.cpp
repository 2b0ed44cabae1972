// POSIX implementation of platform/Console.h: arguments and terminals speak UTF-8 bytes.
#include <csignal>

#include "Console.h"

namespace plat
{

void PrepareCommandLineProcess()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool WriteText(std::FILE* stream, std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

} // namespace plat
