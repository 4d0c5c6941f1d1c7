#pragma once
// The cabinet decompression interface (FDI): a context made with the
// caller's memory and file callbacks, a cabinet test, and a copy that walks
// a cabinet's files and asks the caller, through notifications, where each
// goes. The decompression itself is libmspack's, driven through its
// mspack_system hooks so that every file access goes through the callbacks.
#include <cstdint>

namespace quellmark {

enum TFDIERROR : int32_t {
    FDIERROR_NONE,
    FDIERROR_CABINET_NOT_FOUND,
    FDIERROR_NOT_A_CABINET,
    FDIERROR_UNKNOWN_CABINET_VERSION,
    FDIERROR_CORRUPT_CABINET,
    FDIERROR_ALLOC_FAIL,
    FDIERROR_BAD_COMPR_TYPE,
    FDIERROR_MDI_FAIL,
    FDIERROR_TARGET_FILE,
    FDIERROR_RESERVE_MISMATCH,
    FDIERROR_WRONG_CABINET,
    FDIERROR_USER_ABORT,
};

enum TFDINOTIFICATIONTYPE : int32_t {
    fdintCABINET_INFO,
    fdintPARTIAL_FILE,
    fdintCOPY_FILE,
    fdintCLOSE_FILE_INFO,
    fdintNEXT_CABINET,
    fdintENUMERATE,
};

// The error record: error code, system error, and whether an error is present.
struct ERF {
    int32_t erfOper = 0;
    int32_t erfType = 0;
    int32_t fError = 0;
};

struct FDICABINETINFO {
    int32_t cbCabinet = 0;
    uint16_t cFolders = 0;
    uint16_t cFiles = 0;
    uint16_t setID = 0;
    uint16_t iCabinet = 0;
    bool fReserve = false;
    bool hasprev = false;
    bool hasnext = false;
};

constexpr int kFdiPathBufferSize = 256;

// What a notification tells, and (psz3 of fdintNEXT_CABINET) what the caller may change.
struct FDINOTIFICATION {
    int32_t cb = 0;              // copy: uncompressed size; close: run-after-extract flag
    const char* psz1 = nullptr;  // file name, or next cabinet name
    const char* psz2 = nullptr;  // next disk name, or cabinet where a partial file starts
    char* psz3 = nullptr;        // cabinet path (a buffer of kFdiPathBufferSize for fdintNEXT_CABINET)
    void* pv = nullptr;          // the caller's value given to FDICopy
    intptr_t hf = 0;             // close: the handle the caller returned for the file
    uint16_t date = 0, time = 0, attribs = 0;
    uint16_t setID = 0, iCabinet = 0, iFolder = 0;
    TFDIERROR fdie = FDIERROR_NONE;
};

using PFNALLOC = void* (*)(uint32_t size);
using PFNFREE = void (*)(void* memory);
// The file callbacks get the `user` value given to FDICreate first: what they
// learn (a failure's system error) stays with the caller that made the context.
// open(user, name, C-runtime open flags, permission) -> handle, or -1
using PFNOPEN = intptr_t (*)(void* user, const char* name, int flags, int mode);
using PFNREAD = uint32_t (*)(void* user, intptr_t handle, void* buffer, uint32_t count);  // (uint32_t)-1 on failure
using PFNWRITE = uint32_t (*)(void* user, intptr_t handle, const void* buffer, uint32_t count);
using PFNCLOSE = int (*)(void* user, intptr_t handle);
using PFNSEEK = int64_t (*)(void* user, intptr_t handle, int64_t distance, int origin);  // 0 start, 1 current, 2 end
// Answers: fdintCOPY_FILE a handle (0 skip, -1 abort); fdintCLOSE_FILE_INFO 1
// (-1 abort); fdintNEXT_CABINET 0 to have the cabinet psz3 + psz1 joined (when
// it cannot be, the caller is asked again with the reason in fdie, a few
// times, before the copy fails with it), -1 to give up (abort); the others 0
// (-1 abort).
using PFNFDINOTIFY = intptr_t (*)(TFDINOTIFICATIONTYPE kind, FDINOTIFICATION* notification);

struct FdiContext;
using HFDI = FdiContext*;

HFDI FDICreate(PFNALLOC alloc, PFNFREE free, PFNOPEN open, PFNREAD read, PFNWRITE write, PFNCLOSE close,
               PFNSEEK seek, int cpuType, ERF* erf, void* user);
// Non-zero when the open file `handle` is a cabinet; fills `info`.
bool FDIIsCabinet(HFDI context, intptr_t handle, FDICABINETINFO* info);
// Extracts the cabinet `path` + `name`, notifying `notify` for every file.
bool FDICopy(HFDI context, const char* name, const char* path, int flags, PFNFDINOTIFY notify, void* decrypt,
             void* user);
bool FDIDestroy(HFDI context);

}  // namespace quellmark
