#include "download/steady_clock.h"

#include <QElapsedTimer>

namespace pg {

double SteadySeconds() {
    static QElapsedTimer timer;
    if (!timer.isValid()) {
        timer.start();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace pg
