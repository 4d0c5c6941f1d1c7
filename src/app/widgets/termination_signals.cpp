#include "app/widgets/termination_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace quellmark {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The write end, for the handler: write() is one of the few calls a signal
// handler may make.
volatile std::sig_atomic_t writeEnd = -1;

void OnSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    if (writeEnd >= 0) {
        // A full pipe already holds a signal number: nothing is lost.
        const ssize_t written = ::write(writeEnd, &byte, 1);
        (void)written;
    }
    errno = saved;
}

}  // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("Cannot create the signal pipe");
    writeEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
    struct sigaction action{};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals) ::sigaction(number, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    for (int number : kSignals) std::signal(number, SIG_DFL);
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TTerminationSignals::Drain() {
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1) received_ = byte;
    // Ends every event loop, the nested ones of open dialogs included; a
    // decode under way runs to its end first, and the window's files are
    // removed once the program is back at its outermost level.
    if (received_ != 0) QCoreApplication::exit(128 + received_);
}

}  // namespace quellmark
