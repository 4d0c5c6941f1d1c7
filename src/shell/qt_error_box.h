#pragma once
// The error box as a modal Qt message box.
#include "shell/shell_error.h"

class QWidget;

class TQtErrorBox : public TErrorBox {
public:
    explicit TQtErrorBox(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowError(const std::string& message) override;

private:
    QWidget* parent_;
};
