#include "cabinet/cab_writer.h"

#include <libgcab.h>
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

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
    gcab_file_set_attributes(entry, source.attributes);
    return entry;
}

// Gives `entry` the modification time of `path`, or the nearest time a
// cabinet can record: libgcab would wrap a year outside 1980..2107 round
// (1975 became 2103).
void SetEntryTime(GCabFile* entry, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return;  // the file is read next, and that names the fault
    GDateTime* stamp = nullptr;
    switch (FitCabinetTime(info.st_mtime)) {
    case CabTimeFit::TooEarly: stamp = g_date_time_new_local(1980, 1, 1, 0, 0, 0); break;
    case CabTimeFit::TooLate: stamp = g_date_time_new_local(2107, 12, 31, 23, 59, 58); break;
    case CabTimeFit::Inside: stamp = g_date_time_new_from_unix_local(info.st_mtime); break;
    }
    if (!stamp) return;
    gcab_file_set_date_time(entry, stamp);
    g_date_time_unref(stamp);
}

// Reports how far libgcab has read while it writes a cabinet. It reads each
// file itself and tells only when it starts the next one, so a watcher
// thread looks up, ten times a second, the read position of the descriptor
// it has open on the current file (Linux shows it in /proc/self/fdinfo).
class ReadWatcher {
public:
    ReadWatcher(int64_t total, CabProgress progress) : total_(total), progress_(std::move(progress)) {
        thread_ = std::thread([this] { Watch(); });
    }
    ~ReadWatcher() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    ReadWatcher(const ReadWatcher&) = delete;
    ReadWatcher& operator=(const ReadWatcher&) = delete;

    // libgcab starts on the next file.
    static gboolean OnFile(GCabFile* entry, gpointer self) {
        static_cast<ReadWatcher*>(self)->Starting(entry);
        return TRUE;
    }

private:
    void Starting(GCabFile* entry) {
        std::string path;
        if (GFile* file = gcab_file_get_file(entry)) {
            char* text = g_file_get_path(file);
            std::error_code error;
            if (text) path = std::filesystem::canonical(text, error).string();
            g_free(text);
        }
        std::lock_guard lock(mutex_);
        before_ += currentSize_;
        currentSize_ = gcab_file_get_size(entry);
        currentPath_ = path;
    }

    // The read position of this process's descriptor open on `path`, or 0.
    static int64_t ReadPosition(const std::string& path) {
        namespace fs = std::filesystem;
        std::error_code error;
        for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end; it.increment(error)) {
            std::error_code linkError;
            if (fs::read_symlink(it->path(), linkError).string() != path || linkError) continue;
            std::ifstream info("/proc/self/fdinfo/" + it->path().filename().string());
            std::string key;
            int64_t position = 0;
            if (info >> key >> position && key == "pos:") return position;
        }
        return 0;
    }

    void Watch() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; })) {
            const std::string path = currentPath_;
            const int64_t before = before_, size = currentSize_;
            lock.unlock();
            const int64_t within = path.empty() ? 0 : std::min(ReadPosition(path), size);
            progress_(std::min(before + within, total_), total_);
            lock.lock();
        }
    }

    const int64_t total_;
    const CabProgress progress_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    int64_t before_ = 0;       // bytes of the files done
    int64_t currentSize_ = 0;  // and of the one being read
    std::string currentPath_;
    std::thread thread_;
};

}  // namespace

CabTimeFit FitCabinetTime(int64_t unixSeconds) {
    const time_t seconds = static_cast<time_t>(unixSeconds);
    struct tm local {};
    if (!::localtime_r(&seconds, &local)) return unixSeconds < 0 ? CabTimeFit::TooEarly : CabTimeFit::TooLate;
    const int year = local.tm_year + 1900;
    return year < 1980 ? CabTimeFit::TooEarly : year > 2107 ? CabTimeFit::TooLate : CabTimeFit::Inside;
}

void WriteCabinet(const std::string& cabinetPath, const std::vector<CabSource>& sources, bool compress,
                  const CabProgress& progress) {
    // libgcab sets up a new zlib stream, a quarter megabyte, for every 32 KiB
    // block it compresses. Freed, that memory sits at the top of the heap,
    // which the allocator hands back to the system above 128 KiB, only to
    // fault in and zero it again for the next block: nearly a fifth of the
    // time of a cabinet went into that. The heap keeps up to 32 MiB instead.
    static const bool heapKept = mallopt(M_TRIM_THRESHOLD, 32 << 20) == 1;
    (void)heapKept;
    GRef<GCabCabinet> cabinet(gcab_cabinet_new());
    GRef<GCabFolder> folder(gcab_folder_new(compress ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
    int64_t total = 0;
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
        SetEntryTime(entry.p, source.path);
        total += gcab_file_get_size(entry.p);
    }
    GError* error = nullptr;
    if (!gcab_cabinet_add_folder(cabinet.p, folder.p, &error)) Raise("Cannot build the cabinet", error);
    GRef<GFile> target(g_file_new_for_path(cabinetPath.c_str()));
    GRef<GFileOutputStream> stream(g_file_replace(target.p, nullptr, FALSE, G_FILE_CREATE_PRIVATE, nullptr, &error));
    if (!stream.p) Raise("Cannot create \"" + cabinetPath + "\"", error);
    bool written = false;
    if (progress) {
        ReadWatcher watcher(total, progress);
        written = gcab_cabinet_write_simple(cabinet.p, G_OUTPUT_STREAM(stream.p), &ReadWatcher::OnFile, &watcher,
                                            nullptr, &error);
    } else {
        written = gcab_cabinet_write_simple(cabinet.p, G_OUTPUT_STREAM(stream.p), nullptr, nullptr, nullptr, &error);
    }
    if (progress) progress(0, 0);  // the end of the run: the bar is taken away
    if (!written) Raise("Cannot write the cabinet \"" + cabinetPath + "\"", error);
    if (!g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, &error))
        Raise("Cannot write the cabinet \"" + cabinetPath + "\"", error);
}

}  // namespace quellmark
