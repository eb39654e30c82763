#pragma once

namespace pg {

// The user's request to stop. Only the progress window's buttons (and Escape)
// and the command line's interrupt handler write it; the engine and the batch
// read it. The progress window clears CancelThis when it opens for the next
// file.
struct CancelRequest {
    bool CancelThis = false;  // stop the current file
    bool CancelAll = false;   // stop the current file and the batch

    bool stopsFile() const { return CancelThis || CancelAll; }
};

}  // namespace pg
