#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, `kill`, Ctrl+C in the terminal that
// started us) would otherwise end the program on the spot and leave the
// decrypted files of its window behind until the next start. Here they end
// the event loops instead, so the program leaves through its normal close.
#include <QObject>
#include <atomic>

class QSocketNotifier;

namespace quellmark {

class TTerminationSignals : public QObject {
public:
    // Installs the handlers; only one object may live at a time.
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    // The signal that ended the program, or 0 when none came.
    int Received() const { return received_; }

private:
    void Drain();

    int pipe_[2] = {-1, -1};  // the handler writes the signal number, the event loop reads it
    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};

}  // namespace quellmark
