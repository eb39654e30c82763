#include "support/scripted_server.h"

#include <algorithm>
#include <chrono>

namespace pg::test {

std::string ReceivedRequest::header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

ScriptedServer::ScriptedServer() {
    // httplib's handler list is not guarded, so one handler registered before
    // the start looks up the tests' handlers under the mutex.
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        Handler handler;
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back({req.method, req.path, req.headers});
            const auto it = handlers_.find(req.path);
            if (it != handlers_.end()) {
                handler = it->second;
            }
        }
        // Left in place, the parsed ranges make httplib cut every body to the
        // range after the handler ran, even one answered with 200. The request
        // object itself is not const, only the reference handed to us.
        const_cast<httplib::Request&>(req).ranges.clear();
        if (handler) {
            handler(req, res);
        } else {
            res.status = 404;
        }
    });
    // Worker threads only notice stop() between connections: one request per
    // connection and a short wait for the first one keep the destructor quick
    // when a client still holds a connection open.
    server_.set_keep_alive_max_count(1);
    server_.set_keep_alive_timeout(1);
    const int port = server_.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        qFatal("ScriptedServer cannot listen on 127.0.0.1");
    }
    port_ = quint16(port);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() does nothing before the loop runs, and the destructor would then hang.
    while (!server_.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ScriptedServer::~ScriptedServer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    server_.stop();
    thread_.join();
}

void ScriptedServer::handle(const std::string& path, Handler handler) {
    const std::lock_guard lock(mutex_);
    handlers_[path] = std::move(handler);
}

QString ScriptedServer::url(const QByteArray& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + QString::fromUtf8(path);
}

std::vector<ReceivedRequest> ScriptedServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<ReceivedRequest> ScriptedServer::requests(const std::string& path) const {
    std::vector<ReceivedRequest> matching;
    const std::lock_guard lock(mutex_);
    std::copy_if(requests_.begin(), requests_.end(), std::back_inserter(matching),
                 [&](const ReceivedRequest& r) { return r.path == path; });
    return matching;
}

ScriptedServer::Handler ScriptedServer::bytes(BodyAnswer answer) {
    return [answer = std::move(answer)](const httplib::Request& req, httplib::Response& res) {
        const qint64 size = answer.body.size();
        const QByteArray range = QByteArray::fromStdString(req.get_header_value("Range"));
        bool ranged = false;  // from stays 0 without a usable range
        qint64 from = 0;
        if (answer.honourRange && range.startsWith("bytes=") && range.endsWith('-')) {
            from = range.mid(6, range.size() - 7).toLongLong(&ranged);
        }
        if (ranged && from >= size) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            return;
        }
        res.status = ranged ? 206 : 200;
        if (ranged) {
            res.set_header("Content-Range", "bytes " + std::to_string(from) + '-' +
                                                std::to_string(size - 1) + '/' +
                                                std::to_string(size));
        }
        const QByteArray part = answer.body.mid(from);
        const qint64 keep =
            answer.cutAfter < 0 ? part.size() : std::min(answer.cutAfter, part.size());
        if (keep == part.size()) {
            res.set_content(part.constData(), size_t(part.size()), answer.contentType);
            return;
        }
        // A provider that stops short of the announced length makes httplib close
        // the connection.
        res.set_content_provider(
            size_t(part.size()), answer.contentType,
            [part, keep](size_t offset, size_t length, httplib::DataSink& sink) {
                const size_t n =
                    std::min(length, size_t(std::max<qint64>(keep - qint64(offset), 0)));
                sink.write(part.constData() + offset, n);
                return n == length;
            });
    };
}

ScriptedServer::Handler ScriptedServer::basicAuth(const QByteArray& user,
                                                  const QByteArray& password, Handler next) {
    const std::string expected = "Basic " + (user + ':' + password).toBase64().toStdString();
    return [expected, next = std::move(next)](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Authorization") == expected) {
            next(req, res);
            return;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"pg-test\"");
    };
}

ScriptedServer::Handler ScriptedServer::delayed(int ms, Handler next) {
    return [this, ms, next = std::move(next)](const httplib::Request& req, httplib::Response& res) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
        }
        next(req, res);
    };
}

}  // namespace pg::test
