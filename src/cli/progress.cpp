#include "cli/progress.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace quellmark {

namespace {

constexpr int64_t kWorthShowing = 16 << 20;  // bytes
constexpr int kWidth = 30;

struct Bar {
    const char* label;
    int lastPercent = -1;
    bool drawn = false;
    std::chrono::steady_clock::time_point lastDraw{};

    void Update(int64_t current, int64_t maximum) {
        if (maximum == 0) {  // the end of a run
            if (drawn) std::fprintf(stderr, "\r\033[K");
            drawn = false;
            lastPercent = -1;
            return;
        }
        if (maximum < kWorthShowing || maximum == INT64_MAX) return;
        int percent = static_cast<int>(current * 100 / maximum);
        auto now = std::chrono::steady_clock::now();
        if (percent == lastPercent || (drawn && now - lastDraw < std::chrono::milliseconds(100) && percent < 100))
            return;
        lastPercent = percent;
        lastDraw = now;
        drawn = true;
        int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label, filled, "##############################",
                     kWidth - filled, "", percent);
        std::fflush(stderr);
    }
};

}  // namespace

TProgressEvent TerminalProgress(const char* label) {
    if (!::isatty(STDERR_FILENO)) return nullptr;
    auto bar = std::make_shared<Bar>(Bar{label});
    return [bar](TProtection&, int64_t current, int64_t maximum) { bar->Update(current, maximum); };
}

std::function<void(int64_t, int64_t)> TerminalByteProgress(const char* label) {
    if (!::isatty(STDERR_FILENO)) return nullptr;
    auto bar = std::make_shared<Bar>(Bar{label});
    return [bar](int64_t done, int64_t total) { bar->Update(done, total); };
}

}  // namespace quellmark
