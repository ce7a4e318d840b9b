#include "command.h"
#ifdef VELMORA_HAVE_INTEROP
#include "interopmodule.h"
#endif

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
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
    errno = 0;
    std::cout.flush();
    if (!std::cout) { // a full disk or the file size limit where the output is redirected to a file
        const int error = errno;
        std::cerr << "velmora-cli" << (args.empty() ? "" : " " + args[0]) << ": standard output: write error"
                  << (error != 0 ? std::string(": ") + std::strerror(error) : std::string())
                  << "; the output is incomplete\n";
        return status == velmora::cli::kExitOk ? velmora::cli::kExitFailure : status;
    }
    return status;
}
