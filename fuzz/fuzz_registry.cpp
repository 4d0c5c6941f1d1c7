// The registry store's text form and the store itself, from arbitrary bytes.
//
// Text that parses must write back to text that parses to the same values,
// and that text must write back to itself. As a stored file, any input must
// either be read (and keep its values through a write) or be moved aside
// whole, never overwritten; the file written is the owner's alone (0600).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "platform/registry_file.h"
#include "platform/registry_store.h"
#include "platform/registry_text.h"
#include "sandbox.h"

using namespace quellmark;

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "registry: %s\n", what);
    std::abort();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::optional<RegistryTree> Parse(std::string_view text) {
    try {
        return ParseRegistryText(text);
    } catch (const ERegistryTextError&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::optional<RegistryTree> parsed = Parse(input);
    if (parsed) {
        const std::string written = FormatRegistryText(*parsed);
        const std::optional<RegistryTree> again = Parse(written);
        if (!again) Fail("written text does not parse");
        if (!(*again == *parsed)) Fail("values changed through writing and reading");
        if (FormatRegistryText(*again) != written) Fail("writing is not stable");
    }

    const std::string dir = Sandbox().NewCase();
    const std::string path = dir + "/user.reg";
    std::ofstream(path, std::ios::binary).write(input.data(), static_cast<std::streamsize>(input.size()));
    RegistryFile store(path);
    int notices = 0;
    store.OnNotice = [&](const std::string&) { ++notices; };
    TRegistry registry(store);
    if (!registry.OpenKey("Software\\Brindlecor\\ozvDecoder", true)) Fail("cannot open a key in a writable store");
    registry.WriteString("fuzz", "value");

    RegistryTree expected = parsed.value_or(RegistryTree());
    expected.Set("HKEY_CURRENT_USER\\Software\\Brindlecor\\ozvDecoder", "fuzz", RegistryValue::String("value"));
    if (!(store.Load() == expected)) Fail("the store lost or changed values");
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || (info.st_mode & 07777) != 0600) Fail("the store is not mode 0600");

    // An unreadable input is kept, byte for byte, under another name.
    bool keptAside = false;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().starts_with("user.reg.broken-")) keptAside = ReadAll(entry.path()) == input;
    if (parsed && (keptAside || notices)) Fail("a readable store was set aside");
    if (!parsed && (!keptAside || notices != 1)) Fail("an unreadable store was not set aside with a notice");
    Sandbox().EndCase();
    return 0;
}
