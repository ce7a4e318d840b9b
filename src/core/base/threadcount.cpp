#include "base/threadcount.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace velmora {

int ThreadCountFor(const char* setting, unsigned cores, std::string& warning)
{
    const int machine = static_cast<int>(std::clamp<unsigned>(cores, 1, kMaxThreads));
    warning.clear();
    if (!setting)
        return machine;
    const char* end = setting + std::strlen(setting);
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(setting, end, value);
    if (ec == std::errc() && ptr == end && value > 0)
        return static_cast<int>(std::min<long long>(value, kMaxThreads));
    if (ec == std::errc::result_out_of_range && ptr == end && *setting != '-')
        return kMaxThreads; // a positive whole number, only a large one
    warning = "VELMORA_THREADS=\"" + std::string(setting) + "\" is not a positive whole number; using " +
              std::to_string(machine) + (machine == 1 ? " thread" : " threads") + " (the machine's cores)";
    return machine;
}

int ThreadCount()
{
    static std::atomic<bool> warned{false};
    std::string warning;
    const int count = ThreadCountFor(std::getenv("VELMORA_THREADS"), std::thread::hardware_concurrency(), warning);
    if (!warning.empty() && !warned.exchange(true))
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
    return count;
}

} // namespace velmora
