#pragma once
// SIGTERM and SIGHUP (a logout, a shutdown, a closed terminal) as a Qt signal on the window's
// thread. The handler only writes the signal's number into a socket pair; a socket notifier
// reads it in the event loop, where anything may be done.
#include <QObject>

class QSocketNotifier;

namespace trevix::ui {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Restores the default actions.
    ~TerminationSignals() override;

signals:
    void Received(int signal);

private:
    void ReadPending();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace trevix::ui
