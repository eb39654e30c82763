#pragma once

#include "download/response_headers.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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
    // Sent as Referer when not empty: the page the file was found on.
    QString referer = {};
};

// Why a request got no answer, or why its body broke off.
struct TransferError {
    int code = 0;
    QString text;
    bool noConnection = false;  // no connection to the host could be made for this request
    bool headCut = false;       // the answer began but broke off inside its head
};

class TransferSession;

// Hears one request's answer as it arrives. Every call comes from the event
// loop, never from within Transport::start, and a listener may not destroy the
// session from within answered() or received().
class TransferListener {
public:
    enum class End {
        Complete,  // the server ended the body cleanly
        Broken,    // the connection broke off or stalled
        NoAnswer,  // no answer came (error() says why)
        Stopped,   // the listener asked to stop
    };
    // What to do with an answer whose head has arrived.
    enum class Take {
        Body,  // go on: the body follows through received()
        Hold,  // keep the request as it is until TransferSession::resume()
        Stop,  // end the request here (ended(Stopped) follows)
    };

    virtual ~TransferListener() = default;
    // The answer's head has arrived: status, length, range and validator can
    // be read.
    virtual Take answered(TransferSession& session) = 0;
    // The next piece of the body; false ends the request (ended(Stopped) follows).
    virtual bool received(const char* data, qint64 size) = 0;
    // The request is over; the last call for it. The listener may destroy the session here.
    virtual void ended(End end) = 0;
};

// A request under way. Destroying it ends the request without a further call
// to its listener.
class TransferSession {
public:
    virtual ~TransferSession() = default;

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
    // A 429 or 503's Retry-After in seconds from now; -1 when there is none.
    virtual int retryAfterSecs() const { return -1; }
    virtual QString remoteHost() const = 0;
    // The URL of the last request, after redirects.
    virtual QString effectiveUrl() const = 0;
    virtual TransferError error() const = 0;
    // Lets an answer that answered() held go on; called from the event loop.
    virtual void resume() = 0;
};

class Transport {
public:
    virtual ~Transport() = default;
    virtual std::unique_ptr<TransferSession> start(const TransferRequest& request,
                                                   TransferListener& listener) = 0;
};

}  // namespace pg
