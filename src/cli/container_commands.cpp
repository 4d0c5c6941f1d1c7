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

#include "base/buffered_stream.h"
#include "base/safe_paths.h"
#include "base/streams.h"
#include "cabinet/cab_reader.h"
#include "cabinet/cab_writer.h"
#include "cli/commands.h"
#include "cli/extract_choices.h"
#include "cli/inspect.h"
#include "cli/ozv.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "cli/stdin_container.h"
#include "container/container_sources.h"
#include "container/container_writer.h"
#include "container/decode_failure.h"
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

// The container named by `operand`, checked to be a regular file; "-" is
// standard input, copied into a temporary file first.
std::string ContainerPath(const std::string& operand) {
    if (operand == "-") return SpoolStandardInput();
    const std::string& path = operand;
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) throw Exception(Quoted(path) + " does not exist");
    if (error) throw Exception("cannot examine " + Quoted(path) + ": " + error.message());
    if (std::string why = NotAFile(path, status); !why.empty()) throw Exception(why);
    return path;
}

// The container operand, the command's only one.
std::string ContainerOperand(const Invocation& inv, std::size_t operandsWanted) {
    if (inv.operands.size() != operandsWanted)
        throw UsageError{"\"ozv " + inv.command + "\" takes " + (operandsWanted == 1 ? "one container" : "a container")};
    return ContainerPath(inv.operands.front());
}

uintmax_t ContainerSize(const std::string& path) {
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (error) throw Exception("cannot examine " + Quoted(path) + ": " + error.message());
    return size;
}

void RequireHeader(const std::string& path) {
    if (ContainerSize(path) < static_cast<uintmax_t>(kContainerHeaderSize))
        throw EBadContainer(ContainerLabel(path) + " is not a container: it is shorter than a container's 256-byte header");
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
    throw EBadContainer("cannot open " + ContainerLabel(path) + ": the password is wrong, or the file is damaged or not a container");
}

// Reports the fault of a container whose body, described by `facts`, could
// not be listed or unpacked; `reason` is the failure.
[[noreturn]] void RaiseBadBody(const std::string& containerPath, const TBodyFacts& facts, const std::string& reason) {
    const std::string container = ContainerLabel(containerPath);
    switch (facts.state) {
    case TBodyState::TooShort:
        throw EBadContainer(container + " is cut short or not a container: only " + std::to_string(facts.size) +
                            " bytes follow its header, fewer than any cabinet has");
    case TBodyState::NoCabinet: WrongPassword(containerPath);
    case TBodyState::CutShort:
        throw EBadContainer(container + " is damaged: it is cut short, with " + std::to_string(facts.size) +
                            " of its cabinet's " + std::to_string(facts.declared) +
                            " bytes; the copy or download is incomplete, so get the container again");
    case TBodyState::BrokenHeader:
        throw EBadContainer(container + " is damaged: the password is right, but the header of its cabinet is broken (" +
                            reason + "); get a sound copy of the container");
    case TBodyState::Whole: break;
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
    const TBodyFacts facts = ExamineBody(cabinetPath);
    if (facts.state != TBodyState::Whole && facts.state != TBodyState::BrokenHeader)
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
    TFileStream containerFile(containerPath, FileMode::OpenRead);
    TFileStream cabinetFile(cabinetPath, FileMode::Create);
    TBufferedStream container(containerFile);
    TBufferedStream cabinet(cabinetFile);
    container.SetPosition(kContainerHeaderSize);
    manager.DecipherStream(&container, &cabinet, container.Size());
    cabinet.FlushBuffer();
}

int32_t IndexOf(const TCipherClass& cls) {
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
        if (TCipherRegistry::ClassAt(entries, i) == &cls) return static_cast<int32_t>(i);
    return -1;
}

// The name a file gets in a new cabinet: its path as given, relative, with
// no way up or out; "" for the starting directory itself ("." or "/"),
// whose files are stored under their own names.
std::string StoredNameOf(const fs::path& path) {
    std::string name;
    for (const auto& part : path.lexically_normal()) {
        const std::string text = part.string();
        if (text == "/" || text == "." || text.empty()) continue;
        if (text == "..") throw UsageError{"\"" + path.string() + "\" leads outside the current directory; name files beneath it"};
        name += (name.empty() ? "" : "/") + text;
    }
    return name;
}

// A remark on standard error that does not stop the command.
void Warn(const std::string& text) {
    std::fprintf(stderr, "ozv: warning: %s\n", text.c_str());
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
    throw EBadContainer("cannot extract " + ContainerLabel(path) + ": the entry \"" + first.name + "\" " +
                        SplitReason(first.otherCabinet, first.beginsEarlier) + others + "; nothing was extracted");
}

// The directories the last file was moved from and to, kept open for the
// next file, which mostly shares them.
struct TPlacement {
    TDirectoryCache from, to;
};

// Moves `relative` from beneath `from` to beneath `to`, never through a link.
// False when there was nothing to move (an entry named twice moves once).
bool MoveIntoPlace(const std::string& from, const std::string& to, const std::string& relative, TPlacement& places) {
    const std::size_t slash = relative.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : relative.substr(0, slash);
    const std::string leaf = relative.substr(slash == std::string::npos ? 0 : slash + 1);
    const int source = places.from.Open(from, directory, false);
    const int target = source < 0 ? -1 : places.to.Open(to, directory, true);
    const int error = errno;
    const bool moved = target >= 0 && ::renameat(source, leaf.c_str(), target, leaf.c_str()) == 0;
    const int moveError = errno;
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
        std::printf("container:  %s\nalgorithm:  %s\nsize:       %ju bytes\nbody:       %ju bytes\n", facts.path.c_str(),
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
    CheckOptionsAllowed(inv, {"directory", "password", "password-file", "codepage", "to-stdout", "overwrite", "keep",
                              "quiet", "verbose"});
    if (inv.operands.empty()) throw UsageError{"\"ozv extract\" needs a container"};
    const bool toStdout = inv.Has("to-stdout");
    const bool quiet = inv.Has("quiet");
    const bool verbose = inv.Has("verbose");
    if (quiet && verbose) throw UsageError{"-q and -v contradict each other; give one of them"};
    if (inv.Has("overwrite") && inv.Has("keep"))
        throw UsageError{"--overwrite and --keep contradict each other; give one of them"};
    if (toStdout && inv.Has("directory"))
        throw UsageError{"-O writes to standard output, so -d has nothing to do; give one of them"};
    const ExistingFiles existing = inv.Has("overwrite") ? ExistingFiles::Overwrite
                                   : inv.Has("keep")    ? ExistingFiles::Keep
                                                        : ExistingFiles::Ask;
    const std::string path = ContainerPath(inv.operands.front());
    const std::vector<std::string> patterns(inv.operands.begin() + 1, inv.operands.end());

    // A destination that does not exist yet is made (with its parents) only
    // once everything is ready to move into it; until then the work happens
    // in its nearest existing ancestor, on the same file system.
    const std::string directory = inv.Value("directory").value_or(".");
    fs::path existingAncestor = directory;
    std::error_code error;
    if (!toStdout) {
        while (!fs::exists(fs::symlink_status(existingAncestor, error)) && existingAncestor.has_parent_path() &&
               existingAncestor.parent_path() != existingAncestor)
            existingAncestor = existingAncestor.parent_path();
        if (!fs::exists(fs::symlink_status(existingAncestor, error))) existingAncestor = ".";
        if (!fs::is_directory(existingAncestor, error)) {
            if (existingAncestor == fs::path(directory))
                throw Exception("the destination \"" + directory + "\" is not a directory");
            throw Exception("cannot make the destination \"" + directory + "\": \"" + existingAncestor.string() +
                            "\" is not a directory");
        }
        if (::access(existingAncestor.c_str(), W_OK | X_OK) != 0)
            throw Exception("cannot write into \"" + existingAncestor.string() + "\": " + std::strerror(errno));
    }
    RequireHeader(path);
    const std::string password = ObtainPassword(inv, false, false);

    // The container is unpacked into a private directory (beside the
    // destination, or among the temporary files for -O) and its files moved
    // into place only once all of it came out: a wrong password or a damaged
    // container leaves nothing behind.
    ScratchDirectory staging(toStdout ? TempParent() : existingAncestor.string());
    TVosselDecoder decoder;
    if (!quiet) decoder.OnProgress = TerminalProgress("deciphering");
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
    std::vector<std::string> names;
    for (const auto& entry : files) names.push_back(entry.text);
    const std::vector<std::string> selected = SelectEntries(names, patterns, ContainerLabel(path));

    if (toStdout) {
        for (const auto& name : selected) {
            if (verbose) std::fprintf(stderr, "%s\n", name.c_str());
            TFileStream file(staging.Path() + "/" + name, FileMode::OpenRead);
            char buffer[65536];
            for (int64_t got; (got = file.Read(buffer, sizeof buffer)) > 0;)
                if (std::fwrite(buffer, 1, static_cast<std::size_t>(got), stdout) != static_cast<std::size_t>(got))
                    break;
        }
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            throw Exception(std::string("cannot write to standard output: ") + std::strerror(errno));
        return kExitOk;
    }

    // What to do with files already in the way is settled before the first
    // file is moved, so that a refusal leaves the destination untouched.
    const bool terminal = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO) && !StandardInputSpooled();
    std::vector<std::string> kept;
    const std::vector<std::string> chosen = ChooseWhatToWrite(selected, directory, existing, terminal, kept);
    fs::create_directories(directory, error);
    if (error) throw Exception("cannot make the destination \"" + directory + "\": " + error.message());
    TPlacement places;
    for (const auto& entry : chosen)
        if (MoveIntoPlace(staging.Path(), directory, entry, places) && !quiet) std::printf("%s\n", entry.c_str());
    if (!quiet)
        for (const auto& target : kept) std::fprintf(stderr, "ozv: kept the existing %s\n", Quoted(target).c_str());
    return kExitOk;
}

int CommandTest(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"password", "password-file", "codepage", "quiet"});
    const std::string path = ContainerOperand(inv, 1);
    RequireHeader(path);
    const std::string password = ObtainPassword(inv, false, false);
    const bool quiet = inv.Has("quiet");

    // Everything is unpacked among the temporary files, never where the
    // user keeps files, and removed with the scratch directory.
    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    const std::string unpacked = work.Path() + "/files";
    fs::create_directory(unpacked);
    DecipherBody(path, cabinet, password);
    TSTCabReader reader;
    struct Entry {
        std::string name;
        uint32_t size;
    };
    std::vector<Entry> entries;
    std::vector<SplitEntry> split;
    ListBody(reader, path, cabinet, [&](TSTCabReader&, const std::string& name, int32_t size, uint16_t folder,
                                        uint16_t, uint16_t, uint16_t, bool&) {
        if (folder >= kFolderContinuedFromPrev)
            split.push_back({name, "", folder != kFolderContinuedToNext});
        else
            entries.push_back({name, static_cast<uint32_t>(size)});
    });
    if (!split.empty()) {
        const CabNeighbours neighbours = reader.ListNeighbours(cabinet);
        const SplitEntry& first = split.front();
        throw EBadContainer(ContainerLabel(path) + " cannot be unpacked whole: the entry \"" + first.name + "\" " +
                            SplitReason(first.beginsEarlier ? neighbours.previous : neighbours.next,
                                        first.beginsEarlier));
    }
    try {
        reader.ExtractCabinet(cabinet, unpacked, true);
    } catch (const ESTCabinet& e) {
        // A system error (the temporary directory full or unwritable) is no
        // fault of the container.
        if (e.SystemError() != 0 && ExamineBody(cabinet).state == TBodyState::Whole) throw;
        RaiseBadBody(path, ExamineBody(cabinet), e.Message());
    } catch (const Exception& e) {
        RaiseBadBody(path, ExamineBody(cabinet), e.Message());
    }
    std::error_code error;
    for (const auto& entry : entries) {
        const uintmax_t size = fs::file_size(unpacked + "/" + entry.name, error);
        if (error)
            throw EBadContainer(ContainerLabel(path) + " is damaged: its entry \"" + entry.name +
                                "\" did not come out (" + error.message() + ")");
        if (size != entry.size)
            throw EBadContainer(ContainerLabel(path) + " is damaged: its entry \"" + entry.name + "\" unpacks to " +
                                std::to_string(size) + " bytes where the cabinet lists " +
                                std::to_string(entry.size));
        if (!quiet) std::printf("OK  %s\n", entry.name.c_str());
    }
    if (!quiet) std::printf("%zu files unpacked and sound\n", entries.size());
    return kExitOk;
}

int CommandCreate(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"cipher", "store", "password", "password-file", "codepage", "change-dir"});
    if (inv.operands.size() < 2) throw UsageError{"\"ozv create\" needs a container name and at least one file"};
    const std::string containerPath = inv.operands.front();
    const TCipherClass& cls = ChooseCipher(inv.Value("cipher").value_or("Blowfish"));
    CheckContainerTarget(containerPath);
    SourceWalk walk;
    walk.warn = Warn;
    // -C DIR names where the operands after it are found, as with tar: a
    // relative DIR from the one before it (the current directory at first).
    // The container itself is always named from the current directory.
    fs::path base;
    auto change = inv.directoryChanges.begin();
    bool leadingSlashNoted = false;
    for (std::size_t i = 1; i < inv.operands.size(); ++i) {
        for (; change != inv.directoryChanges.end() && change->first <= i; ++change) {
            base /= change->second;
            std::error_code error;
            if (!fs::is_directory(base, error))
                throw Exception("cannot change to " + Quoted(base.string()) + " (given with -C): " +
                                (fs::exists(base, error) ? "it is not a directory" : "it does not exist"));
        }
        const fs::path operand = inv.operands[i];
        if (operand.is_absolute() && !leadingSlashNoted) {
            std::fputs("ozv: removing the leading \"/\" from member names\n", stderr);
            leadingSlashNoted = true;
        }
        CollectSources((base / operand).string(), StoredNameOf(operand), walk);
    }
    const std::vector<CabSource>& sources = walk.sources;
    if (sources.empty()) throw Exception("there is no file to pack, so no container was made");
    if (sources.size() > 65535) throw UsageError{"a cabinet holds at most 65535 files"};
    const std::string password = ObtainPassword(inv, true, false);

    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    WriteCabinet(cabinet, sources, !inv.Has("store"), TerminalByteProgress(inv.Has("store") ? "storing" : "compressing"));
    WriteContainer(cabinet, containerPath, IndexOf(cls), password, TerminalProgress("enciphering"));
    return kExitOk;
}

}  // namespace quellmark
