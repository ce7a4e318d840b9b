#include "command.h"
#ifdef VELMORA_HAVE_INTEROP
#include "interopmodule.h"
#endif

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
#ifdef VELMORA_HAVE_INTEROP
    velmora::interop::RegisterInteropModule();
#endif
    velmora::cli::CommandContext context{std::cout, std::cerr, ::isatty(2) != 0};
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = velmora::cli::RunCli(args, context);
    std::cout.flush();
    return status;
}
