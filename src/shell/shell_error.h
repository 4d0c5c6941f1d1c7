#pragma once
// Turning a failed shell launch into an error box.
#include <string>

namespace quellmark {

// The error box: caption "Error", error icon, one "OK" button.
class TErrorBox {
public:
    virtual ~TErrorBox() = default;
    virtual void ShowError(const std::string& message) = 0;
};

// The text for a shell error code, or nullptr for codes that have none
// (0, codes not listed and every success value above 32).
const char* ShellErrorMessage(int code);

// Shows the code's text in the error box, or nothing when it has none.
void ShowShellError(TErrorBox& box, int code);

}  // namespace quellmark
