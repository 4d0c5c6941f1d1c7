// Stream decipherment at 1, 2 and all threads of the machine. The speed-up
// of more threads is the ratio of the bytes_per_second of one cipher's
// lines, which one run of this program measures side by side.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <vector>

#include "base/streams.h"
#include "base/thread_pool.h"
#include "crypto/ciphers/rijndael.h"
#include "crypto/managers.h"
#include "crypto/parallel_decipher.h"

namespace quellmark {

namespace {

constexpr int64_t kStreamSize = int64_t{64} << 20;

// The enciphered stream is not needed: deciphering costs the same whatever
// the bytes are.
const std::vector<uint8_t>& Ciphertext() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> data(static_cast<std::size_t>(kStreamSize));
        uint32_t x = 12345;
        for (auto& b : data) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 24);
        return data;
    }();
    return bytes;
}

void BM_DecipherThreads(benchmark::State& state, const char* algorithm, bool aesInstructions) {
    const int threads = static_cast<int>(state.range(0));
    const int previous = TThreadPool::Shared().Threads();
    TThreadPool::Shared().SetThreads(threads);
    TCipherManager manager;
    manager.SetAlgorithm(algorithm);
    manager.InitKey("benchmark password");
    if (auto* rijndael = dynamic_cast<TCipher_Rijndael*>(&manager.Cipher()))
        rijndael->UseAesInstructions(aesInstructions);
    state.SetLabel(manager.Cipher().ClassName());
    TMemoryStream source(Ciphertext()), dest;
    for (auto _ : state) {
        source.SetPosition(0);
        dest.SetPosition(0);
        manager.DecipherStream(&source, &dest, kStreamSize);
        benchmark::DoNotOptimize(dest.Memory());
    }
    state.SetBytesProcessed(state.iterations() * kStreamSize);
    TThreadPool::Shared().SetThreads(previous);
}

// Short streams on one and two threads, whatever the length, to find the
// length from which the parallel path pays (kParallelDecipherMinimum).
void BM_DecipherShort(benchmark::State& state, const char* algorithm, bool aesInstructions) {
    const int64_t size = state.range(0);
    const int threads = static_cast<int>(state.range(1));
    const int previous = TThreadPool::Shared().Threads();
    const int64_t minimum = ParallelDecipherMinimum();
    TThreadPool::Shared().SetThreads(threads);
    SetParallelDecipherMinimum(0);
    TCipherManager manager;
    manager.SetAlgorithm(algorithm);
    manager.InitKey("benchmark password");
    if (auto* rijndael = dynamic_cast<TCipher_Rijndael*>(&manager.Cipher()))
        rijndael->UseAesInstructions(aesInstructions);
    TMemoryStream source(std::vector<uint8_t>(Ciphertext().begin(), Ciphertext().begin() + size)), dest;
    for (auto _ : state) {
        source.SetPosition(0);
        dest.SetPosition(0);
        manager.DecipherStream(&source, &dest, size);
        benchmark::DoNotOptimize(dest.Memory());
    }
    state.SetBytesProcessed(state.iterations() * size);
    SetParallelDecipherMinimum(minimum);
    TThreadPool::Shared().SetThreads(previous);
}

void ThreadCounts(benchmark::internal::Benchmark* bench) {
    const int all = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    bench->Arg(1)->Arg(2);
    if (all > 2) bench->Arg(all);
    bench->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();
}

int Register() {
    struct Case {
        const char* name;
        const char* algorithm;
        bool aesInstructions;
    };
    for (const Case& c : {Case{"Blowfish", "Blowfish", false}, Case{"Rijndael_tables", "Rijndael", false},
                          Case{"Rijndael_aesni", "Rijndael", true}, Case{"3Way", "3Way", false}})
        benchmark::RegisterBenchmark((std::string("decipher_64MiB/") + c.name).c_str(), BM_DecipherThreads, c.algorithm,
                                     c.aesInstructions)
            ->Apply(ThreadCounts);
    for (const Case& c : {Case{"Blowfish", "Blowfish", false}, Case{"Rijndael_aesni", "Rijndael", true}})
        benchmark::RegisterBenchmark((std::string("decipher_short/") + c.name).c_str(), BM_DecipherShort, c.algorithm,
                                     c.aesInstructions)
            ->ArgsProduct({{16 << 10, 64 << 10, 256 << 10, 1 << 20, 4 << 20}, {1, 2}})
            ->ArgNames({"bytes", "threads"})
            ->UseRealTime();
    return 0;
}

const int registered = Register();

}  // namespace

}  // namespace quellmark
