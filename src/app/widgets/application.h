#pragma once
// The application object: its title is "Quellmark", and whatever a command
// lets escape is shown in the application-wide error box instead of ending
// the program.
#include <QApplication>
#include <functional>

namespace quellmark {

class TQuellmarkApplication : public QApplication {
public:
    TQuellmarkApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The program's name, desktop entry and window icon.
void ApplyProgramIdentity(QApplication& app);

// Shows the application-wide error box for `message`.
void ShowApplicationError(const QString& message);

// Runs the program's body: a failure that escapes it is written to standard
// error and shown in the application-wide error box, and ends the program
// with status 1 instead of aborting it.
int RunProgram(const std::function<int()>& program);

}  // namespace quellmark
