#include "app/new_container.h"

#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/exception.h"
#include "base/text.h"
#include "cabinet/cab_writer.h"
#include "container/container_sources.h"
#include "container/container_writer.h"
#include "container/unique_file.h"
#include "crypto/registry.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

// A cabinet counts its files in 16 bits.
constexpr std::size_t kMostFilesInCabinet = 65535;

// The source's path without the trailing "/" a folder may be given with,
// which would leave it no name of its own.
fs::path Trimmed(const std::string& source) {
    std::string text = source;
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return fs::path(text);
}

// Removes the file when it goes out of scope: the cabinet is the files in
// clear and must not stay in the scratch directory once enciphered.
class RemovedAtEnd {
public:
    explicit RemovedAtEnd(std::string path) : path_(std::move(path)) {}
    ~RemovedAtEnd() { ::unlink(path_.c_str()); }
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;

private:
    std::string path_;
};

// The target must not be one of the files being packed: the container would
// take that file's place, and the file would be lost.
void CheckTargetIsNoSource(const std::string& target, const std::vector<CabSource>& sources) {
    struct stat targetInfo{};
    if (::stat(target.c_str(), &targetInfo) != 0) return;  // nothing there yet
    for (const CabSource& source : sources) {
        struct stat info{};
        if (::stat(source.path.c_str(), &info) == 0 && info.st_dev == targetInfo.st_dev &&
            info.st_ino == targetInfo.st_ino)
            throw Exception("The container cannot be saved as \"" + target + "\": that is one of the files to pack");
    }
}

}  // namespace

std::vector<std::string> CipherChoices() {
    std::vector<std::string> names;
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) names.push_back(entries.Names(i));
    return names;
}

std::optional<int32_t> CipherIndexOf(const std::string& name) {
    const std::vector<std::string> names = CipherChoices();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int32_t>(i);
    return std::nullopt;
}

std::string DefaultContainerPath(const std::vector<std::string>& sources) {
    if (sources.empty()) return {};
    const fs::path first = Trimmed(sources.front());
    if (first.filename().empty()) return {};  // the root folder has no name to take
    return first.string() + ".ozv";
}

std::optional<std::string> CheckNewContainer(const NewContainerRequest& request, const std::string& codePage,
                                             std::string& keyed) {
    if (request.sources.empty()) return "Please add the files or folders to put into the container.";
    // Each chosen item is stored under its own name: two of the same name
    // would overwrite one another when the container is unpacked.
    std::set<std::string> names;
    for (const std::string& source : request.sources) {
        const std::string name = Trimmed(source).filename().string();
        if (name.empty() || name == "." || name == "..")
            return "\"" + source + "\" has no name of its own to store it under; please choose the files in it instead.";
        if (!names.insert(name).second)
            return "Two of the chosen files or folders are called \"" + name +
                   "\"; a container holds only one of each name.";
    }
    if (!CipherIndexOf(request.cipher)) return "\"" + request.cipher + "\" is not a cipher a container can be made with.";
    if (request.password.empty()) return "Please type a password: a container cannot be made without one.";
    if (request.password != request.confirmation) return "The two passwords differ. Please type the same password twice.";
    const std::optional<std::string> converted = Utf8ToCodePage(request.password, codePage);
    if (!converted)
        return "The password has characters that code page " + codePage + " cannot represent. Please type it without them.";
    if (request.target.empty()) return "Please choose where to save the container.";
    keyed = *converted;
    return std::nullopt;
}

void WriteNewContainer(const NewContainerRequest& request, const std::string& keyedPassword,
                       const std::string& workDirectory, const NewContainerProgress& progress,
                       const std::function<void(const std::string&)>& warn) {
    const std::optional<int32_t> index = CipherIndexOf(request.cipher);
    if (!index) throw Exception("\"" + request.cipher + "\" is not a cipher a container can be made with");
    SourceWalk walk;
    walk.warn = warn;
    for (const std::string& source : request.sources) {
        const fs::path path = Trimmed(source);
        CollectSources(path.string(), path.filename().string(), walk);
    }
    if (walk.sources.empty()) throw Exception("There is no file to pack, so no container was made");
    if (walk.sources.size() > kMostFilesInCabinet)
        throw Exception("A container holds at most " + std::to_string(kMostFilesInCabinet) + " files; there are " +
                        std::to_string(walk.sources.size()));
    CheckTargetIsNoSource(request.target, walk.sources);

    const std::string cabinet = CreateUniqueFile(workDirectory, "_NEW.CAB", true);
    RemovedAtEnd cabinetGoes(cabinet);
    auto report = [&](const std::string& step, int64_t done, int64_t total) {
        if (progress) progress(step, done, total);
    };
    WriteCabinet(cabinet, walk.sources, true,
                 [&](int64_t done, int64_t total) { report("Packing the files...", done, total); });
    report("", 0, 0);
    WriteContainer(cabinet, request.target, *index, keyedPassword, [&](TProtection&, int64_t done, int64_t total) {
        report("Enciphering the container...", done, total);
    });
    report("", 0, 0);
}

}  // namespace quellmark
