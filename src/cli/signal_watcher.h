#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// Turns SIGINT and SIGTERM into a call on the event loop: the handler only writes a byte to a pipe
// (async-signal-safe), and a notifier on the pipe runs onSignal. Destruction restores the default
// handling and closes the pipe. One watcher at a time.
class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void()> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    // False when the pipe could not be made; the signals then keep their default handling.
    bool Ok() const { return m_notifier != nullptr; }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
