#include "cabinet/fdi.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mspack.h>
#include <new>
#include <string>
#include <vector>

#include "cabinet/cab_format.h"

namespace quellmark {

struct FdiContext {
    mspack_system system;  // the table of hooks libmspack is made with
    PFNALLOC alloc;
    PFNFREE free;
    PFNOPEN openFile;
    PFNREAD readFile;
    PFNWRITE writeFile;
    PFNCLOSE closeFile;
    PFNSEEK seekFile;
    void* user;  // handed to every file callback
    ERF* erf;
    mscab_decompressor* decompressor = nullptr;

    intptr_t open(const char* name, int flags, int mode) const { return openFile(user, name, flags, mode); }
    uint32_t read(intptr_t handle, void* buffer, uint32_t count) const { return readFile(user, handle, buffer, count); }
    uint32_t write(intptr_t handle, const void* buffer, uint32_t count) const {
        return writeFile(user, handle, buffer, count);
    }
    int close(intptr_t handle) const { return closeFile(user, handle); }
    int64_t seek(intptr_t handle, int64_t distance, int origin) const { return seekFile(user, handle, distance, origin); }
};

namespace {

// libmspack opens every file by name. A target that the caller already opened
// is passed as this prefix followed by its handle, and the hook then uses the
// handle instead of opening anything (and leaves closing it to the caller).
constexpr char kHandlePrefix[] = "\x01" "fdi-handle:";

// A cabinet being read is read through a small window: libmspack reads its
// directory 16 bytes and a name at a time, seeking back after each name,
// which would be two calls of the caller's hooks per entry.
constexpr uint32_t kReadWindowSize = 4096;

struct ReadWindow {
    int64_t position = 0;      // where the next read starts
    int64_t filePosition = 0;  // where the handle stands
    int64_t start = 0;         // the file offset of data[0]
    uint32_t length = 0;       // how much of data holds the file's bytes
    uint8_t data[kReadWindowSize];
};

struct BridgeFile {
    FdiContext* context;
    intptr_t handle;
    bool borrowed;
    ReadWindow* window;  // files opened for reading only
};

int ReadThroughWindow(BridgeFile& file, uint8_t* out, int bytes) {
    ReadWindow& w = *file.window;
    int done = 0;
    while (done < bytes) {
        if (w.position >= w.start && w.position < w.start + w.length) {
            const int n = static_cast<int>(std::min<int64_t>(bytes - done, w.start + w.length - w.position));
            std::memcpy(out + done, w.data + (w.position - w.start), static_cast<std::size_t>(n));
            w.position += n;
            done += n;
            continue;
        }
        if (w.filePosition != w.position) {
            if (file.context->seek(file.handle, w.position, 0) != w.position) return -1;
            w.filePosition = w.position;
        }
        // The hooks read until the count or the end, so a short read is the end.
        const bool direct = bytes - done >= static_cast<int>(kReadWindowSize);
        uint8_t* target = direct ? out + done : w.data;
        const uint32_t wanted = direct ? static_cast<uint32_t>(bytes - done) : kReadWindowSize;
        const uint32_t n = file.context->read(file.handle, target, wanted);
        if (n == static_cast<uint32_t>(-1)) return -1;
        w.filePosition += n;
        if (direct) {
            w.position += n;
            done += static_cast<int>(n);
            if (n < wanted) break;
        } else {
            w.start = w.position;
            w.length = n;
            if (n == 0) break;
        }
    }
    return done;
}

// libmspack hands its hooks copies of the system table it was made with, so
// the hooks cannot find their context through it: the context at work is
// kept here for the length of each call into libmspack.
thread_local FdiContext* gActive = nullptr;

struct ActiveContext {
    FdiContext* saved;
    explicit ActiveContext(FdiContext* context) : saved(gActive) { gActive = context; }
    ~ActiveContext() { gActive = saved; }
};

mspack_file* HookOpen(mspack_system*, const char* name, int mode) {
    FdiContext* context = gActive;
    intptr_t handle;
    bool borrowed = std::strncmp(name, kHandlePrefix, sizeof kHandlePrefix - 1) == 0;
    if (borrowed) {
        handle = static_cast<intptr_t>(std::strtoll(name + sizeof kHandlePrefix - 1, nullptr, 10));
    } else {
        int flags = mode == MSPACK_SYS_OPEN_READ    ? O_RDONLY
                    : mode == MSPACK_SYS_OPEN_WRITE ? O_WRONLY | O_CREAT | O_TRUNC
                    : mode == MSPACK_SYS_OPEN_UPDATE ? O_RDWR
                                                     : O_WRONLY | O_APPEND;
        handle = context->open(name, flags, 0666);
        if (handle == -1) return nullptr;
    }
    auto* file = static_cast<BridgeFile*>(context->alloc(sizeof(BridgeFile)));
    ReadWindow* window = nullptr;
    if (file && !borrowed && mode == MSPACK_SYS_OPEN_READ) {
        void* memory = context->alloc(sizeof(ReadWindow));
        window = memory ? new (memory) ReadWindow{} : nullptr;
        if (!window) {
            context->free(file);
            file = nullptr;
        }
    }
    if (!file) {
        if (!borrowed) context->close(handle);
        return nullptr;
    }
    *file = {context, handle, borrowed, window};
    return reinterpret_cast<mspack_file*>(file);
}

void HookClose(mspack_file* raw) {
    auto* file = reinterpret_cast<BridgeFile*>(raw);
    if (!file->borrowed) file->context->close(file->handle);
    if (file->window) file->context->free(file->window);
    file->context->free(file);
}

int HookRead(mspack_file* raw, void* buffer, int bytes) {
    auto* file = reinterpret_cast<BridgeFile*>(raw);
    if (file->window) return bytes < 0 ? -1 : ReadThroughWindow(*file, static_cast<uint8_t*>(buffer), bytes);
    uint32_t n = file->context->read(file->handle, buffer, static_cast<uint32_t>(bytes));
    return n == static_cast<uint32_t>(-1) ? -1 : static_cast<int>(n);
}

int HookWrite(mspack_file* raw, void* buffer, int bytes) {
    auto* file = reinterpret_cast<BridgeFile*>(raw);
    uint32_t n = file->context->write(file->handle, buffer, static_cast<uint32_t>(bytes));
    return n == static_cast<uint32_t>(-1) ? -1 : static_cast<int>(n);
}

int HookSeek(mspack_file* raw, off_t offset, int mode) {
    auto* file = reinterpret_cast<BridgeFile*>(raw);
    if (ReadWindow* w = file->window; w && mode != MSPACK_SYS_SEEK_END) {
        // The handle follows at the next read that needs it.
        const int64_t target = (mode == MSPACK_SYS_SEEK_START ? 0 : w->position) + offset;
        if (target < 0) return -1;
        w->position = target;
        return 0;
    }
    int origin = mode == MSPACK_SYS_SEEK_START ? 0 : mode == MSPACK_SYS_SEEK_CUR ? 1 : 2;
    const int64_t at = file->context->seek(file->handle, offset, origin);
    if (at < 0) return -1;
    if (file->window) file->window->position = file->window->filePosition = at;
    return 0;
}

off_t HookTell(mspack_file* raw) {
    auto* file = reinterpret_cast<BridgeFile*>(raw);
    if (file->window) return static_cast<off_t>(file->window->position);
    return static_cast<off_t>(file->context->seek(file->handle, 0, 1));
}

void HookMessage(mspack_file*, const char*, ...) {}  // the caller learns of failures through the error record

void* HookAlloc(mspack_system*, size_t bytes) {
    return bytes > UINT32_MAX ? nullptr : gActive->alloc(static_cast<uint32_t>(bytes));
}

void HookFree(void* memory) {
    if (memory) gActive->free(memory);
}

void HookCopy(void* source, void* dest, size_t bytes) { std::memmove(dest, source, bytes); }

bool Fail(FdiContext* context, TFDIERROR code) {
    if (context->erf) {
        context->erf->erfOper = code;
        context->erf->erfType = 0;
        context->erf->fError = 1;
    }
    return false;
}

TFDIERROR FromMspack(int error, TFDIERROR fallback) {
    switch (error) {
    case MSPACK_ERR_OPEN: return FDIERROR_CABINET_NOT_FOUND;
    case MSPACK_ERR_SIGNATURE: return FDIERROR_NOT_A_CABINET;
    case MSPACK_ERR_NOMEMORY: return FDIERROR_ALLOC_FAIL;
    case MSPACK_ERR_WRITE: return FDIERROR_TARGET_FILE;
    case MSPACK_ERR_DECRUNCH: return FDIERROR_MDI_FAIL;
    case MSPACK_ERR_READ:
    case MSPACK_ERR_SEEK:
    case MSPACK_ERR_DATAFORMAT:
    case MSPACK_ERR_CHECKSUM: return FDIERROR_CORRUPT_CABINET;
    default: return fallback;
    }
}

// The raw directory: libmspack does not tell which files continue from or
// into another cabinet, so the directory is read here too.
struct RawDirectory {
    std::vector<uint16_t> folders;  // folder index of each file, in directory order
    std::string prevName, prevDisk;
};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Reads small pieces of a file through the caller's hooks, a window of the
// file at a time: the directory is walked a name's byte at a time, which
// would otherwise cost two calls per byte.
class WindowReader {
public:
    WindowReader(FdiContext* context, intptr_t handle) : context_(context), handle_(handle), window_(64 * 1024) {}

    bool ReadAt(int64_t offset, void* buffer, uint32_t count) {
        if (offset < start_ || offset + count > start_ + length_) {
            if (context_->seek(handle_, offset, 0) != offset) return false;
            const uint32_t n = context_->read(handle_, window_.data(), static_cast<uint32_t>(window_.size()));
            if (n == static_cast<uint32_t>(-1)) return false;
            start_ = offset;
            length_ = n;
            if (count > length_) return false;
        }
        std::memcpy(buffer, window_.data() + (offset - start_), count);
        return true;
    }

private:
    FdiContext* context_;
    intptr_t handle_;
    std::vector<uint8_t> window_;
    int64_t start_ = 0;
    int64_t length_ = 0;
};

bool ReadRawDirectory(FdiContext* context, const std::string& path, RawDirectory& directory) {
    intptr_t handle = context->open(path.c_str(), O_RDONLY, 0);
    if (handle == -1) return false;
    WindowReader reader(context, handle);
    auto readAt = [&reader](int64_t offset, void* buffer, uint32_t count) { return reader.ReadAt(offset, buffer, count); };
    uint8_t header[36 + 4];
    bool ok = readAt(0, header, 36);
    if (ok) {
        const uint16_t flags = Le16(header + 30), files = Le16(header + 28);
        int64_t at = 36;
        if (flags & 4) at += 4;  // reserve sizes present
        uint16_t headerReserve = 0;
        if (ok && (flags & 4)) {
            ok = readAt(36, header + 36, 4);
            headerReserve = Le16(header + 36);
        }
        at += headerReserve;
        auto readString = [&](std::string& out) {
            char c;
            while (ok && (ok = readAt(at++, &c, 1)) && c) out += c;
        };
        if (flags & 1) {  // a previous cabinet
            readString(directory.prevName);
            readString(directory.prevDisk);
        }
        int64_t entry = static_cast<int64_t>(header[16] | header[17] << 8 | header[18] << 16 | uint32_t(header[19]) << 24);
        for (uint16_t i = 0; ok && i < files; ++i) {
            uint8_t fixed[16];
            ok = readAt(entry, fixed, 16);
            directory.folders.push_back(Le16(fixed + 8));
            entry += 16;
            char c = 1;
            while (ok && c && (ok = readAt(entry++, &c, 1))) {}
        }
    }
    context->close(handle);
    return ok;
}

uint16_t PackDate(const mscabd_file& f) {
    return static_cast<uint16_t>((f.date_y - 1980) << 9 | f.date_m << 5 | f.date_d);
}
uint16_t PackTime(const mscabd_file& f) { return static_cast<uint16_t>(f.time_h << 11 | f.time_m << 5 | f.time_s / 2); }

bool Exists(FdiContext* context, const std::string& path) {
    intptr_t handle = context->open(path.c_str(), O_RDONLY, 0);
    if (handle == -1) return false;
    context->close(handle);
    return true;
}

// How often the caller is asked for a next cabinet that cannot be used
// before the copy fails with the reason.
constexpr int kNextCabinetAttempts = 3;

// Opens the cabinet at `path` and appends it to `cabinet` as the next of its
// set; on failure nothing stays open and the reason is returned.
TFDIERROR JoinNextCabinet(mscab_decompressor* cabd, mscabd_cabinet* cabinet, const std::string& path) {
    mscabd_cabinet* next = cabd->open(cabd, path.c_str());
    if (!next) return FromMspack(cabd->last_error(cabd), FDIERROR_CABINET_NOT_FOUND);
    // A failed append leaves the two apart, so the next one is closed on its own.
    if (cabd->append(cabd, cabinet, next) != MSPACK_ERR_OK) {
        cabd->close(cabd, next);
        return FDIERROR_WRONG_CABINET;
    }
    return FDIERROR_NONE;
}

}  // namespace

HFDI FDICreate(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write, PFNCLOSE close,
               PFNSEEK seek, int /*cpuType*/, ERF* erf, void* user) {
    if (erf) *erf = ERF{};
    void* memory = alloc(sizeof(FdiContext));
    if (!memory) {
        if (erf) *erf = ERF{FDIERROR_ALLOC_FAIL, 0, 1};
        return nullptr;
    }
    auto* context = new (memory) FdiContext{};
    context->alloc = alloc;
    context->free = free;
    context->openFile = open;
    context->readFile = read;
    context->writeFile = write;
    context->closeFile = close;
    context->seekFile = seek;
    context->user = user;
    context->erf = erf;
    context->system = {HookOpen, HookClose, HookRead, HookWrite, HookSeek, HookTell,
                       HookMessage, HookAlloc, HookFree, HookCopy, nullptr};
    ActiveContext active(context);
    context->decompressor = mspack_create_cab_decompressor(&context->system);
    if (!context->decompressor) {
        context->~FdiContext();
        free(memory);
        if (erf) *erf = ERF{FDIERROR_ALLOC_FAIL, 0, 1};
        return nullptr;
    }
    // Verify each data block's checksum: a wrong password must never pass as data.
    context->decompressor->set_param(context->decompressor, MSCABD_PARAM_FIXMSZIP, 0);
    context->decompressor->set_param(context->decompressor, MSCABD_PARAM_SALVAGE, 0);
    // The library reads the cabinet through a buffer of this size (4 KiB
    // unless told): larger, it makes a sixteenth of the calls.
    context->decompressor->set_param(context->decompressor, MSCABD_PARAM_DECOMPBUF, 64 * 1024);
    return context;
}

bool FDIIsCabinet(HFDI context, intptr_t handle, FDICABINETINFO* info) {
    uint8_t header[36];
    if (context->seek(handle, 0, 0) != 0 || context->read(handle, header, 36) != 36) return false;
    if (std::memcmp(header, "MSCF", 4) != 0) return false;
    if (info) {
        const uint16_t flags = Le16(header + 30);
        info->cbCabinet = static_cast<int32_t>(header[8] | header[9] << 8 | header[10] << 16 | uint32_t(header[11]) << 24);
        info->cFolders = Le16(header + 26);
        info->cFiles = Le16(header + 28);
        info->setID = Le16(header + 32);
        info->iCabinet = Le16(header + 34);
        info->hasprev = flags & 1;
        info->hasnext = flags & 2;
        info->fReserve = flags & 4;
    }
    return true;
}

bool FDICopy(HFDI context, const char* name, const char* path, int /*flags*/, PFNFDINOTIFY notify, void* /*decrypt*/,
             void* user) {
    if (context->erf) *context->erf = ERF{};
    ActiveContext active(context);
    const std::string cabinetPath = path ? path : "";
    const std::string fullName = cabinetPath + name;
    mscab_decompressor* cabd = context->decompressor;

    mscabd_cabinet* cabinet = cabd->open(cabd, fullName.c_str());
    if (!cabinet) return Fail(context, FromMspack(cabd->last_error(cabd), FDIERROR_NOT_A_CABINET));
    RawDirectory raw;
    if (!ReadRawDirectory(context, fullName, raw)) {
        cabd->close(cabd, cabinet);
        return Fail(context, FDIERROR_CORRUPT_CABINET);
    }
    std::vector<mscabd_file*> files;
    for (mscabd_file* f = cabinet->files; f; f = f->next) files.push_back(f);
    // Once the next cabinet is appended, the two share their file and folder
    // lists, and closing the first frees the whole set: it must be the only close.
    bool nextAppended = false;
    // libmspack keeps the name a cabinet was opened under, without a copy, to
    // reopen it when a file's data is read: it must live as long as the set.
    std::string nextPath;
    auto finish = [&](bool ok, TFDIERROR error) {
        cabd->close(cabd, cabinet);
        return ok ? true : Fail(context, error);
    };
    if (files.size() != raw.folders.size()) return finish(false, FDIERROR_CORRUPT_CABINET);

    char pathBuffer[kFdiPathBufferSize] = {};
    std::snprintf(pathBuffer, sizeof pathBuffer, "%s", cabinetPath.c_str());
    FDINOTIFICATION info;
    info.pv = user;
    info.psz1 = cabinet->nextname ? cabinet->nextname : "";
    info.psz2 = cabinet->nextinfo ? cabinet->nextinfo : "";
    info.psz3 = pathBuffer;
    info.setID = cabinet->set_id;
    info.iCabinet = cabinet->set_index;
    if (notify(fdintCABINET_INFO, &info) == -1) return finish(false, FDIERROR_USER_ABORT);

    for (std::size_t i = 0; i < files.size(); ++i) {
        mscabd_file& file = *files[i];
        const uint16_t folder = raw.folders[i];
        FDINOTIFICATION n;
        n.pv = user;
        n.psz1 = file.filename;
        n.date = PackDate(file);
        n.time = PackTime(file);
        n.attribs = static_cast<uint16_t>(file.attribs);
        n.iFolder = folder;
        n.setID = cabinet->set_id;
        n.iCabinet = cabinet->set_index;
        if (folder == kFolderContinuedFromPrev || folder == kFolderContinuedPrevAndNext) {
            n.psz2 = raw.prevName.c_str();
            n.psz3 = const_cast<char*>(raw.prevDisk.c_str());
            if (notify(fdintPARTIAL_FILE, &n) == -1) return finish(false, FDIERROR_USER_ABORT);
            continue;
        }
        if (folder == kFolderContinuedToNext && !nextAppended) {
            // The file goes on in the next cabinet of the set, which must be
            // joined to this one before any of the file is written. Without it
            // the file cannot be completed, and the copy fails.
            if (!cabinet->nextname) return finish(false, FDIERROR_CORRUPT_CABINET);
            FDINOTIFICATION next;
            next.pv = user;
            next.psz1 = cabinet->nextname;
            next.psz2 = cabinet->nextinfo ? cabinet->nextinfo : "";
            next.psz3 = pathBuffer;
            next.fdie = Exists(context, cabinetPath + cabinet->nextname) ? FDIERROR_NONE : FDIERROR_CABINET_NOT_FOUND;
            // The caller learns what went wrong with each attempt and may point
            // elsewhere (answer 0) or give up (-1). A caller that keeps
            // answering 0 gets a few attempts, not an endless loop.
            for (int attempt = 1;; ++attempt) {
                if (notify(fdintNEXT_CABINET, &next) == -1) return finish(false, FDIERROR_USER_ABORT);
                nextPath = std::string(pathBuffer) + next.psz1;
                next.fdie = JoinNextCabinet(cabd, cabinet, nextPath);
                if (next.fdie == FDIERROR_NONE) break;
                if (attempt == kNextCabinetAttempts) return finish(false, next.fdie);
            }
            nextAppended = true;
        }
        n.cb = static_cast<int32_t>(file.length);
        intptr_t handle = notify(fdintCOPY_FILE, &n);
        if (handle == -1) return finish(false, FDIERROR_USER_ABORT);
        if (handle == 0) continue;
        const std::string target = kHandlePrefix + std::to_string(handle);
        if (cabd->extract(cabd, &file, target.c_str()) != MSPACK_ERR_OK) {
            TFDIERROR error = FromMspack(cabd->last_error(cabd), FDIERROR_MDI_FAIL);
            context->close(handle);
            return finish(false, error);
        }
        n.hf = handle;
        n.cb = (file.attribs & kAttribExecute) ? 1 : 0;
        if (notify(fdintCLOSE_FILE_INFO, &n) == -1) return finish(false, FDIERROR_USER_ABORT);
    }
    return finish(true, FDIERROR_NONE);
}

bool FDIDestroy(HFDI context) {
    if (!context) return false;
    {
        ActiveContext active(context);
        mspack_destroy_cab_decompressor(context->decompressor);
    }
    PFNFREE free = context->free;
    context->~FdiContext();
    free(context);
    return true;
}

}  // namespace quellmark
