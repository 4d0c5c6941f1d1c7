#pragma once
// The error box as a modal Qt message box.
#include "shell/shell_error.h"

class QWidget;

namespace quellmark {

class TQtErrorBox : public TErrorBox {
public:
    explicit TQtErrorBox(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowError(const std::string& message) override;

private:
    QWidget* parent_;
};

}  // namespace quellmark
