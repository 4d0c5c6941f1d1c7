#include "app/widgets/application.h"

#include <QMessageBox>

#include "app/widgets/main_window.h"

namespace quellmark {

TQuellmarkApplication::TQuellmarkApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Quellmark");
    setApplicationDisplayName("Quellmark");
}

void ShowApplicationError(const QString& message) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          ApplicationErrorText(message));
}

bool TQuellmarkApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowApplicationError(QString::fromStdString(e.what()));
    } catch (...) {
        ShowApplicationError("An unexpected error occurred");
    }
    return false;
}

}  // namespace quellmark
