#include "app/widgets/application.h"

#include <QMessageBox>

#include "app/widgets/app_icon.h"
#include "app/widgets/main_window.h"

namespace quellmark {

TQuellmarkApplication::TQuellmarkApplication(int& argc, char** argv) : QApplication(argc, argv) {
    ApplyProgramIdentity(*this);
}

void ApplyProgramIdentity(QApplication& app) {
    app.setApplicationName("Quellmark");
    app.setApplicationDisplayName("Quellmark");
    // Ties the running windows to the installed desktop entry (task bar and
    // window switchers on Wayland take the icon from there).
    app.setDesktopFileName("quellmark");
    // Every window without an icon of its own takes this one.
    app.setWindowIcon(QuellmarkIcon());
}

void ShowApplicationError(const QString& message) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          ApplicationErrorText(message));
}

int RunProgram(const std::function<int()>& program) {
    QString message;
    try {
        return program();
    } catch (const std::exception& e) {
        message = QString::fromStdString(e.what());
    } catch (...) {
        message = "An unexpected error occurred";
    }
    qWarning("%s", qPrintable(message));
    ShowApplicationError(message);
    return 1;
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
