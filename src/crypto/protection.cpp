#include "crypto/protection.h"

#include <algorithm>
#include <vector>
#include <sys/stat.h>

#include "base/streams.h"
#include "crypto/bytes.h"

namespace quellmark {

void TProtection::SetChainedProtection(std::shared_ptr<TProtection> p) {
    if (p == chained_) return;
    for (const TProtection* link = p.get(); link; link = link->chained_.get())
        if (link == this) throw EProtection("Circular Protection detected, Protection Object is invalid.");
    chained_ = std::move(p);
}

void TProtection::BeginCoding(TProtectionAction action) {
    if (chained_) chained_->BeginCoding(action);
}

void TProtection::EndCoding(TProtectionAction action) {
    if (chained_) chained_->EndCoding(action);
}

void TProtection::ProcessChunk(uint8_t* buffer, int32_t size, TProtectionAction action) {
    if (chained_) chained_->ProcessChunk(buffer, size, action);
}

void TProtection::ReportProgress(int64_t current, int64_t maximum) {
    if (OnProgress) OnProgress(*this, current, maximum);
}

void TProtection::ProcessStream(TStream* source, TStream* dest, int64_t count, TProtectionAction action) {
    if (!source) return;
    if (!dest) dest = source;
    if (count < 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    BeginCoding(action);
    // Once begun, a run always ends with a (0, 0) report and EndCoding, so the
    // feedback is rewound even when coding or a stream fails half-way.
    try {
        CodeChunks(*source, *dest, count, action);
    } catch (...) {
        ReportProgress(0, 0);
        try { EndCoding(action); } catch (...) {}
        throw;
    }
    ReportProgress(0, 0);
    EndCoding(action);
}

void TProtection::CodeChunks(TStream& source, TStream& dest, int64_t count, TProtectionAction action) {
    const int64_t total = count;
    ReportProgress(0, total);
    std::vector<uint8_t> chunk(kChunkSize, 0);
    struct Wipe {
        std::vector<uint8_t>& bytes;
        ~Wipe() { FillSecret(bytes.data(), 0, bytes.size()); }
    } wipe{chunk};

    if (action == actDigest) {
        while (count > 0) {
            int64_t n = source.Read(chunk.data(), std::min<int64_t>(count, kChunkSize));
            if (n <= 0) break;
            ProcessChunk(chunk.data(), static_cast<int32_t>(n), action);
            count -= n;
            ReportProgress(total - count, total);
        }
        return;
    }
    if (&source != &dest) {
        // Each stream keeps its own position, so no seeking is needed (a
        // file stream's seek is a system call per chunk).
        while (count > 0) {
            int64_t n = source.Read(chunk.data(), std::min<int64_t>(count, kChunkSize));
            if (n <= 0) break;
            ProcessChunk(chunk.data(), static_cast<int32_t>(n), action);
            dest.WriteBuffer(chunk.data(), n);  // a short write is an error, never silent loss
            count -= n;
            ReportProgress(total - count, total);
        }
        return;
    }
    // One stream coded in place: the read and the write position are
    // noted apart and each chunk seeks to the one it needs.
    int64_t sourcePos = source.Position();
    int64_t destPos = dest.Position();
    while (count > 0) {
        source.SetPosition(sourcePos);
        int64_t n = source.Read(chunk.data(), std::min<int64_t>(count, kChunkSize));
        sourcePos = source.Position();
        if (n <= 0) break;
        ProcessChunk(chunk.data(), static_cast<int32_t>(n), action);
        dest.SetPosition(destPos);
        dest.WriteBuffer(chunk.data(), n);
        destPos = dest.Position();
        count -= n;
        ReportProgress(total - count, total);
    }
}

int32_t TProtection::ProcessMemory(uint8_t* buffer, int32_t size, TProtectionAction action) {
    BeginCoding(action);
    try {
        ProcessChunk(buffer, size, action);
    } catch (...) {
        try { EndCoding(action); } catch (...) {}
        throw;
    }
    EndCoding(action);
    return size;
}

namespace {

// Whether two names lead to one file: the very same name or, when both exist,
// the same device and inode (another spelling such as "dir/../x", a hard link
// or a symbolic link). Letter case tells nothing: "A.bin" and "a.bin" are two
// files here. Creating the destination of the same file would empty the
// source before it is read.
bool SameFile(const std::string& first, const std::string& second) {
    if (first == second) return true;
    struct stat a {}, b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

}  // namespace

void TProtection::ProcessFile(const std::string& sourceName, const std::string& destName, TProtectionAction action) {
    bool separate = (!Trim(destName).empty() || action == actDigest) && !SameFile(sourceName, destName);
    if (separate) {
        TFileStream source(sourceName, FileMode::OpenRead);
        if (action == actDigest) {
            ProcessStream(&source, &source, source.Size(), action);
            return;
        }
        TFileStream dest(destName, FileMode::Create);
        ProcessStream(&source, &dest, source.Size(), action);
        dest.SetSize(dest.Position());
    } else {
        TFileStream file(sourceName, FileMode::OpenReadWrite);
        ProcessStream(&file, &file, file.Size(), action);
    }
}

std::string TProtection::ProcessText(const std::string& text, TProtectionAction action, TStringFormat format) {
    if (text.empty()) return {};
    std::string bytes = action == actDecipher ? ParseFormatted(text, format) : text;
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ProcessStream(&stream, &stream, stream.Size(), action);
    std::string coded(stream.Bytes().begin(), stream.Bytes().end());
    return action == actDecipher ? coded : FormatBytes(coded, format);
}

}  // namespace quellmark
