#pragma once
// The main window's placement across runs: its normal rectangle, its
// minimized and maximized positions and its show state, kept as string
// values under Software\<program>\Form. A placement is taken only when it was
// stored at the current pixels-per-inch; a value stored for the current
// screen resolution ("NormPos(1920x1080)") wins over the plain one. A stored
// rectangle that would leave the window more than half off every screen (a
// screen that is gone, a resolution that shrank) is moved onto the primary
// screen's available area and made no larger than that area.
#include <optional>
#include <string>
#include <vector>

namespace quellmark {

struct WindowPlacement {
    int flags = 0;
    int showCmd = 1;  // 1 normal, 2 minimized, 3 maximized (the system's SW_ values)
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A rectangle in desktop coordinates; right and bottom lie just outside it.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct ScreenMetrics {
    int width = 0;
    int height = 0;
    int pixelsPerInch = 96;
    std::vector<ScreenRect> screens;  // the area of every screen; none known: no rectangle is moved
    ScreenRect primaryAvailable;      // the primary screen without its panels and docks
};

// The string values of the "Form" key.
class TPlacementValues {
public:
    virtual ~TPlacementValues() = default;
    virtual std::optional<std::string> Read(const std::string& name) = 0;
    virtual void Write(const std::string& name, const std::string& value) = 0;
};

enum class ShowState { Normal, Minimized, Maximized };

struct RestoredPlacement {
    std::optional<WindowPlacement> placement;  // set when a usable rectangle was stored
    ShowState state = ShowState::Normal;
};

// `current` is the window's placement now: its values stand in for what is missing.
RestoredPlacement ReadPlacement(TPlacementValues& values, const WindowPlacement& current, const ScreenMetrics& screen);
void WritePlacement(TPlacementValues& values, const WindowPlacement& placement, const ScreenMetrics& screen,
                    bool applicationMinimized, bool atDestruction);

}  // namespace quellmark
