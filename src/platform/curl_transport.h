#pragma once

#include "download/transport.h"

namespace pg {

// File transfers through libcurl, driven by the Qt event loop (http, https,
// ftp). Every request asks for a byte range, also the first one (from 0).
class CurlTransport : public Transport {
public:
    std::unique_ptr<TransferSession> start(const TransferRequest& request,
                                           TransferListener& listener) override;
};

}  // namespace pg
