#include "cabinet_fixture.h"

#include "cabinet/cab_writer.h"

namespace quellmark {

std::string CabinetTest::MakeCabinet(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
                                     bool compress, uint32_t attributes) {
    std::vector<CabSource> sources;
    for (std::size_t i = 0; i < files.size(); ++i)
        sources.push_back({MakeFile("cabinet-sources/" + name + "/" + std::to_string(i), files[i].second), files[i].first,
                           attributes});
    const std::string path = (root / name).string();
    WriteCabinet(path, sources, compress);
    return path;
}

}  // namespace quellmark
