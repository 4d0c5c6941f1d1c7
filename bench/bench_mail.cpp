// Decoding a 16 MiB container out of a message: base64 (what mail programs
// send) and quoted-printable (the slowest encoding a sender may choose).
// The messages are written once by GMime.
#include <benchmark/benchmark.h>
#include <gmime/gmime.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "mail/mail_containers.h"

namespace quellmark {

namespace {

constexpr std::size_t kContainerSize = 16 << 20;

std::filesystem::path MailDirectory() {
    static const auto* dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quellmark-bench-mail-XXXXXX").string();
        auto* made = new std::filesystem::path(mkdtemp(pattern.data()));
        // The messages are large; they go with the program.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(MailDirectory(), ignored);
        });
        return made;
    }();
    return *dir;
}

std::string Message(GMimeContentEncoding encoding, const char* file) {
    const auto path = MailDirectory() / file;
    if (std::filesystem::exists(path)) return path.string();
    g_mime_init();
    std::mt19937 rng(16);
    std::string payload(kContainerSize, '\0');
    for (char& c : payload) c = static_cast<char>(rng());

    GMimePart* part = g_mime_part_new_with_type("application", "octet-stream");
    GMimeStream* data = g_mime_stream_mem_new_with_buffer(payload.data(), payload.size());
    GMimeDataWrapper* content = g_mime_data_wrapper_new_with_stream(data, GMIME_CONTENT_ENCODING_DEFAULT);
    g_mime_part_set_content(part, content);
    g_mime_part_set_content_encoding(part, encoding);
    g_mime_part_set_filename(part, "bench.ozv");
    GMimeMultipart* body = g_mime_multipart_new_with_subtype("mixed");
    g_mime_multipart_add(body, GMIME_OBJECT(part));
    GMimeMessage* message = g_mime_message_new(TRUE);
    g_mime_message_set_mime_part(message, GMIME_OBJECT(body));
    GMimeStream* out = g_mime_stream_file_open(path.c_str(), "wb", nullptr);
    g_mime_object_write_to_stream(GMIME_OBJECT(message), nullptr, out);
    g_mime_stream_flush(out);
    for (gpointer object : {static_cast<gpointer>(out), static_cast<gpointer>(message), static_cast<gpointer>(body),
                            static_cast<gpointer>(part), static_cast<gpointer>(content), static_cast<gpointer>(data)})
        g_object_unref(object);
    return path.string();
}

void BM_SaveMailContainer(benchmark::State& state, GMimeContentEncoding encoding, const char* file) {
    const std::string mail = Message(encoding, file);
    const auto out = MailDirectory() / "out";
    std::filesystem::create_directories(out);
    for (auto _ : state) {
        const auto found = SaveMailContainers(mail, out.string());
        benchmark::DoNotOptimize(found.size());
        for (const auto& container : found) std::filesystem::remove(container.path);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kContainerSize));
}

void BM_ListMailContainer(benchmark::State& state) {
    const std::string mail = Message(GMIME_CONTENT_ENCODING_BASE64, "base64.eml");
    for (auto _ : state) benchmark::DoNotOptimize(ListMailContainers(mail).size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kContainerSize));
}

}  // namespace

BENCHMARK_CAPTURE(BM_SaveMailContainer, Base64, GMIME_CONTENT_ENCODING_BASE64, "base64.eml")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveMailContainer, QuotedPrintable, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE, "qp.eml")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListMailContainer)->Unit(benchmark::kMillisecond);

}  // namespace quellmark
