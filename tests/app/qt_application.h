#pragma once
// The one QApplication of the widget tests, made on first use and shared by
// every test file of the program (Qt allows a single one per process).
#include <QApplication>

namespace quellmark {

inline QApplication& App() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static int argc = 1;
    static char name[] = "quellmark-tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own statics may be gone by the time a static
    // application object would be torn down at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace quellmark
