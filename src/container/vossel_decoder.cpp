#include "container/vossel_decoder.h"

#include <cstdio>

#include "base/buffered_stream.h"
#include "base/streams.h"
#include "container/unique_file.h"
#include "crypto/registry.h"

namespace quellmark {

TVosselDecoder::TVosselDecoder() { ListCipherNames(&cipherNames_); }

std::string TVosselDecoder::AlgorithmAt(int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= cipherNames_.Count()) return {};
    return cipherNames_[static_cast<std::size_t>(index)];
}

void TVosselDecoder::CollectFileName(TSTCabReader&, const std::string& name, int32_t, uint16_t folder, uint16_t,
                                     uint16_t, uint16_t, bool& abort) {
    abort = false;
    // The reader never unpacks an entry that began in an earlier cabinet, so
    // it is not named as unpacked.
    if (folder == kFolderContinuedFromPrev || folder == kFolderContinuedPrevAndNext) {
        splitEntries_.push_back({name, "", true});
        return;
    }
    if (folder == kFolderContinuedToNext) splitEntries_.push_back({name, "", false});
    fileNames_.Add(name);
}

namespace {

int32_t IndexFromHeader(const uint8_t* header) {
    return static_cast<int32_t>(uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 |
                                uint32_t(header[3]) << 24);
}

}  // namespace

int32_t ReadAlgorithmIndex(const std::string& containerPath) {
    TFileStream container(containerPath, FileMode::OpenRead);
    uint8_t header[kContainerHeaderSize] = {};
    container.Read(header, kContainerHeaderSize);
    return IndexFromHeader(header);
}

void TVosselDecoder::DecodeContainer(TStringList& files, const std::string& containerPath,
                                     const std::string& scratchDir, const std::string& password) {
    bodyDeciphered_ = false;
    std::string scratch = scratchDir;
    if (scratch.size() > 1 && scratch.back() == '/') scratch.pop_back();
    splitEntries_.clear();
    tempCabinet_ = CreateUniqueFile(scratch, "_CAB.CAB", true);

    TCipherManager cipherManager;
    TSTCabReader cabReader;
    {
        TFileStream containerFile(containerPath, FileMode::OpenRead);
        TFileStream cabinetFile(tempCabinet_, FileMode::Create);
        // The body is coded 4096 bytes at a time; the buffers turn that into
        // few large transfers. After a failure the cabinet's buffer is still
        // written out as the stream goes, so the temporary cabinet keeps what
        // was deciphered.
        TBufferedStream container(containerFile);
        TBufferedStream cabinet(cabinetFile);
        // A header cut short reads as zeros: the body is then empty and the
        // cabinet step fails, whatever cipher the bytes that came select.
        uint8_t header[kContainerHeaderSize] = {};
        container.Read(header, kContainerHeaderSize);
        cipherManager.SetAlgorithm(AlgorithmAt(IndexFromHeader(header)));
        cipherManager.SetMode(cmCTS);
        cipherManager.InitKey(password);
        cipherManager.OnProgress = OnProgress;
        const int64_t containerSize = container.Size();
        container.SetPosition(std::min(kContainerHeaderSize, containerSize));
        cipherManager.DecipherStream(&container, &cabinet, containerSize);
        cabinet.FlushBuffer();  // a full disk is reported here, not lost
    }
    bodyDeciphered_ = true;
    fileNames_.Clear();
    cabReader.ListCabinetFiles(tempCabinet_, [this](TSTCabReader& sender, const std::string& name, int32_t size,
                                                    uint16_t folder, uint16_t date, uint16_t time, uint16_t attributes,
                                                    bool& abort) {
        CollectFileName(sender, name, size, folder, date, time, attributes, abort);
    });
    if (!splitEntries_.empty()) {
        const CabNeighbours neighbours = cabReader.ListNeighbours(tempCabinet_);
        for (SplitEntry& entry : splitEntries_)
            entry.otherCabinet = entry.beginsEarlier ? neighbours.previous : neighbours.next;
    }
    cabReader.ExtractCabinet(tempCabinet_, scratch, false);
    std::remove(tempCabinet_.c_str());
    for (const auto& entry : fileNames_) files.Add(entry.text);
}

}  // namespace quellmark
