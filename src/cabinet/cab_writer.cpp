#include "cabinet/cab_writer.h"

#include <libgcab.h>

#include "base/exception.h"
#include "cabinet/cab_format.h"

namespace {

// Owns one GObject reference.
template <class T>
struct GRef {
    T* p;
    explicit GRef(T* object) : p(object) {}
    ~GRef() {
        if (p) g_object_unref(p);
    }
    GRef(const GRef&) = delete;
    GRef& operator=(const GRef&) = delete;
};

[[noreturn]] void Raise(const std::string& what, GError* error) {
    std::string message = what + (error ? std::string(": ") + error->message : "");
    if (error) g_error_free(error);
    throw Exception(message);
}

}  // namespace

void WriteCabinet(const std::string& cabinetPath, const std::vector<CabSource>& sources, bool compress) {
    GRef<GCabCabinet> cabinet(gcab_cabinet_new());
    GRef<GCabFolder> folder(gcab_folder_new(compress ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
    for (const CabSource& source : sources) {
        // Cabinets come from and go to Windows: directories are separated by "\".
        std::string stored = source.storedName;
        bool ascii = true;
        for (char& c : stored) {
            if (c == '/') c = '\\';
            if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
        }
        GRef<GFile> file(g_file_new_for_path(source.path.c_str()));
        GRef<GCabFile> entry(gcab_file_new_with_file(stored.c_str(), file.p));
        if (!ascii) gcab_file_set_attributes(entry.p, gcab_file_get_attributes(entry.p) | kAttribNameIsUtf8);
        GError* error = nullptr;
        if (!gcab_folder_add_file(folder.p, entry.p, FALSE, nullptr, &error))
            Raise("Cannot add \"" + source.path + "\" to the cabinet", error);
    }
    GError* error = nullptr;
    if (!gcab_cabinet_add_folder(cabinet.p, folder.p, &error)) Raise("Cannot build the cabinet", error);
    GRef<GFile> target(g_file_new_for_path(cabinetPath.c_str()));
    GRef<GFileOutputStream> stream(g_file_replace(target.p, nullptr, FALSE, G_FILE_CREATE_PRIVATE, nullptr, &error));
    if (!stream.p) Raise("Cannot create \"" + cabinetPath + "\"", error);
    if (!gcab_cabinet_write_simple(cabinet.p, G_OUTPUT_STREAM(stream.p), nullptr, nullptr, nullptr, &error))
        Raise("Cannot write the cabinet \"" + cabinetPath + "\"", error);
    if (!g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, &error))
        Raise("Cannot write the cabinet \"" + cabinetPath + "\"", error);
}
