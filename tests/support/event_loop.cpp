#include "support/event_loop.h"

#include <QEventLoop>
#include <QTimer>

namespace pg::test {

bool RunEventLoopUntil(const std::function<bool()>& predicate, int timeoutMs) {
    if (predicate()) {
        return true;
    }
    QEventLoop loop;
    bool met = false;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (predicate()) {
            met = true;
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(timeoutMs);
    loop.exec();
    return met || predicate();
}

}  // namespace pg::test
