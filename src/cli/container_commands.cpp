// ozv info, list, extract and create.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "base/safe_paths.h"
#include "base/streams.h"
#include "cabinet/cab_reader.h"
#include "cabinet/cab_writer.h"
#include "cli/commands.h"
#include "cli/ozv.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "container/container_writer.h"
#include "container/vossel_decoder.h"
#include "crypto/registry.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

// A private directory for intermediate files, removed with everything in it
// when the command ends, however it ends.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& parent) {
        std::string pattern = parent + "/.ozv-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw Exception("Cannot create a working directory in \"" + parent + "\": " + std::strerror(errno));
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string TempParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// The container operand, checked to be a readable file of at least a header.
std::string ContainerOperand(const Invocation& inv, std::size_t operandsWanted) {
    if (inv.operands.size() != operandsWanted)
        throw UsageError{"\"ozv " + inv.command + "\" takes " + (operandsWanted == 1 ? "one container" : "a container")};
    const std::string& path = inv.operands.front();
    std::error_code error;
    const auto status = fs::status(path, error);
    if (error || !fs::exists(status)) throw Exception("\"" + path + "\" does not exist");
    if (fs::is_directory(status)) throw Exception("\"" + path + "\" is a directory, not a container");
    return path;
}

void RequireHeader(const std::string& path) {
    if (fs::file_size(path) < static_cast<uintmax_t>(kContainerHeaderSize))
        throw EBadContainer("\"" + path + "\" is not a container: it is shorter than a container's 256-byte header");
}

// Failures that mean the deciphered body is no usable cabinet.
bool MeansWrongPassword(const ESTCabinet& e) {
    switch (e.ErrorCode()) {
    case FDIERROR_NOT_A_CABINET:
    case FDIERROR_UNKNOWN_CABINET_VERSION:
    case FDIERROR_CORRUPT_CABINET:
    case FDIERROR_BAD_COMPR_TYPE:
    case FDIERROR_MDI_FAIL:
    case FDIERROR_RESERVE_MISMATCH: return e.ErrorPresent();
    default: return false;
    }
}

[[noreturn]] void WrongPassword(const std::string& path) {
    throw EBadContainer("cannot open \"" + path + "\": the password is wrong, or the file is damaged or not a container");
}

std::string FormatStamp(uint16_t date, uint16_t time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", (date >> 9) + 1980, (date >> 5) & 15, date & 31,
                  time >> 11, (time >> 5) & 63, (time & 31) * 2);
    return text;
}

// Deciphers the body into a cabinet file (for listing).
void DecipherBody(const std::string& containerPath, const std::string& cabinetPath, const std::string& password) {
    TVosselDecoder names;  // only for the index-to-name rule
    TCipherManager manager;
    manager.SetAlgorithm(names.AlgorithmAt(ReadAlgorithmIndex(containerPath)));
    manager.InitKey(password);
    manager.OnProgress = TerminalProgress("deciphering");
    TFileStream container(containerPath, FileMode::OpenRead);
    TFileStream cabinet(cabinetPath, FileMode::Create);
    container.SetPosition(kContainerHeaderSize);
    manager.DecipherStream(&container, &cabinet, container.Size());
}

int32_t IndexOf(const TCipherClass& cls) {
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
        if (TCipherRegistry::ClassAt(entries, i) == &cls) return static_cast<int32_t>(i);
    return -1;
}

// The name a file gets in a new cabinet: its path as given, relative, with
// no way up or out.
std::string StoredNameOf(const fs::path& path) {
    std::string name;
    for (const auto& part : path.lexically_normal()) {
        const std::string text = part.string();
        if (text == "/" || text == "." || text.empty()) continue;
        if (text == "..") throw UsageError{"\"" + path.string() + "\" leads outside the current directory; name files beneath it"};
        name += (name.empty() ? "" : "/") + text;
    }
    if (name.empty()) throw UsageError{"\"" + path.string() + "\" names no file"};
    return name;
}

void CollectSources(const fs::path& operand, std::vector<CabSource>& sources) {
    std::error_code error;
    if (fs::is_directory(operand, error)) {
        std::vector<fs::path> children;
        for (const auto& child : fs::directory_iterator(operand)) children.push_back(child.path());
        std::sort(children.begin(), children.end());
        for (const auto& child : children) CollectSources(child, sources);
    } else if (fs::is_regular_file(operand, error)) {
        sources.push_back({operand.string(), StoredNameOf(operand)});
    } else {
        throw Exception("\"" + operand.string() + "\" is not a file or directory that can be packed");
    }
}

// Why an entry cut across cabinets of a set cannot be unpacked from a
// container, which holds one cabinet only.
std::string SplitReason(const std::string& otherCabinet, bool beginsEarlier) {
    const std::string cabinet = !otherCabinet.empty() ? "the cabinet \"" + otherCabinet + "\""
                                : beginsEarlier        ? "an earlier cabinet of its set"
                                                       : "a later cabinet of its set";
    return (beginsEarlier ? "begins in " : "goes on in ") + cabinet + ", which is not in the container";
}

[[noreturn]] void RefuseSplitEntries(const std::string& path, const std::vector<SplitEntry>& entries) {
    const SplitEntry& first = entries.front();
    std::string others;
    if (entries.size() > 1) others = " (and " + std::to_string(entries.size() - 1) + " more such entries)";
    throw EBadContainer("cannot extract \"" + path + "\": the entry \"" + first.name + "\" " +
                        SplitReason(first.otherCabinet, first.beginsEarlier) + others + "; nothing was extracted");
}

// Moves `relative` from beneath `from` to beneath `to`, never through a link.
// False when there was nothing to move (an entry named twice moves once).
bool MoveIntoPlace(const std::string& from, const std::string& to, const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : relative.substr(0, slash);
    const std::string leaf = relative.substr(slash == std::string::npos ? 0 : slash + 1);
    int source = OpenDirectoryBeneath(from, directory, false);
    int target = source < 0 ? -1 : OpenDirectoryBeneath(to, directory, true);
    const int error = errno;
    const bool moved = target >= 0 && ::renameat(source, leaf.c_str(), target, leaf.c_str()) == 0;
    const int moveError = errno;
    if (source >= 0) ::close(source);
    if (target >= 0) ::close(target);
    if (!moved && !(target >= 0 && moveError == ENOENT))
        throw Exception("cannot put \"" + relative + "\" into \"" + to + "\": " +
                        std::strerror(target < 0 ? error : moveError));
    return moved;
}

}  // namespace

int CommandInfo(const Invocation& inv) {
    CheckOptionsAllowed(inv, {});
    const std::string path = ContainerOperand(inv, 1);
    RequireHeader(path);
    const int32_t index = ReadAlgorithmIndex(path);
    TVosselDecoder decoder;
    std::string name = decoder.AlgorithmAt(index);
    const TCipherClass* cls = LookupCipherClass(name);
    std::string cipher = cls ? name : "Blowfish (the index " + std::to_string(index) + " names no cipher here, so Blowfish applies)";
    const auto size = fs::file_size(path);
    std::printf("container:  %s\nalgorithm:  %d  %s\nsize:       %ju bytes\nbody:       %ju bytes\n", path.c_str(), index,
                cipher.c_str(), static_cast<uintmax_t>(size), static_cast<uintmax_t>(size - kContainerHeaderSize));
    return kExitOk;
}

int CommandList(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"password", "password-file", "codepage"});
    const std::string path = ContainerOperand(inv, 1);
    RequireHeader(path);
    const std::string password = ObtainPassword(inv, false, false);
    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    DecipherBody(path, cabinet, password);
    TSTCabReader reader;
    std::vector<std::string> lines;
    std::vector<std::pair<std::size_t, uint16_t>> splitLines;  // line index, folder of an entry cut across cabinets
    bool isCabinet = reader.ListCabinetFiles(cabinet, [&](TSTCabReader&, const std::string& name, int32_t size,
                                                          uint16_t folder, uint16_t date, uint16_t time, uint16_t, bool&) {
        char line[64];
        std::snprintf(line, sizeof line, "%10u  %s  ", static_cast<uint32_t>(size), FormatStamp(date, time).c_str());
        if (folder >= kFolderContinuedFromPrev) splitLines.push_back({lines.size(), folder});
        lines.push_back(line + name);
    });
    if (!isCabinet) WrongPassword(path);
    if (!splitLines.empty()) {
        const CabNeighbours neighbours = reader.ListNeighbours(cabinet);
        for (const auto& [index, folder] : splitLines) {
            const bool beginsEarlier = folder != kFolderContinuedToNext;
            lines[index] += "  (cannot be extracted: it " +
                            SplitReason(beginsEarlier ? neighbours.previous : neighbours.next, beginsEarlier) + ")";
        }
    }
    for (const auto& line : lines) std::printf("%s\n", line.c_str());
    return kExitOk;
}

int CommandExtract(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"directory", "password", "password-file", "codepage"});
    const std::string path = ContainerOperand(inv, 1);
    const std::string directory = inv.Value("directory").value_or(".");
    std::error_code error;
    if (!fs::is_directory(directory, error))
        throw Exception("the destination \"" + directory + "\" is not a directory");
    if (::access(directory.c_str(), W_OK | X_OK) != 0)
        throw Exception("cannot write into \"" + directory + "\": " + std::strerror(errno));
    RequireHeader(path);
    const std::string password = ObtainPassword(inv, false, false);

    // The container is unpacked into a private directory beside the
    // destination and its files moved into place only once all of it came
    // out: a wrong password or a damaged container leaves nothing behind.
    ScratchDirectory staging(directory);
    TVosselDecoder decoder;
    decoder.OnProgress = TerminalProgress("deciphering");
    TStringList files;
    try {
        decoder.DecodeContainer(files, path, staging.Path(), password);
    } catch (const ESTCabinet& e) {
        if (!decoder.SplitEntries().empty()) RefuseSplitEntries(path, decoder.SplitEntries());
        if (MeansWrongPassword(e)) WrongPassword(path);
        throw;
    }
    // All of the container or nothing: an entry that cannot come out whole
    // fails the extraction before anything is moved into place.
    if (!decoder.SplitEntries().empty()) RefuseSplitEntries(path, decoder.SplitEntries());
    for (const auto& entry : files)
        if (MoveIntoPlace(staging.Path(), directory, entry.text)) std::printf("%s\n", entry.text.c_str());
    return kExitOk;
}

int CommandCreate(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"cipher", "store", "password", "password-file", "codepage"});
    if (inv.operands.size() < 2) throw UsageError{"\"ozv create\" needs a container name and at least one file"};
    const std::string containerPath = inv.operands.front();
    const TCipherClass& cls = ChooseCipher(inv.Value("cipher").value_or("Blowfish"));
    std::vector<CabSource> sources;
    for (std::size_t i = 1; i < inv.operands.size(); ++i) CollectSources(inv.operands[i], sources);
    if (sources.size() > 65535) throw UsageError{"a cabinet holds at most 65535 files"};
    const std::string password = ObtainPassword(inv, true, false);

    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    WriteCabinet(cabinet, sources, !inv.Has("store"));
    WriteContainer(cabinet, containerPath, IndexOf(cls), password, TerminalProgress("enciphering"));
    return kExitOk;
}

}  // namespace quellmark
