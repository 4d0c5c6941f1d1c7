#include "cabinet/cab_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/buffered_stream.h"
#include "base/safe_paths.h"
#include "base/streams.h"
#include "base/text.h"
#include "cabinet/cab_format.h"

// The environment a spawned program inherits.
extern char** environ;

namespace quellmark {

namespace {

const char* const kErrorTexts[] = {
    "No error",
    "Cabinet not found",
    "Cabinet file does not have the correct format",
    "Cabinet file has an unknown version number",
    "Cabinet file is corrupt",
    "Could not allocate enough memory",
    "Unknown compression type in a cabinet folder",
    "Failure decompressing data from a cabinet file",
    "Failure writing to target file",
    "Cabinets in a set do not have the same RESERVE sizes",
    "Cabinet returned on fdintNEXT_CABINET is incorrect",
    "FDI aborted",
};

// ---- the file and memory callbacks handed to the library ----

void* CabAlloc(uint32_t size) { return std::malloc(size); }
void CabFree(void* memory) { std::free(memory); }

// The file callbacks' user value is the reader's lastOsError_: a failing
// callback leaves its system error there.
void RecordOsError(void* lastOsError) { *static_cast<int*>(lastOsError) = errno; }

intptr_t CabOpen(void* lastOsError, const char* name, int flags, int mode) {
    int fd = ::open(name, flags | O_CLOEXEC, mode);
    if (fd < 0) RecordOsError(lastOsError);
    return fd < 0 ? -1 : fd;
}

uint32_t CabRead(void* lastOsError, intptr_t handle, void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(static_cast<int>(handle), static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            RecordOsError(lastOsError);
            return static_cast<uint32_t>(-1);
        }
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

uint32_t CabWrite(void* lastOsError, intptr_t handle, const void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(static_cast<int>(handle), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            RecordOsError(lastOsError);
            return static_cast<uint32_t>(-1);
        }
        done += static_cast<uint32_t>(n);
    }
    return done;
}

int CabClose(void* lastOsError, intptr_t handle) {
    if (::close(static_cast<int>(handle)) == 0) return 0;
    RecordOsError(lastOsError);
    return -1;
}

int64_t CabSeek(void* lastOsError, intptr_t handle, int64_t distance, int origin) {
    off_t at = ::lseek(static_cast<int>(handle), distance, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
    if (at < 0) RecordOsError(lastOsError);
    return at;
}

// The cabinet's packed local date and time as a time stamp.
timespec StampOf(uint16_t date, uint16_t time) {
    tm parts{};
    parts.tm_year = (date >> 9) + 80;
    parts.tm_mon = ((date >> 5) & 15) - 1;
    parts.tm_mday = date & 31;
    parts.tm_hour = time >> 11;
    parts.tm_min = (time >> 5) & 63;
    parts.tm_sec = (time & 31) * 2;
    parts.tm_isdst = -1;
    return timespec{std::mktime(&parts), 0};
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (name.empty()) return directory;
    std::string joined = directory;
    while (!joined.empty() && joined.back() == '/') joined.pop_back();
    std::size_t start = 0;
    while (start < name.size() && name[start] == '/') ++start;
    return joined + "/" + name.substr(start);
}

std::string CurrentDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? buffer : ".";
}

// Opens `relative` beneath the directory `base` for writing, creating
// missing directories. No symbolic link is followed on the way: a link in
// the place of the file itself is replaced by the new file. Returns -1 and
// sets errno on failure; 0 with `skipped` set for a read-only file that is to be kept.
int OpenBeneath(TDirectoryCache& directories, const std::string& base, const std::string& relative, bool keepReadOnly,
                bool& skipped) {
    skipped = false;
    const std::size_t slash = relative.rfind('/');
    const std::string leaf = slash == std::string::npos ? relative : relative.substr(slash + 1);
    const int dir = directories.Open(base, slash == std::string::npos ? "" : relative.substr(0, slash), true);
    if (dir < 0) return -1;
    struct stat existing{};
    if (::fstatat(dir, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(existing.st_mode)) {
            ::unlinkat(dir, leaf.c_str(), 0);
        } else if (S_ISREG(existing.st_mode) && (existing.st_mode & 0222) == 0) {
            if (keepReadOnly) {
                skipped = true;
                return 0;
            }
            // When this fails, the open below fails and reports it.
            if (::fchmodat(dir, leaf.c_str(), existing.st_mode | S_IWUSR, 0) != 0) {
            }
        }
    }
    return ::openat(dir, leaf.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
}

}  // namespace

void LaunchDetached(const std::string& path) {
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    pid_t child;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    if (posix_spawnp(&child, "xdg-open", nullptr, &attributes, const_cast<char**>(argv), environ) == 0) {
        // xdg-open itself returns at once; reap it so it leaves no zombie.
        int status;
        waitpid(child, &status, 0);
    }
    posix_spawnattr_destroy(&attributes);
}

// ---- ESTCabinet ----

ESTCabinet ESTCabinet::FromRecord(const ERF& erf) {
    if (!erf.fError) return ESTCabinet("FDI error", erf);
    char code[32];
    std::snprintf(code, sizeof code, " [0x%04X]", static_cast<unsigned>(erf.erfOper));
    std::string message = (erf.erfOper >= 0 && erf.erfOper <= FDIERROR_USER_ABORT ? kErrorTexts[erf.erfOper] : "FDI error");
    message += code;
    if (erf.erfType != 0) {
        char system[32];
        std::snprintf(system, sizeof system, " [0x%04X].", static_cast<unsigned>(erf.erfType));
        message += ".\r\n" + std::string(std::strerror(erf.erfType)) + system;
    }
    return ESTCabinet(message, erf);
}

// ---- the notification handler ----

struct CabNotifications {
    static intptr_t Handle(TFDINOTIFICATIONTYPE kind, FDINOTIFICATION* n) {
        auto& reader = *static_cast<TSTCabReader*>(n->pv);
        reader.lastOsError_ = 0;
        // Nothing may unwind through the library: a failure here stops the
        // copy, and the reader raises it once the library has returned.
        try {
            switch (kind) {
            case fdintCABINET_INFO: return reader.CabinetInfo(*n);
            case fdintCOPY_FILE: return reader.CopyFile(*n);
            case fdintPARTIAL_FILE: return reader.PartialFile(*n);
            case fdintCLOSE_FILE_INFO: return reader.CloseFile(*n);
            case fdintNEXT_CABINET: return reader.NextCabinet(*n);
            default: {
                int32_t result = 0;
                if (reader.OnUnrecognizedNotify) reader.OnUnrecognizedNotify(reader, kind, *n, result);
                return result;
            }
            }
        } catch (const std::exception& e) {
            reader.refusal_ = e.what();
            return -1;
        } catch (...) {
            reader.refusal_ = "An unexpected failure stopped the extraction";
            return -1;
        }
    }
};

// ---- TSTCabReader ----

TSTCabReader::~TSTCabReader() {
    if (fdiContext_) FDIDestroy(fdiContext_);
}

HFDI TSTCabReader::Context() {
    if (!fdiContext_) {
        errorRecord_ = ERF{};
        fdiContext_ =
            FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek, -1, &errorRecord_, &lastOsError_);
        if (!fdiContext_) throw ESTCabinet::FromRecord(errorRecord_);
    }
    return fdiContext_;
}

void TSTCabReader::RaiseFromRecord() {
    errorRecord_.erfType = lastOsError_;
    if (!refusal_.empty()) throw ESTCabinet(refusal_, errorRecord_);
    throw ESTCabinet::FromRecord(errorRecord_);
}

bool TSTCabReader::CheckCabinet(const std::string& file) {
    HFDI context = Context();
    intptr_t handle = CabOpen(&lastOsError_, file.c_str(), O_RDONLY, 0);
    if (handle == -1) throw EFOpenError("Cannot open file \"" + file + "\". " + std::strerror(lastOsError_));
    FDICABINETINFO info;
    bool isCabinet = FDIIsCabinet(context, handle, &info);
    CabClose(&lastOsError_, handle);
    return isCabinet;
}

bool TSTCabReader::ListCabinetFiles(const std::string& cabinetFile, const TCabEntryCallback& callback) {
    if (!CheckCabinet(cabinetFile)) return false;
    TFileStream file(cabinetFile, FileMode::OpenRead);
    // The directory is read a name's byte at a time.
    TBufferedStream stream(file, 64 * 1024);
    CabHeader header;
    if (!ReadCabHeader(stream, header)) throw Exception("Cabinet file does not have the correct format");
    if (header.firstEntryOffset > stream.Size()) throw Exception("Failure setting file stream position");
    stream.SetPosition(header.firstEntryOffset);
    for (uint16_t i = 0; i < header.fileCount; ++i) {
        CabEntry entry = ReadCabEntry(stream);
        bool abort = false;
        callback(*this, DisplayName(entry.name, entry.attributes), static_cast<int32_t>(entry.size), entry.folder,
                 entry.date, entry.time, entry.attributes, abort);
        if (abort) break;
    }
    return true;
}

CabNeighbours TSTCabReader::ListNeighbours(const std::string& cabinetFile) {
    TFileStream stream(cabinetFile, FileMode::OpenRead);
    CabHeader header;
    if (!ReadCabHeader(stream, header)) return {};
    CabNeighbours neighbours = ReadCabNeighbours(stream, header);
    neighbours.previous = CodePageToUtf8(neighbours.previous, "CP1252");
    neighbours.next = CodePageToUtf8(neighbours.next, "CP1252");
    return neighbours;
}

void TSTCabReader::ExtractCabinet(const std::string& cabinetFile, const std::string& destination, bool singleCabinet) {
    HFDI context = Context();
    cabinetFile_ = cabinetFile.empty() || cabinetFile.front() == '/' ? cabinetFile : JoinPath(CurrentDirectory(), cabinetFile);
    destination_ = destination.empty() || destination.back() != '/' ? destination + "/" : destination;
    openSources_.clear();
    openTargets_.clear();
    std::string current = cabinetFile_;
    // Cabinets already read, by file identity: a set that leads back to one of
    // them (a cabinet may even name itself as the next) ends there.
    std::set<std::pair<dev_t, ino_t>> visited;
    auto firstVisit = [&visited](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && visited.insert({info.st_dev, info.st_ino}).second;
    };
    firstVisit(current);
    // No directory stays open once the extraction ends, however it ends.
    struct ClearWhenDone {
        TDirectoryCache& cache;
        ~ClearWhenDone() { cache.Clear(); }
    } clearWhenDone{targetDirectories_};
    while (!current.empty()) {
        nextCabinet_.clear();
        nextDisk_.clear();
        currentCabinet_ = current;
        continuation_.clear();
        continued_ = false;
        refusal_.clear();
        lastOsError_ = 0;  // only a failure of this run may show in its error
        const std::size_t slash = current.rfind('/');
        const std::string name = current.substr(slash + 1), directory = current.substr(0, slash + 1);
        if (!FDICopy(context, name.c_str(), directory.c_str(), 0, CabNotifications::Handle, nullptr, this))
            RaiseFromRecord();
        std::string chosen;
        if (continued_)
            chosen = continuation_;
        else if (!SameText(nextCabinet_, current))
            chosen = nextCabinet_;
        // A missing next cabinet ends the set quietly, as does one read before.
        if (singleCabinet || (!chosen.empty() && !firstVisit(chosen))) break;
        current = chosen;
    }
}

std::string TSTCabReader::TargetOf(const std::string& storedName) const { return JoinPath(destination_, storedName); }

intptr_t TSTCabReader::CabinetInfo(FDINOTIFICATION& n) {
    if (!continuation_.empty()) currentCabinet_ = continuation_;
    // The next cabinet is looked for beside this one and nowhere else: a name
    // with a directory or drive in it could lead anywhere on the disk.
    if (n.psz1 && *n.psz1 && !IsPlainFileName(n.psz1))
        throw Exception("The cabinet \"" + currentCabinet_ + "\" names \"" + CodePageToUtf8(n.psz1, "CP1252") +
                        "\" as the next cabinet of its set, which is not a plain file name beside it; the extraction "
                        "was stopped and that name was not opened");
    nextCabinet_ = n.psz1 && *n.psz1 ? JoinPath(n.psz3 ? n.psz3 : "", n.psz1) : "";
    nextDisk_ = n.psz2 ? n.psz2 : "";
    bool abort = false;
    if (OnCabinetInfo) OnCabinetInfo(*this, n.psz1 ? n.psz1 : "", nextDisk_, n.psz3 ? n.psz3 : "", n.setID, n.iCabinet, abort);
    return abort ? -1 : 0;
}

intptr_t TSTCabReader::CopyFile(FDINOTIFICATION& n) {
    const std::string stored = n.psz1;
    const std::string name = DisplayName(stored, n.attribs);
    if (!IsSafeRelativeName(name))
        throw Exception("The cabinet entry \"" + name + "\" would be written outside \"" + destination_ +
                        "\"; the extraction was stopped and nothing of that entry was written");
    std::string target = TargetOf(name);
    bool abort = false;
    if (OnCopyFile) OnCopyFile(*this, stored, n.cb, n.date, n.time, n.attribs, n.iFolder, target, abort);
    if (abort) return -1;
    if (target.empty()) return 0;

    const bool keepReadOnly = Options.Contains(croDontOverwriteReadOnlyFiles);
    bool skipped = false;
    int fd;
    if (target.compare(0, destination_.size(), destination_) == 0) {
        fd = OpenBeneath(targetDirectories_, destination_, target.substr(destination_.size()), keepReadOnly, skipped);
    } else {  // a handler chose a place of its own
        const std::size_t slash = target.rfind('/');
        fd = slash == std::string::npos ? -1
                                         : OpenBeneath(targetDirectories_, target.substr(0, slash + 1),
                                                       target.substr(slash + 1), keepReadOnly, skipped);
    }
    if (skipped) return 0;
    if (fd < 0) {
        lastOsError_ = errno;
        throw Exception("Cannot write \"" + target + "\" from the cabinet entry \"" + name + "\": " + std::strerror(errno));
    }
    openSources_.push_back(stored);
    openTargets_.push_back(target);
    return fd;
}

intptr_t TSTCabReader::PartialFile(FDINOTIFICATION& n) {
    std::string target;
    for (std::size_t i = 0; i < openSources_.size(); ++i)
        if (openSources_[i] == n.psz1) target = openTargets_[i];
    bool abort = false;
    if (OnCopyPartialFile) OnCopyPartialFile(*this, n.psz1, n.psz2 ? n.psz2 : "", n.psz3 ? n.psz3 : "", target, abort);
    return abort ? -1 : 0;
}

intptr_t TSTCabReader::CloseFile(FDINOTIFICATION& n) {
    const int fd = static_cast<int>(n.hf);
    std::string target;
    for (std::size_t i = 0; i < openSources_.size(); ++i) {
        if (openSources_[i] != n.psz1) continue;
        target = openTargets_[i];
        openSources_.erase(openSources_.begin() + static_cast<std::ptrdiff_t>(i));
        openTargets_.erase(openTargets_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    if (!target.empty()) {
        // The cabinet's time stamp (access time unchanged) and its read-only flag;
        // hidden, system and archive have no counterpart here.
        const timespec times[2] = {{0, UTIME_OMIT}, StampOf(n.date, n.time)};
        ::futimens(fd, times);
        if (n.attribs & 0x01) {
            struct stat written{};
            if (::fstat(fd, &written) == 0) ::fchmod(fd, written.st_mode & ~mode_t(0222));
        }
    }
    CabClose(&lastOsError_, fd);
    bool exec = n.cb & 1;
    bool abort = false;
    if (OnCloseFile) OnCloseFile(*this, n.psz1, n.date, n.time, n.attribs, n.iFolder, exec, target, abort);
    if (abort) return -1;
    if (exec && Options.Contains(croExecuteOnExtract) && !target.empty() && ShellOpen) ShellOpen(target);
    return 1;
}

intptr_t TSTCabReader::NextCabinet(FDINOTIFICATION& n) {
    intptr_t answer;
    if (OnNextCabinet) {
        std::string path = n.psz3 ? n.psz3 : "";
        bool abort = false;
        OnNextCabinet(*this, n.psz1 ? n.psz1 : "", n.psz2 ? n.psz2 : "", path, n.fdie, abort);
        if (!abort) {
            if (!path.empty() && path.back() != '/') path += '/';
            std::snprintf(n.psz3, kFdiPathBufferSize, "%s", path.c_str());
        }
        answer = abort ? -1 : 0;
    } else {
        answer = n.fdie != FDIERROR_NONE ? -1 : 0;
    }
    continuation_ = JoinPath(n.psz3 ? n.psz3 : "", n.psz1 ? n.psz1 : "");
    continued_ = true;
    return answer;
}

}  // namespace quellmark
