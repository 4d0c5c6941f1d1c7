#include "crypto/random_fill.h"

#include <ctime>

namespace quellmark {

uint32_t RandomFill(uint32_t seed, uint8_t* buffer, int32_t size) {
    uint32_t s = seed;
    for (int32_t i = 0; i < size; ++i) {
        s = ((s & 0xFFFFFF00u) | ((s ^ buffer[i]) & 0xFFu)) * 134775813u + 1u;
        buffer[i] = static_cast<uint8_t>(s >> 24);
    }
    return s;
}

uint32_t TimeSeed() {
    timespec wall{}, counter{};
    clock_gettime(CLOCK_REALTIME, &wall);
    clock_gettime(CLOCK_MONOTONIC_RAW, &counter);
    const uint64_t msOfDay = static_cast<uint64_t>(wall.tv_sec % 86400) * 1000 + static_cast<uint64_t>(wall.tv_nsec / 1000000);
    const uint64_t ticks = static_cast<uint64_t>(counter.tv_sec) * 1000000000u + static_cast<uint64_t>(counter.tv_nsec);
    return static_cast<uint32_t>(msOfDay) ^ static_cast<uint32_t>(ticks) ^ static_cast<uint32_t>(ticks >> 32);
}

}  // namespace quellmark
