#include "container/container_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/buffered_stream.h"
#include "base/streams.h"
#include "container/unique_file.h"
#include "container/vossel_decoder.h"
#include "crypto/managers.h"
#include "crypto/registry.h"

namespace quellmark {

void WriteContainer(const std::string& cabinetPath, const std::string& containerPath, int32_t algorithmIndex,
                    const std::string& password, const TProgressEvent& progress) {
    TStringList names;
    ListCipherNames(&names);
    if (algorithmIndex < 0 || static_cast<std::size_t>(algorithmIndex) >= names.Count() ||
        !TCipherRegistry::ClassAt(names, static_cast<std::size_t>(algorithmIndex)))
        throw Exception("There is no cipher with index " + std::to_string(algorithmIndex) + " in this build");

    TCipherManager manager;
    manager.SetAlgorithm(TCipherRegistry::ClassAt(names, static_cast<std::size_t>(algorithmIndex))->className);
    manager.SetMode(cmCTS);
    manager.InitKey(password);
    manager.OnProgress = progress;

    const std::size_t slash = containerPath.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : containerPath.substr(0, slash == 0 ? 1 : slash);
    const std::string partial = CreateUniqueFile(directory, ".ozv-partial.tmp", true);
    try {
        TFileStream cabinetFile(cabinetPath, FileMode::OpenRead);
        TFileStream containerFile(partial, FileMode::Create);
        TBufferedStream cabinet(cabinetFile);
        TBufferedStream container(containerFile);
        uint8_t header[kContainerHeaderSize] = {};
        for (int i = 0; i < 4; ++i) header[i] = static_cast<uint8_t>(static_cast<uint32_t>(algorithmIndex) >> (8 * i));
        container.WriteBuffer(header, kContainerHeaderSize);
        manager.EncipherStream(&cabinet, &container, cabinet.Size());
        container.FlushBuffer();
        containerFile.Flush();
    } catch (...) {
        std::remove(partial.c_str());
        throw;
    }
    if (std::rename(partial.c_str(), containerPath.c_str()) != 0) {
        std::remove(partial.c_str());
        throw Exception("Cannot write \"" + containerPath + "\": " + std::strerror(errno));
    }
}

}  // namespace quellmark
