// The file-type views' parsers over arbitrary text: the shared MIME
// database's files, a desktop entry, mimeapps.list and an icon theme index,
// laid out as an XDG tree in a fresh directory and then queried the way the
// icon and launch lookups query them.
//
// The input is split at NUL bytes into, in turn: globs2, aliases, icons,
// generic-icons, types, a desktop entry, mimeapps.list, index.theme, and
// lines naming the keys to look up (".txt", "text/plain\Shell\Open\Command").
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_types.h"
#include "platform/file_types_apps.h"
#include "platform/file_types_key_file.h"
#include "platform/file_types_xdg.h"
#include "sandbox.h"

using namespace quellmark;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitAt(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string_view::npos; start = at + 1)
        parts.emplace_back(text.substr(start, at - start));
    parts.emplace_back(text.substr(start));
    return parts;
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void LookUp(const TFileTypeKeys& keys, TRootKey root, const std::string& key) {
    const std::string prefix = root == TRootKey::LocalMachine ? "Software\\Classes\\" : "";
    const auto type = keys.DefaultValue(root, prefix + key);
    if (!type || type->empty() || type->size() > 200) return;
    keys.DefaultValue(root, prefix + *type + "\\DefaultIcon");
    keys.DefaultValue(root, prefix + *type + "\\Shell\\Open\\Command");
    TReadOnlyRegistry registry(keys, root);
    if (registry.OpenKeyReadOnly(prefix + *type)) registry.ReadString("");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The parsers on their own, over the whole text.
    freedesktop::KeyFile::Parse(input);
    freedesktop::SplitExec(input);
    freedesktop::UnescapeString(input);

    std::vector<std::string> parts = SplitAt(input, '\0');
    parts.resize(9);
    const fs::path dir = Sandbox().NewCase();
    const fs::path system = dir / "system", user = dir / "user";
    const char* const mimeFiles[] = {"globs2", "aliases", "icons", "generic-icons", "types"};
    for (int i = 0; i < 5; ++i) Write(system / "mime" / mimeFiles[i], parts[i]);
    Write(user / "applications" / "fuzz.desktop", parts[5]);
    Write(user / "config" / "mimeapps.list", parts[6]);
    Write(system / "icons" / "fuzz" / "index.theme", parts[7]);
    fs::create_directories(dir / "bin");

    freedesktop::BaseDirs dirs;
    dirs.dataHome = user.string();
    dirs.dataDirs = {system.string()};
    dirs.configHome = (user / "config").string();
    dirs.desktops = {"fuzz"};
    dirs.programPath = {(dir / "bin").string()};
    {
        TFreedesktopFileTypes keys(dirs, "fuzz");
        std::vector<std::string> queries = SplitAt(parts[8], '\n');
        if (queries.size() > 8) queries.resize(8);
        queries.push_back(".txt");
        for (const std::string& key : queries) {
            LookUp(keys, TRootKey::ClassesRoot, key);
            LookUp(keys, TRootKey::LocalMachine, key);
        }
    }
    Sandbox().EndCase();
    return 0;
}
