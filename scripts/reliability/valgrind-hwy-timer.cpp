// Preloaded under valgrind only. libhwy, which GraphicsMagick's JPEG XL coder pulls in,
// measures its timer's resolution with RDTSCP while it loads, an instruction valgrind
// 3.19 cannot run; the game never uses that timer, so a fixed answer stands in for it.
#include <cstdint>

namespace hwy::platform {
std::uint64_t TimerResolution() {
    return 1;
}
}  // namespace hwy::platform
