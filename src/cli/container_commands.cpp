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
#include "cli/inspect.h"
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

// `text` in double quotes, as messages name files. (Appending, where
// `"\"" + text` inserts, keeps g++ 12 from a false -Wrestrict.)
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += text;
    return quoted += '"';
}

std::string TempParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Why `status` (of `path`) is no file a container can be read from, or ""
// when it is a regular file. Pipes and devices cannot be read twice or
// measured, which the decoder needs.
std::string NotAFile(const std::string& path, const fs::file_status& status) {
    const std::string quoted = Quoted(path);
    switch (status.type()) {
    case fs::file_type::regular: return {};
    case fs::file_type::directory: return quoted + " is a directory, not a container";
    case fs::file_type::fifo:
        return quoted + " is a pipe, not a file; ozv reads containers only from files, so save the container to a file first";
    case fs::file_type::character:
    case fs::file_type::block: return quoted + " is a device, not a container; give the container's file";
    case fs::file_type::socket: return quoted + " is a socket, not a container; give the container's file";
    default: return quoted + " is not a regular file, so it cannot be a container";
    }
}

// The container operand, checked to be a regular file.
std::string ContainerOperand(const Invocation& inv, std::size_t operandsWanted) {
    if (inv.operands.size() != operandsWanted)
        throw UsageError{"\"ozv " + inv.command + "\" takes " + (operandsWanted == 1 ? "one container" : "a container")};
    const std::string& path = inv.operands.front();
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        if (path == "-")
            throw Exception("ozv reads containers only from files, not from standard input; save the container to a file first");
        throw Exception(Quoted(path) + " does not exist");
    }
    if (error) throw Exception("cannot examine " + Quoted(path) + ": " + error.message());
    if (std::string why = NotAFile(path, status); !why.empty()) throw Exception(why);
    return path;
}

uintmax_t ContainerSize(const std::string& path) {
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (error) throw Exception("cannot examine " + Quoted(path) + ": " + error.message());
    return size;
}

void RequireHeader(const std::string& path) {
    if (ContainerSize(path) < static_cast<uintmax_t>(kContainerHeaderSize))
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

// What the start of a deciphered body shows about its container. A wrong
// password or cipher turns the cabinet header into noise; a header that
// holds together (signature, version 1.3, reserved fields zero, its file
// list inside the cabinet) shows that the body was deciphered right, and
// then the cabinet size it gives can be trusted.
enum class BodyState {
    TooShort,      // fewer bytes than any cabinet header
    NoCabinet,     // no cabinet signature: the password is wrong, or no container
    BrokenHeader,  // the signature, but the rest of the header does not hold together
    CutShort,      // a sound header that promises more bytes than there are
    Whole,         // a sound header and all the bytes it promises
};

struct BodyFacts {
    BodyState state;
    int64_t size;       // bytes in the body
    uint32_t declared;  // the cabinet size its header gives
};

BodyFacts ExamineBody(const std::string& cabinetPath) {
    uint8_t header[36] = {};
    BodyFacts facts{BodyState::Whole, 0, 0};
    {
        TFileStream body(cabinetPath, FileMode::OpenRead);
        body.Read(header, sizeof header);
        facts.size = body.Size();
    }
    auto u32 = [&header](int at) {
        return uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 | uint32_t(header[at + 2]) << 16 |
               uint32_t(header[at + 3]) << 24;
    };
    facts.declared = u32(8);
    const uint32_t fileListOffset = u32(16);
    if (facts.size < static_cast<int64_t>(sizeof header))
        facts.state = BodyState::TooShort;
    else if (std::memcmp(header, "MSCF", 4) != 0)
        facts.state = BodyState::NoCabinet;
    else if (u32(4) != 0 || u32(12) != 0 || u32(20) != 0 || header[24] != 3 || header[25] != 1 ||
             fileListOffset < sizeof header || fileListOffset >= facts.declared)
        facts.state = BodyState::BrokenHeader;
    else if (facts.declared > facts.size)
        facts.state = BodyState::CutShort;
    return facts;
}

// Reports the fault of a container whose body, described by `facts`, could
// not be listed or unpacked; `reason` is the failure.
[[noreturn]] void RaiseBadBody(const std::string& containerPath, const BodyFacts& facts, const std::string& reason) {
    const std::string container = Quoted(containerPath);
    switch (facts.state) {
    case BodyState::TooShort:
        throw EBadContainer(container + " is cut short or not a container: only " + std::to_string(facts.size) +
                            " bytes follow its header, fewer than any cabinet has");
    case BodyState::NoCabinet: WrongPassword(containerPath);
    case BodyState::CutShort:
        throw EBadContainer(container + " is damaged: it is cut short, with " + std::to_string(facts.size) +
                            " of its cabinet's " + std::to_string(facts.declared) +
                            " bytes; the copy or download is incomplete, so get the container again");
    case BodyState::BrokenHeader:
        throw EBadContainer(container + " is damaged: the password is right, but the header of its cabinet is broken (" +
                            reason + "); get a sound copy of the container");
    case BodyState::Whole: break;
    }
    throw EBadContainer(container + " is damaged: the password is right, but its contents are broken (" + reason +
                        "); get a sound copy of the container");
}

// Whether a failed decode failed on what the container holds rather than on
// the system (a read error, a full disk, a file that could not be written).
// The decoder deciphers the whole body into its temporary cabinet before it
// reads any of it, so a temporary cabinet shorter than the body means the
// decipherment itself stopped.
bool FailedOnTheContents(const Exception& e, const std::string& containerPath, const std::string& cabinetPath) {
    std::error_code error;
    const uintmax_t written = fs::file_size(cabinetPath, error);
    if (error) return false;
    const uintmax_t container = fs::file_size(containerPath, error);
    if (error || written + kContainerHeaderSize != container) return false;
    if (const auto* cabinetError = dynamic_cast<const ESTCabinet*>(&e)) return MeansWrongPassword(*cabinetError);
    return true;  // the listing of the cabinet's file directory, which only a broken body fails
}

// Lists the deciphered body of a container; every failure of the listing is
// the container's (see RaiseBadBody).
void ListBody(TSTCabReader& reader, const std::string& containerPath, const std::string& cabinetPath,
              const TCabEntryCallback& callback) {
    // The listing reads only the cabinet's file directory, so a container
    // cut short after it would list as if whole.
    const BodyFacts facts = ExamineBody(cabinetPath);
    if (facts.state != BodyState::Whole && facts.state != BodyState::BrokenHeader)
        RaiseBadBody(containerPath, facts, "");
    try {
        if (reader.ListCabinetFiles(cabinetPath, callback)) return;
    } catch (const Exception& e) {
        RaiseBadBody(containerPath, facts, e.Message());
    }
    RaiseBadBody(containerPath, facts, "the cabinet library does not take it for a cabinet");
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

// Adds `operand` (a file, or a directory with everything beneath it) to
// `sources`. Each file is opened here, before the password is asked for or
// anything is written, so that one that cannot be read stops the command at
// once and by name. `ancestors` are the directories being walked, by
// identity: a link back to one of them would otherwise be walked forever.
void CollectSources(const fs::path& operand, std::vector<CabSource>& sources,
                    std::vector<std::pair<dev_t, ino_t>>& ancestors) {
    const std::string quoted = Quoted(operand.string());
    struct stat info {};
    if (::stat(operand.c_str(), &info) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(operand.c_str(), &link) == 0)
            throw Exception(quoted + " is a link to something that does not exist; leave it out");
        if (error == ENOENT) throw Exception(quoted + " does not exist");
        throw Exception("cannot examine " + quoted + ": " + std::strerror(error));
    }
    if (S_ISDIR(info.st_mode)) {
        const std::pair<dev_t, ino_t> identity{info.st_dev, info.st_ino};
        if (std::find(ancestors.begin(), ancestors.end(), identity) != ancestors.end())
            throw Exception(quoted + " leads back into a folder that holds it (a loop of links); leave it out");
        std::error_code error;
        std::vector<fs::path> children;
        for (fs::directory_iterator it(operand, error), end; !error && it != end; it.increment(error))
            children.push_back(it->path());
        if (error) throw Exception("cannot read the folder " + quoted + ": " + error.message());
        std::sort(children.begin(), children.end());
        ancestors.push_back(identity);
        for (const auto& child : children) CollectSources(child, sources, ancestors);
        ancestors.pop_back();
    } else if (S_ISREG(info.st_mode)) {
        const int fd = ::open(operand.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw Exception("cannot read " + quoted + ": " + std::strerror(errno));
        ::close(fd);
        sources.push_back({operand.string(), StoredNameOf(operand)});
    } else {
        throw Exception(quoted + " is not a file or directory that can be packed");
    }
}

// Refuses, before any work is done, a place the new container cannot go.
// The container is written beside its final name and renamed over it, so
// the directory must take new files, and the name must not be a directory,
// a device or a pipe (a rename would put the container in its place).
void CheckContainerTarget(const std::string& path) {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::directory)
        throw Exception(Quoted(path) + " is a directory; give the new container a file name");
    if (fs::exists(status) && status.type() != fs::file_type::regular)
        throw Exception(Quoted(path) + " is not a regular file; give the new container a file name of its own");
    const fs::path parent = fs::path(path).parent_path();
    const std::string directory = parent.empty() ? "." : parent.string();
    // The effective identity decides, as it will when the file is made.
    if (fs::is_directory(directory, error) && ::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        throw Exception("cannot write into " + Quoted(directory) + ": " + std::strerror(errno) +
                        "; choose another place for the container");
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

// The entries of a deciphered body, with the compression of their folders
// and, for an entry cut across cabinets, why it cannot be extracted. Every
// failure to list them is the container's (see RaiseBadBody).
std::vector<InspectedEntry> ReadEntries(const std::string& containerPath, const std::string& cabinetPath) {
    TSTCabReader reader;
    std::vector<InspectedEntry> entries;
    std::vector<uint16_t> storedFolders;  // the folder field as stored, which marks entries cut across cabinets
    ListBody(reader, containerPath, cabinetPath, [&](TSTCabReader&, const std::string& name, int32_t size,
                                                     uint16_t folder, uint16_t date, uint16_t time, uint16_t attributes,
                                                     bool&) {
        entries.push_back({name, static_cast<uint32_t>(size), folder, date, time, attributes, {}, {}});
        storedFolders.push_back(folder);
    });
    // The folder records come before the file directory that was just read,
    // so they are there; should they not be readable, the compression is
    // shown as unknown rather than failing the listing.
    std::vector<uint16_t> compression;
    try {
        TFileStream cabinet(cabinetPath, FileMode::OpenRead);
        compression = ReadCabFolderCompression(cabinet);
    } catch (const Exception&) {
        compression.clear();
    }
    CabNeighbours neighbours;
    bool neighboursRead = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        InspectedEntry& entry = entries[i];
        const uint16_t stored = storedFolders[i];
        if (stored >= kFolderContinuedFromPrev) {
            if (!neighboursRead) neighbours = reader.ListNeighbours(cabinetPath);
            neighboursRead = true;
            const bool beginsEarlier = stored != kFolderContinuedToNext;
            entry.unextractable = SplitReason(beginsEarlier ? neighbours.previous : neighbours.next, beginsEarlier);
            // An entry continued from the previous cabinet lies in its first
            // folder, one continued in the next in its last.
            entry.folder = beginsEarlier || compression.empty() ? 0 : static_cast<uint16_t>(compression.size() - 1);
        }
        if (entry.folder < compression.size()) entry.compression = CompressionName(compression[entry.folder]);
    }
    return entries;
}

}  // namespace

int CommandInfo(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"json", "password", "password-file", "codepage", "ask-password"});
    const std::string path = ContainerOperand(inv, 1);
    RequireHeader(path);
    const ContainerFacts facts = InspectContainer(path);
    // A password is tried only when one is offered: `info` must go on
    // working in scripts that have none, so it never prompts unasked.
    const char* environment = std::getenv("OZV_PASSWORD");
    const bool tryPassword = inv.Has("password") || inv.Has("password-file") || inv.Has("ask-password") ||
                             (environment && *environment);
    std::optional<bool> opens;
    std::vector<InspectedEntry> entries;
    std::string failure;
    if (tryPassword) {
        const std::string password = ObtainPassword(inv, false, false);
        ScratchDirectory work(TempParent());
        const std::string cabinet = work.Path() + "/body.cab";
        DecipherBody(path, cabinet, password);
        try {
            entries = ReadEntries(path, cabinet);
            opens = true;
        } catch (const EBadContainer& e) {
            opens = false;
            failure = e.Message();
        }
    }
    if (inv.Has("json")) {
        PrintJson(stdout, facts, opens, opens.value_or(false) ? &entries : nullptr);
    } else {
        std::printf("container:  %s\nalgorithm:  %s\nsize:       %ju bytes\nbody:       %ju bytes\n", path.c_str(),
                    DescribeCipher(facts).c_str(), facts.size, facts.bodySize);
        if (opens)
            std::printf("password:   %s\n", *opens ? ("opens it (" + std::to_string(entries.size()) +
                                                      (entries.size() == 1 ? " file)" : " files)")).c_str()
                                                   : "does not open it");
    }
    if (opens == false) {
        std::fflush(stdout);
        throw EBadContainer(failure);
    }
    return kExitOk;
}

int CommandList(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"password", "password-file", "codepage", "long", "json"});
    const std::string path = ContainerOperand(inv, 1);
    RequireHeader(path);
    const std::string password = ObtainPassword(inv, false, false);
    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    DecipherBody(path, cabinet, password);
    const std::vector<InspectedEntry> entries = ReadEntries(path, cabinet);
    if (inv.Has("json")) {
        PrintJson(stdout, InspectContainer(path), std::nullopt, &entries);
        return kExitOk;
    }
    for (const auto& entry : entries) {
        if (inv.Has("long")) {
            std::printf("%s\n", LongListLine(entry).c_str());
            continue;
        }
        std::string line = std::to_string(entry.size);
        line.insert(0, line.size() < 10 ? 10 - line.size() : 0, ' ');
        line += "  " + FormatStamp(entry.date, entry.time) + "  " + entry.name;
        if (!entry.unextractable.empty()) line += "  (cannot be extracted: it " + entry.unextractable + ")";
        std::printf("%s\n", line.c_str());
    }
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
    } catch (const EBadContainer&) {
        throw;
    } catch (const Exception& e) {
        if (!decoder.SplitEntries().empty()) RefuseSplitEntries(path, decoder.SplitEntries());
        if (FailedOnTheContents(e, path, decoder.TempCabinet()))
            RaiseBadBody(path, ExamineBody(decoder.TempCabinet()), e.Message());
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
    CheckContainerTarget(containerPath);
    std::vector<CabSource> sources;
    std::vector<std::pair<dev_t, ino_t>> ancestors;
    for (std::size_t i = 1; i < inv.operands.size(); ++i) CollectSources(inv.operands[i], sources, ancestors);
    if (sources.size() > 65535) throw UsageError{"a cabinet holds at most 65535 files"};
    const std::string password = ObtainPassword(inv, true, false);

    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    WriteCabinet(cabinet, sources, !inv.Has("store"));
    WriteContainer(cabinet, containerPath, IndexOf(cls), password, TerminalProgress("enciphering"));
    return kExitOk;
}

}  // namespace quellmark
