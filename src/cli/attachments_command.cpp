// ozv attachments: the containers inside a message, an mbox or a
// winmail.dat, listed, or saved unchanged with --save.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/commands.h"
#include "cli/container_files.h"
#include "cli/json.h"
#include "cli/mail_input.h"
#include "cli/ozv.h"
#include "cli/progress.h"
#include "cli/stdin_container.h"
#include "mail/mail_containers.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

// The nearest directory that exists at or above `directory`, where the
// attachments are decoded before they are moved into place (a rename on the
// same file system, never a copy).
std::string NearestExisting(const std::string& directory) {
    std::error_code error;
    fs::path existing = directory;
    while (!fs::exists(fs::symlink_status(existing, error)) && existing.has_parent_path() &&
           existing.parent_path() != existing)
        existing = existing.parent_path();
    if (!fs::exists(fs::symlink_status(existing, error))) existing = ".";
    if (!fs::is_directory(existing, error)) {
        if (existing == fs::path(directory)) throw Exception("the destination " + Quoted(directory) + " is not a directory");
        throw Exception("cannot make the destination " + Quoted(directory) + ": " + Quoted(existing.string()) +
                        " is not a directory");
    }
    if (::access(existing.c_str(), W_OK | X_OK) != 0)
        throw Exception("cannot write into " + Quoted(existing.string()) + ": " + std::strerror(errno));
    return existing.string();
}

// The decoded copies are private to the user (mode 0600) while they wait
// among the command's files; saved, they get the mode any new file of the
// user's gets.
void GiveUsualMode(const std::string& path) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::chmod(path.c_str(), 0666 & ~mask) != 0)
        throw Exception("cannot set the mode of " + Quoted(path) + ": " + std::strerror(errno));
}

// Moves the decoded attachment `from` to `to`. Without `overwrite` an
// existing `to` is never replaced, not even one that appeared a moment ago.
void PutInPlace(const std::string& from, const std::string& to, bool overwrite) {
    GiveUsualMode(from);
    if (overwrite) {
        if (::rename(from.c_str(), to.c_str()) != 0)
            throw Exception("cannot save " + Quoted(to) + ": " + std::strerror(errno));
        return;
    }
    // A hard link fails when its name exists, where a rename would replace it.
    if (::link(from.c_str(), to.c_str()) != 0)
        throw Exception("cannot save " + Quoted(to) + ": " + std::strerror(errno) +
                        (errno == EEXIST ? "; give --overwrite to replace it" : ""));
    ::unlink(from.c_str());
}

}  // namespace

int CommandAttachments(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"save", "overwrite", "json"});
    if (inv.operands.size() != 1)
        throw UsageError{"\"ozv attachments\" takes one message, mbox or winmail.dat"};
    if (inv.Has("overwrite") && !inv.Has("save")) throw UsageError{"--overwrite is for --save; give --save DIR too"};
    const std::string path = ContainerPath(inv.operands.front());
    const std::string label = ContainerLabel(path);
    if (DetectMailKind(path) == MailKind::None)
        throw EBadContainer(label + " is not an e-mail message, an mbox or a winmail.dat");
    const std::optional<std::string> saveDirectory = inv.Value("save");
    if (saveDirectory && saveDirectory->empty()) throw UsageError{"--save needs a directory"};

    auto bar = TerminalByteProgress("reading mail");
    MailProgress progress;
    if (bar) progress = [bar](uint64_t done, uint64_t total) { bar(static_cast<int64_t>(done), static_cast<int64_t>(total)); };

    std::vector<MailContainer> found;
    std::unique_ptr<ScratchDirectory> scratch;
    try {
        if (saveDirectory) {
            scratch = std::make_unique<ScratchDirectory>(NearestExisting(*saveDirectory));
            found = SaveMailContainers(path, scratch->Path(), progress);
        } else {
            found = ListMailContainers(path, progress);
        }
    } catch (const EMailFormat& e) {
        if (bar) bar(0, 0);
        throw EBadContainer("cannot read the mail in " + label + ": " + e.Message());
    }
    if (bar) bar(0, 0);
    if (found.empty()) throw EBadContainer("no container (.ozv attachment) found in " + label);

    std::vector<std::string> savedAs(found.size());
    if (saveDirectory) {
        std::vector<std::string> names;
        for (const auto& container : found) names.push_back(container.name);
        const std::vector<std::string> files = SavedFileNames(names);
        // Every name is checked before the first file is saved, so that a
        // refusal leaves the directory as it was.
        const bool overwrite = inv.Has("overwrite");
        std::error_code error;
        for (std::size_t i = 0; i < found.size(); ++i) {
            savedAs[i] = (fs::path(*saveDirectory) / files[i]).string();
            const auto status = fs::symlink_status(savedAs[i], error);
            if (!fs::exists(status)) continue;
            if (fs::is_directory(status))
                throw Exception(Quoted(savedAs[i]) + " is a folder; nothing was saved (choose another place with --save)");
            if (!overwrite)
                throw Exception(Quoted(savedAs[i]) + " already exists; nothing was saved. Give --overwrite to replace it");
        }
        fs::create_directories(*saveDirectory, error);
        if (error) throw Exception("cannot make the destination " + Quoted(*saveDirectory) + ": " + error.message());
        for (std::size_t i = 0; i < found.size(); ++i) PutInPlace(found[i].path, savedAs[i], overwrite);
    }

    if (inv.Has("json")) {
        std::string json = "[";
        for (std::size_t i = 0; i < found.size(); ++i) {
            json += (i == 0 ? "\n" : ",\n");
            json += "{\"name\": " + JsonString(found[i].name) + ", \"size\": " + std::to_string(found[i].size) +
                    ", \"location\": " + JsonString(found[i].location);
            if (saveDirectory) json += ", \"saved_as\": " + JsonString(savedAs[i]);
            json += "}";
        }
        json += "\n]\n";
        std::fputs(json.c_str(), stdout);
        return kExitOk;
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        std::string line = std::to_string(found[i].size);
        line.insert(0, line.size() < 10 ? 10 - line.size() : 0, ' ');
        line += "  " + PrintableName(found[i].name) + "  (" + found[i].location + ")";
        if (saveDirectory) line += "  saved as " + PrintableName(savedAs[i]);
        std::printf("%s\n", line.c_str());
    }
    return kExitOk;
}

}  // namespace quellmark
