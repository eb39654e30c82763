#include "cli/run_loop.h"

#include <QCoreApplication>

namespace pg::cli {

int RunUntilFinished(const std::function<void(const FinishFn& finish)>& start) {
    int exitCode = 0;
    bool finished = false;
    start([&exitCode, &finished](int code) {
        exitCode = code;
        finished = true;
        QCoreApplication::exit(code);
    });
    if (!finished) {
        QCoreApplication::exec();
    }
    return exitCode;
}

}  // namespace pg::cli
