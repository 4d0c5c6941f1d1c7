#include "container/unique_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "base/exception.h"

namespace quellmark {

namespace {

struct LocalTime {
    tm parts{};
    int milliseconds = 0;
};

LocalTime Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    LocalTime local;
    localtime_r(&seconds, &local.parts);
    local.milliseconds =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return local;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string IncrementSuffix(const std::string& text, int width, bool pad) {
    if (width == 0) width = static_cast<int>(text.size());
    if (width == 0) return {};
    std::size_t digits = text.size();
    while (digits > 0 && IsDigit(text[digits - 1])) --digits;
    std::string prefix = text.substr(0, digits);
    const std::string run = text.substr(digits);
    // Only six-digit runs ever reach here; longer ones wrap like a 32-bit counter.
    long long value = run.empty() ? 0 : std::stoll(run.substr(run.size() > 18 ? run.size() - 18 : 0));
    std::string number = std::to_string(static_cast<int32_t>(value) + 1LL);
    while (static_cast<int>(prefix.size() + number.size()) > width && !prefix.empty()) prefix.pop_back();
    if (pad)
        while (static_cast<int>(prefix.size() + number.size()) < width && number.size() < 10) number = "0" + number;
    return prefix + number;
}

std::string CreateUniqueFile(const std::string& directory, const std::string& name, bool fullPath) {
    // The root "/" would otherwise give a doubled separator.
    const std::string pathDirectory = directory == "/" ? "" : directory;
    std::string makeDirectory = directory;
    if (makeDirectory.size() > 1 && makeDirectory.back() == '/') makeDirectory.pop_back();
    std::error_code ignored;  // a directory that cannot be made shows up as failed creations
    std::filesystem::create_directories(makeDirectory, ignored);

    const std::string fileName = name.substr(name.rfind('/') + 1);
    const std::size_t dot = fileName.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : fileName.substr(dot, 4);
    std::string base = fileName.substr(0, fileName.size() - extension.size());
    for (std::size_t i = base.size(); i-- > 1;)
        if (IsDigit(base[i]) || base[i] == '-' || base[i] == '_' || base[i] == '~') base.erase(i, 1);

    LocalTime clock = Now();
    char counterText[16];
    std::snprintf(counterText, sizeof counterText, "%02d%03d0", clock.parts.tm_sec % 100, clock.milliseconds);
    std::string counter = counterText;
    clock = Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d_%02d%02d_", clock.parts.tm_year + 1900, clock.parts.tm_mon + 1,
                  clock.parts.tm_mday, clock.parts.tm_hour, clock.parts.tm_min);
    base += stamp;

    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string path = pathDirectory + "/" + base + counter + extension;
        counter = IncrementSuffix(counter, 6, true).substr(0, 6);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        ::close(fd);
        return fullPath ? path : path.substr(path.rfind('/') + 1);
    }
    throw Exception("Failed 1000 times to create a temp file.");
}

}  // namespace quellmark
