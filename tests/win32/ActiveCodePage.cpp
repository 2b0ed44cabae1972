// Prints the system's ANSI code page and the one the program reads playlists in:
//   active_code_page   ->   "system 65001 active 1252"
// so that a test can tell which system it runs on before it trusts a conversion.
#include <cstdio>

#include "CodePage.h"
#include "Win32.h"

int main()
{
    std::printf("system %u active %u\n", ::GetACP(), plat::GetACP());
    return 0;
}
