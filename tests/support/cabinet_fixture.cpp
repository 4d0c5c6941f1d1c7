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

namespace {

void U16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void U32(std::string& out, uint32_t v) {
    U16(out, static_cast<uint16_t>(v));
    U16(out, static_cast<uint16_t>(v >> 16));
}

uint32_t SizeOf(const std::string& s) { return static_cast<uint32_t>(s.size()); }

}  // namespace

std::string HandMadeCabinet(const HandMade& c) {
    std::string strings;
    if (!c.previousCabinet.empty()) strings += c.previousCabinet + '\0' + "disk 1" + '\0';
    if (!c.nextCabinet.empty()) strings += c.nextCabinet + '\0' + "disk 2" + '\0';
    const uint16_t count = static_cast<uint16_t>(c.files.size());
    const uint32_t folderAt = 36 + SizeOf(strings);
    const uint32_t fileAt = folderAt + 8u * count;
    uint32_t dataAt = fileAt;
    for (const HandMadeFile& f : c.files) dataAt += 16 + SizeOf(f.name) + 1;
    uint32_t total = dataAt;
    for (const HandMadeFile& f : c.files) total += 8 + SizeOf(f.block);

    std::string cab = "MSCF";
    U32(cab, 0);
    U32(cab, total);
    U32(cab, 0);
    U32(cab, fileAt);
    U32(cab, 0);
    cab += '\x03';
    cab += '\x01';
    U16(cab, count);  // folders
    U16(cab, count);  // files
    U16(cab, static_cast<uint16_t>((c.previousCabinet.empty() ? 0 : 0x0001) | (c.nextCabinet.empty() ? 0 : 0x0002)));
    U16(cab, 0x1234);  // set id
    U16(cab, c.cabinetNumber);
    cab += strings;
    uint32_t blockAt = dataAt;
    for (const HandMadeFile& f : c.files) {  // folders: first data block, one block, stored
        U32(cab, blockAt);
        U16(cab, 1);
        U16(cab, 0);
        blockAt += 8 + SizeOf(f.block);
    }
    for (uint16_t i = 0; i < count; ++i) {  // files: size, offset, folder, date, time, attributes, name
        const HandMadeFile& f = c.files[i];
        U32(cab, f.size ? f.size : SizeOf(f.block));
        U32(cab, 0);
        U16(cab, f.folder >= 0xFFFD ? f.folder : i);
        U16(cab, static_cast<uint16_t>((2020 - 1980) << 9 | 2 << 5 | 29));
        U16(cab, static_cast<uint16_t>(12 << 11 | 34 << 5 | 28));
        U16(cab, 0x20);
        cab += f.name + '\0';
    }
    for (const HandMadeFile& f : c.files) {  // data blocks without checksum
        U32(cab, 0);
        U16(cab, static_cast<uint16_t>(f.block.size()));
        // A cut block tells its uncompressed size only in its last part.
        U16(cab, f.blockGoesOn ? 0 : static_cast<uint16_t>(f.size ? f.size : f.block.size()));
        cab += f.block;
    }
    return cab;
}

std::string HandMadeCabinet(const std::string& fileName, const std::string& content, const std::string& nextCabinet) {
    return HandMadeCabinet(HandMade{{{fileName, content}}, "", nextCabinet});
}

}  // namespace quellmark
