// A whole container decode (decipher, list, unpack) of a generated 64 MiB
// container, for Blowfish and Rijndael, MSZIP and stored.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "container/vossel_decoder.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

constexpr std::size_t kPayload = 64 << 20;

std::filesystem::path WorkDirectory() {
    // Kept alive to the very end, for the clean-up below.
    static const auto* dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quellmark-bench-XXXXXX").string();
        return new std::filesystem::path(mkdtemp(pattern.data()));
    }();
    return *dir;
}

// Half random, half repetitive, so that MSZIP has work in both directions.
std::string Payload() {
    const auto path = WorkDirectory() / "payload.bin";
    if (!std::filesystem::exists(path)) {
        std::mt19937 rng(64);
        std::string data(kPayload, '\0');
        for (std::size_t i = 0; i < kPayload; ++i) data[i] = i % 8192 < 4096 ? static_cast<char>(rng()) : static_cast<char>(i / 8192);
        std::ofstream(path, std::ios::binary) << data;
    }
    return path.string();
}

void BM_DecodeContainer(benchmark::State& state, int32_t index, bool compress) {
    const auto dir = WorkDirectory();
    char names[2][64];
    std::snprintf(names[0], sizeof names[0], "body%d.cab", compress ? 1 : 0);
    std::snprintf(names[1], sizeof names[1], "c%d-%d.ozv", static_cast<int>(index), compress ? 1 : 0);
    const std::string cabinet = (dir / names[0]).string();
    const std::string container = (dir / names[1]).string();
    if (!std::filesystem::exists(cabinet)) WriteCabinet(cabinet, {{Payload(), "payload.bin"}}, compress);
    if (!std::filesystem::exists(container)) WriteContainer(cabinet, container, index, "benchmark");
    const auto scratch = dir / "scratch";
    for (auto _ : state) {
        TVosselDecoder decoder;
        TStringList names;
        decoder.DecodeContainer(names, container, scratch.string(), "benchmark");
        benchmark::DoNotOptimize(names.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(std::filesystem::file_size(container)));
}

int RegisterAll() {
    for (const char* name : {"TCipher_Blowfish", "TCipher_Rijndael"}) {
        const TCipherClass* cls = LookupCipherClass(name);
        if (!cls) continue;
        const TStringList& entries = CipherRegistry().Entries();
        for (std::size_t i = 0; i < entries.Count(); ++i) {
            if (TCipherRegistry::ClassAt(entries, i) != cls) continue;
            for (bool compress : {true, false})
                benchmark::RegisterBenchmark(("decode_container/" + entries.Names(i) + (compress ? "/mszip" : "/stored")).c_str(),
                                             BM_DecodeContainer, static_cast<int32_t>(i), compress)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime()
                    ->Iterations(3);
        }
    }
    return 0;
}

const int registered = RegisterAll();

// Removes the generated files when the benchmarks end.
struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        std::filesystem::remove_all(WorkDirectory(), ignored);
    }
} cleanup;

}  // namespace

}  // namespace quellmark
