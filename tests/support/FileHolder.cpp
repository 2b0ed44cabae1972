// file_holder FILE: another program that holds FILE open with no sharing at all, as an
// editor or a second converter would. It creates FILE.ready once it holds the file (or
// FILE.failed when it cannot), then keeps it until FILE.release appears.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "StdioFile.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string path = argv[1];
    CStdioFile file;
    const bool bHeld = file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::shareExclusive);
    std::ofstream(path + (bHeld ? ".ready" : ".failed"));
    if (!bHeld)
        return 1;
    for (int i = 0; i < 6000 && !std::filesystem::exists(path + ".release"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 0;
}
