#include "stopsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGINT, SIGTERM};
int pipeEnds[2] = {-1, -1};

extern "C" void onStopSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    (void)!write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return; // the signals keep their defaults
    }
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    for (int number : Handled) {
        struct sigaction old = {};
        if (sigaction(number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND; // the second one takes the default
        sigaction(number, &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    for (int number : Handled) {
        struct sigaction current = {};
        if (sigaction(number, nullptr, &current) == 0 && current.sa_handler == onStopSignal)
            std::signal(number, SIG_DFL);
    }
    delete notifier;
    for (int &end : pipeEnds) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

void StopSignals::readPipe()
{
    char byte = 0;
    while (read(pipeEnds[0], &byte, 1) == 1) {
        if (signalNumber == 0) {
            signalNumber = byte;
            emit stopRequested(signalNumber);
        }
    }
}

void StopSignals::endBy(int number)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::signal(number, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(number);
    _exit(128 + number); // not reached unless the signal could not end the process
}
