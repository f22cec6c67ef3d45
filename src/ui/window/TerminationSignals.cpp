#include "window/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevix::ui {

namespace {

int pipeEnds[2] = {-1, -1};   // [0] read by the notifier, [1] written by the handler
constexpr int Caught[] = {SIGTERM, SIGHUP};

void OnSignal(int signal) {
    // Async-signal-safe only: one byte, errno kept for the code the signal interrupted.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (pipeEnds[1] >= 0) {
        const ssize_t written = ::write(pipeEnds[1], &byte, 1);
        (void)written;   // a full pipe already holds a byte that wakes the window
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return;   // the default actions stay: the program ends as before
    }
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::ReadPending);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Caught) ::sigaction(s, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (pipeEnds[0] < 0) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : Caught) ::sigaction(s, &action, nullptr);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::ReadPending() {
    unsigned char byte = 0;
    // The first signal decides; the receiver ignores the ones after it.
    while (::read(pipeEnds[0], &byte, 1) == 1) emit Received(byte);
}

} // namespace trevix::ui
