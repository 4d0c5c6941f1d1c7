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
#include "cli/container_files.h"
#include "cli/extract_choices.h"
#include "cli/inspect.h"
#include "cli/mail_input.h"
#include "cli/ozv.h"
#include "cli/password.h"
#include "cli/progress.h"
#include "cli/stdin_container.h"
#include "container/container_sources.h"
#include "container/container_writer.h"
#include "container/decode_failure.h"
#include "container/vossel_decoder.h"
#include "crypto/registry.h"
#include "platform/mail_composer.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

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

// What `create --mail[=ADDRESS] [--subject TEXT]` asks to be sent, checked
// before any work is done; nothing when --mail is not given.
std::optional<MailDraft> DraftFor(const Invocation& inv, const std::string& containerPath) {
    if (!inv.Has("mail")) {
        if (inv.Has("subject")) throw UsageError{"--subject is the subject of the message --mail writes; give --mail too"};
        return std::nullopt;
    }
    MailDraft draft{containerPath, *inv.Value("mail"), inv.Value("subject").value_or("")};
    // xdg-email would read an address that begins with "-" as one of its
    // own options.
    if (!draft.address.empty() && draft.address.front() == '-')
        throw UsageError{"the address " + Quoted(draft.address) + " begins with \"-\"; give a mail address"};
    for (const char c : draft.address + draft.subject)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            throw UsageError{"the address and subject of --mail are one line of text each, without control characters"};
    return draft;
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

// The one operand of info, list and test, checked to be a readable file.
std::string SingleOperandPath(const Invocation& inv) {
    if (inv.operands.size() != 1) throw UsageError{"\"ozv " + inv.command + "\" takes one container"};
    return ContainerPath(inv.operands.front());
}

// Before each container found in mail, the line naming it, with a blank
// line between containers.
void PrintHeading(std::FILE* out, const ContainerInput& input, bool first) {
    if (input.heading.empty()) return;
    std::fprintf(out, "%s%s\n", first ? "" : "\n", input.heading.c_str());
}

// What `info` finds of one container: its facts and, when a password was
// tried, whether it opens it (with the entries when it does, the reason
// when it does not).
struct InfoFindings {
    ContainerFacts facts;
    std::optional<bool> opens;
    std::vector<InspectedEntry> entries;
    std::string failure;
};

InfoFindings FindInfo(const ContainerInput& input, const std::optional<std::string>& password,
                      const std::string& operand) {
    RequireHeader(input.path);
    InfoFindings found;
    found.facts = InspectContainer(input.path);
    if (!input.name.empty()) {
        found.facts.path = input.name;
        found.facts.mail = operand;
        found.facts.location = input.location;
    }
    if (!password) return found;
    ScratchDirectory work(TempParent());
    const std::string cabinet = work.Path() + "/body.cab";
    DecipherBody(input.path, cabinet, *password);
    try {
        found.entries = ReadEntries(input.path, cabinet);
        found.opens = true;
    } catch (const EBadContainer& e) {
        found.opens = false;
        found.failure = e.Message();
    }
    return found;
}

void PrintInfo(const InfoFindings& found) {
    const ContainerFacts& facts = found.facts;
    std::printf("container:  %s\nalgorithm:  %s\nsize:       %ju bytes\nbody:       %ju bytes\n",
                PrintableName(facts.path).c_str(), DescribeCipher(facts).c_str(), facts.size, facts.bodySize);
    if (found.opens)
        std::printf("password:   %s\n", *found.opens ? ("opens it (" + std::to_string(found.entries.size()) +
                                                        (found.entries.size() == 1 ? " file)" : " files)")).c_str()
                                                     : "does not open it");
}

// The files that `extract` took out of one container, waiting in `staged`
// to be moved beneath `target`.
struct ExtractJob {
    const ContainerInput* input = nullptr;
    std::string staged;
    std::string target;
    std::string folder;  // `target` beneath the destination; "" when it is the destination
    std::vector<std::string> selected;
    std::vector<std::string> chosen;
};

// Deciphers and unpacks the container at `path` into `staging`; returns the
// names of its files. Failures of the container are EBadContainer.
std::vector<std::string> UnpackForExtract(const std::string& path, const std::string& staging,
                                          const std::string& password, bool quiet) {
    TVosselDecoder decoder;
    if (!quiet) decoder.OnProgress = TerminalProgress("deciphering");
    TStringList files;
    try {
        decoder.DecodeContainer(files, path, staging, password);
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
    return names;
}

void WriteToStdout(const std::string& staged, const std::vector<std::string>& names, bool verbose) {
    for (const auto& name : names) {
        if (verbose) std::fprintf(stderr, "%s\n", name.c_str());
        TFileStream file(staged + "/" + name, FileMode::OpenRead);
        char buffer[65536];
        for (int64_t got; (got = file.Read(buffer, sizeof buffer)) > 0;)
            if (std::fwrite(buffer, 1, static_cast<std::size_t>(got), stdout) != static_cast<std::size_t>(got))
                break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw Exception(std::string("cannot write to standard output: ") + std::strerror(errno));
}

// Unpacks one container among the temporary files and checks that every
// file comes out whole, printing "OK  name" for each unless `quiet`.
void TestContainer(const std::string& path, const std::string& password, bool quiet) {
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
}

}  // namespace

// Each command below handles a container given as such exactly as it always
// did; for mail it handles every container found in turn, goes on past one
// that fails, and fails at the end naming those that did (BadContainers).

int CommandInfo(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"json", "password", "password-file", "codepage", "ask-password"});
    const ContainerInputs inputs(SingleOperandPath(inv), true);
    if (!inputs.FromMail()) RequireHeader(inputs.Items().front().path);
    // A password is tried only when one is offered: `info` must go on
    // working in scripts that have none, so it never prompts unasked.
    const char* environment = std::getenv("OZV_PASSWORD");
    const bool tryPassword = inv.Has("password") || inv.Has("password-file") || inv.Has("ask-password") ||
                             (environment && *environment);
    std::optional<std::string> password;
    if (tryPassword) password = ObtainPassword(inv, false, false);
    const bool json = inv.Has("json");
    BadContainers bad;
    std::vector<std::string> objects;
    bool first = true;
    for (const auto& input : inputs.Items()) {
        bad.Handle(inputs, input, [&] {
            const InfoFindings found = FindInfo(input, password, inv.operands.front());
            const auto* entries = found.opens.value_or(false) ? &found.entries : nullptr;
            if (json && inputs.FromMail()) {
                objects.push_back(JsonObject(found.facts, found.opens, entries));
            } else if (json) {
                PrintJson(stdout, found.facts, found.opens, entries);
            } else {
                PrintHeading(stdout, input, first);
                PrintInfo(found);
            }
            first = false;
            if (found.opens == false) throw EBadContainer(found.failure);
        });
    }
    if (json && inputs.FromMail()) PrintJsonArray(stdout, objects);
    std::fflush(stdout);
    bad.ThrowIfAny(inputs);
    return kExitOk;
}

int CommandList(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"password", "password-file", "codepage", "long", "json"});
    const ContainerInputs inputs(SingleOperandPath(inv), true);
    if (!inputs.FromMail()) RequireHeader(inputs.Items().front().path);
    const std::string password = ObtainPassword(inv, false, false);
    const bool json = inv.Has("json");
    BadContainers bad;
    std::vector<std::string> objects;
    bool first = true;
    for (const auto& input : inputs.Items()) {
        if (!json) PrintHeading(stdout, input, first);
        first = false;
        bad.Handle(inputs, input, [&] {
            RequireHeader(input.path);
            ScratchDirectory work(TempParent());
            const std::string cabinet = work.Path() + "/body.cab";
            DecipherBody(input.path, cabinet, password);
            const std::vector<InspectedEntry> entries = ReadEntries(input.path, cabinet);
            if (json) {
                ContainerFacts facts = InspectContainer(input.path);
                if (inputs.FromMail()) {
                    facts.path = input.name;
                    facts.mail = inv.operands.front();
                    facts.location = input.location;
                    objects.push_back(JsonObject(facts, std::nullopt, &entries));
                } else {
                    PrintJson(stdout, facts, std::nullopt, &entries);
                }
                return;
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
        });
    }
    if (json && inputs.FromMail()) PrintJsonArray(stdout, objects);
    std::fflush(stdout);
    bad.ThrowIfAny(inputs);
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
    const ContainerInputs inputs(path, !quiet);
    const std::vector<ContainerInput>& items = inputs.Items();
    if (!inputs.FromMail()) RequireHeader(path);
    const std::string password = ObtainPassword(inv, false, false);

    // Several containers go each into a folder of its own beneath the
    // destination, named after its attachment.
    std::vector<std::string> folders(items.size());
    if (items.size() > 1) {
        std::vector<std::string> names;
        for (const auto& item : items) names.push_back(item.name);
        folders = ExtractFolderNames(names);
    }

    // The containers are unpacked into a private directory (beside the
    // destination, or among the temporary files for -O) and their files
    // moved into place only once all of them came out: a wrong password or
    // a damaged container leaves nothing of its own behind.
    ScratchDirectory staging(toStdout ? TempParent() : existingAncestor.string());
    std::vector<ExtractJob> jobs;
    std::vector<bool> used;
    BadContainers bad;
    for (std::size_t i = 0; i < items.size(); ++i) {
        ExtractJob job;
        job.input = &items[i];
        job.folder = folders[i];
        job.target = job.folder.empty() ? directory : (fs::path(directory) / job.folder).string();
        job.staged = items.size() == 1 ? staging.Path() : staging.Path() + "/" + std::to_string(i + 1);
        if (items.size() > 1) fs::create_directory(job.staged);
        const bool unpacked = bad.Handle(inputs, *job.input, [&] {
            if (inputs.FromMail()) RequireHeader(job.input->path);
            const std::vector<std::string> names = UnpackForExtract(job.input->path, job.staged, password, quiet);
            job.selected = inputs.FromMail() ? SelectMatching(names, patterns, used)
                                             : SelectEntries(names, patterns, ContainerLabel(path));
        });
        if (unpacked) jobs.push_back(std::move(job));
    }
    // A pattern need only match in one of the containers. (When one could
    // not be opened, what it holds is unknown, so nothing is said.)
    if (inputs.FromMail() && !jobs.empty() && bad.Empty()) {
        const std::string unmatched = UnmatchedPatterns(patterns, used);
        if (!unmatched.empty())
            throw Exception("nothing in " + inputs.MailLabel() + " matches " + unmatched +
                            "; nothing was extracted (\"ozv list\" shows the names it holds)");
    }

    // Not one container opened: the destination is not even made.
    if (jobs.empty()) bad.ThrowIfAny(inputs);

    if (toStdout) {
        for (const auto& job : jobs) {
            if (!quiet) PrintHeading(stderr, *job.input, &job == &jobs.front());
            WriteToStdout(job.staged, job.selected, verbose);
        }
        bad.ThrowIfAny(inputs);
        return kExitOk;
    }

    // What to do with files already in the way is settled for every
    // container before the first file is moved, so that a refusal leaves
    // the destination untouched.
    const bool terminal = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO) && !StandardInputSpooled();
    std::vector<std::string> wanted;
    for (const auto& job : jobs) {
        // A container's folder that is there already must be a folder of
        // its own: a link could lead the files outside the destination.
        if (!job.folder.empty()) {
            const auto status = fs::symlink_status(job.target, error);
            if (fs::exists(status) && !fs::is_directory(status))
                throw Exception(Quoted(job.target) + " is in the way of the folder for " +
                                ContainerLabel(job.input->path) +
                                "; nothing was extracted (choose another place with -d)");
        }
        for (const auto& entry : job.selected) wanted.push_back(job.folder.empty() ? entry : job.folder + "/" + entry);
    }
    std::vector<std::string> kept;
    const std::vector<std::string> chosen = ChooseWhatToWrite(wanted, directory, existing, terminal, kept);
    std::size_t next = 0;
    for (auto& job : jobs)
        for (; next < chosen.size(); ++next) {
            const std::string prefix = job.folder.empty() ? "" : job.folder + "/";
            if (chosen[next].compare(0, prefix.size(), prefix) != 0) break;
            job.chosen.push_back(chosen[next].substr(prefix.size()));
        }

    fs::create_directories(directory, error);
    if (error) throw Exception("cannot make the destination \"" + directory + "\": " + error.message());
    for (const auto& job : jobs) {
        if (!quiet) PrintHeading(stdout, *job.input, &job == &jobs.front());
        if (!job.folder.empty()) {
            fs::create_directory(job.target, error);
            if (error) throw Exception("cannot make the folder " + Quoted(job.target) + ": " + error.message());
        }
        TPlacement places;
        for (const auto& entry : job.chosen)
            if (MoveIntoPlace(job.staged, job.target, entry, places) && !quiet) std::printf("%s\n", entry.c_str());
    }
    if (!quiet)
        for (const auto& target : kept) std::fprintf(stderr, "ozv: kept the existing %s\n", Quoted(target).c_str());
    std::fflush(stdout);
    bad.ThrowIfAny(inputs);
    return kExitOk;
}

int CommandTest(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"password", "password-file", "codepage", "quiet"});
    const bool quiet = inv.Has("quiet");
    const ContainerInputs inputs(SingleOperandPath(inv), !quiet);
    if (!inputs.FromMail()) RequireHeader(inputs.Items().front().path);
    const std::string password = ObtainPassword(inv, false, false);
    BadContainers bad;
    bool first = true;
    for (const auto& input : inputs.Items()) {
        if (!quiet) PrintHeading(stdout, input, first);
        first = false;
        bad.Handle(inputs, input, [&] {
            if (inputs.FromMail()) RequireHeader(input.path);
            TestContainer(input.path, password, quiet);
        });
    }
    std::fflush(stdout);
    bad.ThrowIfAny(inputs);
    return kExitOk;
}

int CommandCreate(const Invocation& inv) {
    CheckOptionsAllowed(inv, {"cipher", "store", "password", "password-file", "codepage", "change-dir", "mail",
                              "subject"});
    if (inv.operands.size() < 2) throw UsageError{"\"ozv create\" needs a container name and at least one file"};
    const std::string containerPath = inv.operands.front();
    const TCipherClass& cls = ChooseCipher(inv.Value("cipher").value_or("Blowfish"));
    const std::optional<MailDraft> draft = DraftFor(inv, containerPath);
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
        if (draft && draft->address.empty() && operand.string().find('@') != std::string::npos &&
            !fs::exists(fs::symlink_status(base / operand)))
            throw UsageError{Quoted(operand.string()) + " does not exist; if it is the address to mail the container to, "
                             "give it as --mail=" + operand.string()};
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
    if (draft) {
        try {
            ComposeMail(*draft);
        } catch (const Exception& e) {
            throw Exception(e.Message() + " (the container " + Quoted(containerPath) + " was written all the same)");
        }
    }
    return kExitOk;
}

}  // namespace quellmark
