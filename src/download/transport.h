#pragma once

#include "download/response_headers.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

namespace pg {

// One request for a file, from byte `offset` on.
struct TransferRequest {
    QString url;
    QString userName;
    QString password;
    int remotePort = 80;   // for http URLs that name no port of their own
    int timeoutSecs = 60;  // wait for the connection and for more data; 0 = no limit
    qint64 offset = 0;     // first byte asked for ("Range: bytes=offset-")
    // Sent as If-Range when not empty (a strong ETag or a Last-Modified date;
    // the engine never asks past byte 0 without one): a server whose file no
    // longer matches answers with the whole file instead of a part.
    QByteArray ifRange;
};

// Why a request got no answer, or why its body broke off.
struct TransferError {
    int code = 0;
    QString text;
    bool noConnection = false;  // no connection to the host could be made for this request
};

// A request under way. Waiting keeps the user interface alive; `stop` is asked
// after every event the wait handles, so a cancel button ends the wait at once.
class TransferSession {
public:
    using StopFn = std::function<bool()>;
    enum class Wait { Answered, Failed, Stopped };

    struct Chunk {
        enum Kind { Data, End, Broken, Stopped };
        Kind kind = End;
        const char* data = nullptr;  // valid until the next read
        qint64 size = 0;
    };

    virtual ~TransferSession() = default;  // cancels what is still under way

    virtual Wait waitForResponse(const StopFn& stop) = 0;
    // HTTP status of the answer; ftp outcomes are given as 200/206 (file there),
    // 404 (no such file) or 401 (login refused).
    virtual int statusCode() const = 0;
    virtual qint64 contentLength() const = 0;  // -1 when not announced
    // The answer's Content-Range, when it has a valid one.
    virtual std::optional<ContentRange> contentRange() const = 0;
    // What identifies this version of the file, for If-Range (see
    // IfRangeValidator); empty when the answer names nothing usable. For ftp,
    // which cannot make a resume conditional, the file's time as an HTTP
    // date: the engine compares it with the first answer's.
    virtual QByteArray validator() const = 0;
    virtual QString remoteHost() const = 0;
    // The next bytes of the body; End when the server ended it cleanly, Broken
    // when the connection broke off or stalled.
    virtual Chunk read(const StopFn& stop) = 0;
    virtual TransferError error() const = 0;
};

class Transport {
public:
    virtual ~Transport() = default;
    virtual std::unique_ptr<TransferSession> start(const TransferRequest& request) = 0;
    // Lets the user interface handle pending events.
    virtual void processEvents() = 0;
};

}  // namespace pg
