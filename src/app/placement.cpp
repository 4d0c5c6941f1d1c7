#include "app/placement.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quellmark {

namespace {

std::string Suffix(const ScreenMetrics& screen) {
    char text[32];
    std::snprintf(text, sizeof text, "(%dx%d)", screen.width, screen.height);
    return text;
}

std::optional<int> Number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int>(value);
}

int ReadNumber(TPlacementValues& values, const std::string& name, int fallback) {
    auto text = values.Read(name);
    return text ? Number(*text).value_or(fallback) : fallback;
}

// Four numbers split at commas and spaces; a missing or malformed one is nullopt.
std::vector<std::optional<int>> FourNumbers(const std::string& text) {
    std::vector<std::optional<int>> numbers;
    std::string part;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',' || text[i] == ' ') {
            if (!part.empty() || (i < text.size() && text[i] == ',')) numbers.push_back(Number(part));
            part.clear();
        } else {
            part += text[i];
        }
    }
    numbers.resize(4);
    return numbers;
}

std::string Join(int a, int b, int c, int d) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", a, b, c, d);
    return text;
}

// The value for this resolution, or else the plain one.
std::optional<std::string> ReadPosition(TPlacementValues& values, const std::string& name, const ScreenMetrics& screen) {
    auto specific = values.Read(name + Suffix(screen));
    if (specific && !specific->empty()) return specific;
    return values.Read(name);
}

long long Overlap(long long from, long long to, long long otherFrom, long long otherTo) {
    return std::max(0LL, std::min(to, otherTo) - std::max(from, otherFrom));
}

// Moves a normal rectangle that lies more than half off every screen onto the
// primary screen's available area, no larger than that area. A rectangle
// without height is judged as one pixel high. Stored numbers can be anything,
// so the sums are taken in 64 bits and the areas in floating point.
void KeepOnScreen(WindowPlacement& placement, const ScreenMetrics& screen) {
    const ScreenRect& target = screen.primaryAvailable;
    if (screen.screens.empty() || target.right <= target.left || target.bottom <= target.top) return;
    const long long left = placement.left, top = placement.top;
    const long long width = placement.right - left, height = placement.bottom - top;
    const long long judgedHeight = std::max(1LL, height);
    const double area = static_cast<double>(width) * static_cast<double>(judgedHeight);
    for (const ScreenRect& each : screen.screens) {
        const double visible = static_cast<double>(Overlap(left, left + width, each.left, each.right)) *
                               static_cast<double>(Overlap(top, top + judgedHeight, each.top, each.bottom));
        if (2 * visible >= area) return;
    }
    const long long newWidth = std::min(width, static_cast<long long>(target.right) - target.left);
    const long long newHeight = std::clamp(height, 0LL, static_cast<long long>(target.bottom) - target.top);
    const long long newLeft = std::clamp<long long>(left, target.left, target.right - newWidth);
    const long long newTop = std::clamp<long long>(top, target.top, target.bottom - newHeight);
    placement.left = static_cast<int>(newLeft);
    placement.top = static_cast<int>(newTop);
    placement.right = static_cast<int>(newLeft + newWidth);
    placement.bottom = static_cast<int>(newTop + newHeight);
}

}  // namespace

RestoredPlacement ReadPlacement(TPlacementValues& values, const WindowPlacement& current, const ScreenMetrics& screen) {
    RestoredPlacement restored;
    const int version = ReadNumber(values, "FormVersion", 0);
    if (version < 0) return restored;

    WindowPlacement placement = current;
    placement.flags = ReadNumber(values, "Flags", current.flags);
    const auto minMax = ReadPosition(values, "MinMaxPos", screen);
    const auto normal = ReadPosition(values, "NormPos", screen);
    if (minMax) {
        auto n = FourNumbers(*minMax);
        placement.minX = n[0].value_or(0);
        placement.minY = n[1].value_or(0);
        placement.maxX = n[2].value_or(0);
        placement.maxY = n[3].value_or(0);
    }
    if (normal) {
        auto n = FourNumbers(*normal);
        placement.left = n[0].value_or(current.left);
        placement.top = n[1].value_or(current.top);
        placement.right = n[2].value_or(current.right);
        placement.bottom = n[3].value_or(current.bottom);
    }
    const int ppi = ReadNumber(values, "PixelsPerInch", screen.pixelsPerInch);
    const bool found = (minMax || normal) && ppi == screen.pixelsPerInch;
    if (found && placement.right > placement.left) {
        KeepOnScreen(placement, screen);
        restored.placement = placement;
    }

    switch (ReadNumber(values, "ShowCmd", 0)) {
    case 2: case 6: case 7: restored.state = ShowState::Minimized; break;
    case 3: restored.state = ShowState::Maximized; break;
    default: restored.state = ShowState::Normal; break;
    }
    return restored;
}

void WritePlacement(TPlacementValues& values, const WindowPlacement& placement, const ScreenMetrics& screen,
                    bool applicationMinimized, bool atDestruction) {
    values.Write("FormVersion", "0");
    values.Write("Flags", std::to_string(placement.flags));
    values.Write("ShowCmd", std::to_string(applicationMinimized ? 2 : placement.showCmd));
    values.Write("PixelsPerInch", std::to_string(screen.pixelsPerInch));
    const std::string minMax = Join(placement.minX, placement.minY, placement.maxX, placement.maxY);
    values.Write("MinMaxPos" + Suffix(screen), minMax);
    values.Write("MinMaxPos", minMax);
    const std::string normal = Join(placement.left, placement.top, placement.right, placement.bottom);
    values.Write("NormPos" + Suffix(screen), normal);
    values.Write("NormPos", normal);
    values.Write("Visible", atDestruction ? "1" : "0");
}

}  // namespace quellmark
