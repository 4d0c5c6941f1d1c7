#include "cabinet/cab_writer.h"

#include <libgcab.h>

#include "base/exception.h"
#include "cabinet/cab_format.h"

namespace quellmark {

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

// A file read as it is written (its attributes come from the file system).
GCabFile* EntryFromFile(const CabSource& source, const std::string& stored) {
    GRef<GFile> file(g_file_new_for_path(source.path.c_str()));
    return gcab_file_new_with_file(stored.c_str(), file.p);
}

// A file with attributes of its own: libgcab would replace them with the
// file system's when it reads the file itself, so its bytes are given here.
GCabFile* EntryWithAttributes(const CabSource& source, const std::string& stored) {
    GRef<GFile> file(g_file_new_for_path(source.path.c_str()));
    GError* error = nullptr;
    char* contents = nullptr;
    gsize length = 0;
    if (!g_file_load_contents(file.p, nullptr, &contents, &length, nullptr, &error))
        Raise("Cannot read \"" + source.path + "\"", error);
    GBytes* bytes = g_bytes_new_take(contents, length);
    GCabFile* entry = gcab_file_new_with_bytes(stored.c_str(), bytes);
    g_bytes_unref(bytes);
    GFileInfo* info = g_file_query_info(file.p, G_FILE_ATTRIBUTE_TIME_MODIFIED, G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (info) {
        if (GDateTime* modified = g_file_info_get_modification_date_time(info)) {
            GDateTime* local = g_date_time_to_local(modified);
            gcab_file_set_date_time(entry, local);
            g_date_time_unref(local);
            g_date_time_unref(modified);
        }
        g_object_unref(info);
    }
    gcab_file_set_attributes(entry, source.attributes);
    return entry;
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
        GRef<GCabFile> entry(source.attributes ? EntryWithAttributes(source, stored) : EntryFromFile(source, stored));
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

}  // namespace quellmark
