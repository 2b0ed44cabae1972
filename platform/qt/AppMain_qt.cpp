// The process entry point of a program built on the dialog layer: the runtime has built
// the application object; the framework takes over from here.
#include "AfxWin.h"
#include "Console.h"

int main(int argc, char** argv)
{
    return AfxWinMain(argv[0], plat::CommandLineArguments(argc, argv));
}
