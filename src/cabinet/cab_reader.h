#pragma once
// TSTCabReader lists and unpacks MS-CAB cabinets: listing reads the cabinet's
// own file directory; unpacking runs the cabinet library and answers its
// notifications (where each file goes, its time stamp and attributes, which
// cabinet of a set comes next).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/exception.h"
#include "base/safe_paths.h"
#include "cabinet/cab_format.h"
#include "cabinet/fdi.h"
#include "base/component.h"

namespace quellmark {

// A failure of the cabinet library, with its error record.
class ESTCabinet : public Exception {
public:
    ESTCabinet(std::string message, const ERF& erf) : Exception(std::move(message)), erf_(erf) {}
    // Builds the message from the record: "<text> [0x0002]", plus the system's text for a system error.
    static ESTCabinet FromRecord(const ERF& erf);
    int32_t ErrorCode() const { return erf_.erfOper; }
    int32_t SystemError() const { return erf_.erfType; }
    bool ErrorPresent() const { return erf_.fError != 0; }

private:
    ERF erf_;
};

enum TSTCabReaderOption { croExecuteOnExtract, croDontOverwriteReadOnlyFiles };

class TSTCabReaderOptions {
public:
    bool Contains(TSTCabReaderOption o) const { return bits_ >> o & 1; }
    void Include(TSTCabReaderOption o) { bits_ |= 1u << o; }
    void Exclude(TSTCabReaderOption o) { bits_ &= ~(1u << o); }

private:
    unsigned bits_ = 0;
};

class TSTCabReader;

using TSTCabReaderCabinetInfoEvent = std::function<void(TSTCabReader& sender, const std::string& nextCabName,
                                                        const std::string& nextDiskName, const std::string& cabPath,
                                                        uint16_t setId, uint16_t cabinetNumber, bool& abort)>;
using TSTCabReaderCopyFileEvent =
    std::function<void(TSTCabReader& sender, const std::string& sourceName, int32_t uncompressedSize,
                       uint16_t date, uint16_t time, uint16_t attributes, uint16_t folderNumber,
                       std::string& targetPath, bool& abort)>;
using TSTCabReaderCopyPartialFileEvent =
    std::function<void(TSTCabReader& sender, const std::string& sourceName, const std::string& startCabName,
                       const std::string& startDiskName, const std::string& targetPath, bool& abort)>;
using TSTCabReaderCloseFileEvent =
    std::function<void(TSTCabReader& sender, const std::string& sourceName, uint16_t date, uint16_t time,
                       uint16_t attributes, uint16_t folderNumber, bool& execute, const std::string& targetPath,
                       bool& abort)>;
using TSTCabReaderNextCabinetEvent =
    std::function<void(TSTCabReader& sender, const std::string& cabName, const std::string& diskName,
                       std::string& cabPath, TFDIERROR error, bool& abort)>;
using TSTCabReaderUnrecognizedNotifyEvent = std::function<void(
    TSTCabReader& sender, TFDINOTIFICATIONTYPE notifyType, FDINOTIFICATION& notification, int32_t& result)>;

// One entry of a cabinet's file directory; the name is shown as this system
// shows names (UTF-8, "/" between directories).
using TCabEntryCallback = std::function<void(TSTCabReader& sender, const std::string& name, int32_t size,
                                             uint16_t folder, uint16_t date, uint16_t time, uint16_t attributes,
                                             bool& abort)>;

// Opens a document with its associated application (run-after-extract).
using TShellOpen = std::function<void(const std::string& path)>;
// The reader's default: xdg-open, started in a session of its own.
void LaunchDetached(const std::string& path);

class TSTCabReader : public TComponent {
public:
    explicit TSTCabReader(TComponent* owner = nullptr) : TComponent(owner) {}
    ~TSTCabReader() override;

    TSTCabReaderOptions Options;
    TSTCabReaderCabinetInfoEvent OnCabinetInfo;
    TSTCabReaderCopyFileEvent OnCopyFile;
    TSTCabReaderCopyPartialFileEvent OnCopyPartialFile;
    TSTCabReaderCloseFileEvent OnCloseFile;
    TSTCabReaderNextCabinetEvent OnNextCabinet;
    TSTCabReaderUnrecognizedNotifyEvent OnUnrecognizedNotify;
    // Opens an extracted file marked to be run after extraction, when the
    // options ask for it (croExecuteOnExtract). Its owner may replace it:
    // tests watch it, fuzzing must never start a program.
    TShellOpen ShellOpen = LaunchDetached;

    bool CheckCabinet(const std::string& file);
    // Calls `callback` once per entry of this cabinet's directory; false (and
    // nothing listed) when the file is no cabinet.
    bool ListCabinetFiles(const std::string& cabinetFile, const TCabEntryCallback& callback);
    // The cabinets before and after this one in its set, as its header names
    // them (in UTF-8); empty when there is none or the file is no cabinet.
    CabNeighbours ListNeighbours(const std::string& cabinetFile);
    // Unpacks every file into `destination`; with `singleCabinet` false it goes
    // on through the following cabinets of a set while they exist.
    void ExtractCabinet(const std::string& cabinetFile, const std::string& destination, bool singleCabinet);

private:
    friend struct CabNotifications;
    HFDI Context();
    [[noreturn]] void RaiseFromRecord();

    intptr_t CabinetInfo(FDINOTIFICATION& n);
    intptr_t CopyFile(FDINOTIFICATION& n);
    intptr_t PartialFile(FDINOTIFICATION& n);
    intptr_t CloseFile(FDINOTIFICATION& n);
    intptr_t NextCabinet(FDINOTIFICATION& n);
    std::string TargetOf(const std::string& storedName) const;

    HFDI fdiContext_ = nullptr;
    std::string cabinetFile_;
    std::string destination_;  // always ending in "/"
    std::string nextCabinet_, nextDisk_, currentCabinet_, continuation_;
    bool continued_ = false;
    ERF errorRecord_;
    // The system error of the last failing file callback (the context's
    // callbacks get its address) or file operation since the run or the
    // current notification began; it goes into errorRecord_.erfType.
    int lastOsError_ = 0;
    std::vector<std::string> openSources_, openTargets_;  // files open for writing, not yet closed
    TDirectoryCache targetDirectories_;                    // the directory the last file went into
    std::string refusal_;  // why a notification refused to go on, shown instead of the library's error
};

}  // namespace quellmark
