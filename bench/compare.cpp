// Our ciphers and hashes beside the same published algorithms in Crypto++,
// measured in one process so that only the ratio matters on a noisy machine.
// Prints MB/s for each and ours / theirs (above 1.0: we are faster).
#include <cryptopp/blowfish.h>
#include <cryptopp/modes.h>
#include <cryptopp/ripemd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "base/streams.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/managers.h"

namespace {

constexpr std::size_t kDataSize = 4 << 20;
constexpr int kRounds = 15;

// Best of several timed runs, in MB/s; alternating the two sides in each
// round keeps a passing disturbance from favouring one of them.
std::pair<double, double> RaceMBps(const std::function<void()>& ours, const std::function<void()>& theirs) {
    double bestOurs = 1e30, bestTheirs = 1e30;
    auto time = [](const std::function<void()>& work) {
        auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (int round = 0; round < kRounds; ++round) {
        bestOurs = std::min(bestOurs, time(ours));
        bestTheirs = std::min(bestTheirs, time(theirs));
    }
    return {kDataSize / 1e6 / bestOurs, kDataSize / 1e6 / bestTheirs};
}

void Report(const char* name, std::pair<double, double> mbps) {
    std::printf("%-44s %9.1f %9.1f %7.2f\n", name, mbps.first, mbps.second, mbps.first / mbps.second);
}

}  // namespace

int main() {
    std::vector<uint8_t> data(kDataSize, 0x3C), out(kDataSize);
    uint8_t key[32], iv[8];
    for (int i = 0; i < 32; ++i) key[i] = static_cast<uint8_t>(i * 13 + 1);

    TCipher_Blowfish blowfish;
    blowfish.Init(key, 32, nullptr);
    std::copy(blowfish.Vector(), blowfish.Vector() + 8, iv);
    CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Decryption theirCbc(key, 32, iv);

    std::printf("%-44s %9s %9s %7s\n", "algorithm", "ours MB/s", "C++ MB/s", "ratio");
    // Chunked as stream coding chunks a container body.
    auto ourChunks = [&](TCipherMode mode) {
        blowfish.Mode = mode;
        for (std::size_t at = 0; at < kDataSize; at += 4096)
            blowfish.DecipherData(data.data() + at, out.data() + at, 4096);
        blowfish.RewindFeedback();
    };
    auto theirChunks = [&] {
        theirCbc.Resynchronize(iv);
        for (std::size_t at = 0; at < kDataSize; at += 4096) theirCbc.ProcessData(out.data() + at, data.data() + at, 4096);
    };
    Report("Blowfish CBC decipher (Crypto++ CBC)", RaceMBps([&] { ourChunks(cmCBC); }, theirChunks));
    Report("Blowfish CTS decipher (Crypto++ CBC)", RaceMBps([&] { ourChunks(cmCTS); }, theirChunks));

    TMemoryStream source(data), dest;
    TCipherManager manager;
    manager.InitKey("compare");
    Report("Blowfish CTS stream decipher (Crypto++ CBC)", RaceMBps(
        [&] {
            source.SetPosition(0);
            dest.SetPosition(0);
            manager.DecipherStream(&source, &dest, static_cast<int64_t>(kDataSize));
        },
        theirChunks));

    THash_RipeMD256 ripemd;
    uint8_t digest[32];
    Report("RIPEMD-256", RaceMBps(
        [&] {
            ripemd.Restart();
            ripemd.AddData(data.data(), static_cast<int32_t>(kDataSize));
            ripemd.Finish();
        },
        [&] { CryptoPP::RIPEMD256().CalculateDigest(digest, data.data(), kDataSize); }));
    return 0;
}
