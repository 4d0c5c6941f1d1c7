// Throughput of the cipher and hash paths a container decode runs through.
#include <benchmark/benchmark.h>

#include <vector>

#include "base/streams.h"
#include "crypto/managers.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

constexpr int64_t kDataSize = 1 << 20;

// Stream decipherment in cts, 4096-byte chunks, as a container body is read.
void BM_CipherStreamDecipherCts(benchmark::State& state, const TCipherClass* cls) {
    TCipherManager manager;
    manager.SetAlgorithm(cls->className);
    manager.InitKey("benchmark password");
    TMemoryStream source(std::vector<uint8_t>(kDataSize, 0x5A)), dest;
    for (auto _ : state) {
        source.SetPosition(0);
        dest.SetPosition(0);
        manager.DecipherStream(&source, &dest, kDataSize);
        benchmark::DoNotOptimize(dest.Memory());
    }
    state.SetBytesProcessed(state.iterations() * kDataSize);
}

void BM_Hash(benchmark::State& state, const THashClass* cls) {
    auto hash = cls->create();
    std::vector<uint8_t> data(kDataSize, 0xA5);
    for (auto _ : state) {
        hash->Restart();
        hash->AddData(data.data(), static_cast<int32_t>(data.size()));
        hash->Finish();
        benchmark::DoNotOptimize(hash->DigestBytes());
    }
    state.SetBytesProcessed(state.iterations() * kDataSize);
}

// Every registered class gets its own benchmark, so later algorithms are measured too.
int RegisterAll() {
    const TStringList& ciphers = CipherRegistry().Entries();
    for (std::size_t i = 0; i < ciphers.Count(); ++i)
        if (const TCipherClass* cls = TCipherRegistry::ClassAt(ciphers, i))
            benchmark::RegisterBenchmark(("cts_decipher/" + ciphers.Names(i)).c_str(), BM_CipherStreamDecipherCts, cls);
    const TStringList& hashes = HashRegistry().Entries();
    for (std::size_t i = 0; i < hashes.Count(); ++i)
        benchmark::RegisterBenchmark(("hash/" + hashes.Names(i)).c_str(), BM_Hash, THashRegistry::ClassAt(hashes, i));
    return 0;
}

const int registered = RegisterAll();

}  // namespace

}  // namespace quellmark
