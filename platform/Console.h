// The command-line tool's edge: its arguments and its output, as UTF-8 text.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace plat
{
/// Prepares the process for a command-line run: a write past a file-size limit must fail
/// as a write error and not end the process.
void PrepareCommandLineProcess();
/// The arguments after the program's name, as UTF-8: the bytes given on POSIX, the wide
/// command line converted on Windows.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
/// Writes UTF-8 text to stdout or stderr: to a Windows console as UTF-16, anywhere else
/// as the bytes themselves. False when the text could not be written.
bool WriteText(std::FILE* stream, std::string_view text);
} // namespace plat
