// Our ciphers and hashes beside the same published algorithms in independent
// libraries, measured in one process so that only the ratio matters on a
// noisy machine. Prints MB/s for each and ours / theirs (above 1.0: ours is faster).
#include "compare.h"

#include <chrono>
#include <cstdio>
#include <map>

namespace quellmark {
namespace {

constexpr int kRounds = 11;

std::map<std::string, MakeWork>& Comparisons() {
    static std::map<std::string, MakeWork> all;
    return all;
}

double Seconds(const Work& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int RegisterComparison(const std::string& name, MakeWork make) {
    Comparisons()[name] = std::move(make);
    return 0;
}

}  // namespace quellmark

using namespace quellmark;

int main(int argc, char** argv) {
    std::vector<uint8_t> data(kCompareBytes), out(kCompareBytes);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    const std::string only = argc > 1 ? argv[1] : "";

    std::printf("%-40s %10s %10s %7s\n", "algorithm", "ours MB/s", "other MB/s", "ratio");
    for (const auto& [name, make] : Comparisons()) {
        if (!only.empty() && name.find(only) == std::string::npos) continue;
        WorkPair work = make(data, out);
        // Best of several runs, the two sides alternating, so a passing
        // disturbance does not favour one of them.
        double ours = 1e30, theirs = 1e30;
        for (int round = 0; round < kRounds; ++round) {
            ours = std::min(ours, Seconds(work.ours));
            theirs = std::min(theirs, Seconds(work.theirs));
        }
        const double mb = kCompareBytes / 1e6;
        std::printf("%-40s %10.1f %10.1f %7.2f\n", name.c_str(), mb / ours, mb / theirs, theirs / ours);
        std::fflush(stdout);
    }
    return 0;
}
