#pragma once

#include <functional>

namespace pg {

// The user's request to stop. The progress window's buttons (and Escape) and
// the command line's interrupt handler make it; the batch hears it at once and
// stops what runs, and reads it after each file. A new file starts with
// CancelThis spent.
class CancelRequest {
public:
    bool CancelThis = false;  // stop the current file
    bool CancelAll = false;   // stop the current file and the batch
    // A stopped file keeps its part file for a later run to resume (the
    // command line's interrupt); otherwise it goes, as after any failure.
    bool keepPartFiles = false;

    bool stopsFile() const { return CancelThis || CancelAll; }

    // Raises the request and tells the listener.
    void request(bool all) {
        CancelThis = true;
        CancelAll = CancelAll || all;
        if (listener_) {
            listener_();
        }
    }
    // Whoever runs the transfers listens (one at a time); empty to stop listening.
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    std::function<void()> listener_;
};

}  // namespace pg
