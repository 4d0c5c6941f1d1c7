#include "shell/qt_error_box.h"

#include <QMessageBox>

namespace quellmark {

void TQtErrorBox::ShowError(const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(message), QMessageBox::Ok,
                    parent_);
    box.exec();
}

}  // namespace quellmark
