// A C++20 DLL like the product's: threads, mutexes and exceptions, with the
// C++ runtime, libgcc and winpthread linked in statically.
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern "C" __declspec(dllexport) int cxx_check()
{
    std::mutex m;
    int total = 0;
    std::vector<std::jthread> workers;
    for (int i = 1; i <= 4; ++i)
        workers.emplace_back([&, i] {
            std::lock_guard lock(m);
            total += i;
        });
    workers.clear();  // joins
    try {
        throw std::runtime_error(std::to_string(total));
    } catch (const std::exception &e) {
        return std::stoi(e.what());  // 10 when all went well
    }
}
