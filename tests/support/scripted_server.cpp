#include "support/scripted_server.h"

#include <algorithm>

namespace pg::test {

std::string ReceivedRequest::header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

ScriptedServer::ScriptedServer() {
    // httplib's own handler list is not guarded; this one looks up the tests'
    // handlers under the mutex.
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        Handler handler;
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back({req.path, req.headers});
            const auto it = handlers_.find(req.path);
            handler = it == handlers_.end() ? Handler() : it->second;
        }
        handler ? handler(req, res) : void(res.status = 404);
    });
    // One request per connection and a short wait for it keep the destructor
    // from waiting on idle clients.
    server_.set_keep_alive_max_count(1);
    server_.set_keep_alive_timeout(1);
    const int port = server_.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        qFatal("ScriptedServer cannot listen on 127.0.0.1");
    }
    port_ = quint16(port);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) {  // stop() does nothing before the loop runs
        std::this_thread::yield();
    }
}

ScriptedServer::~ScriptedServer() {
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

std::vector<ReceivedRequest> ScriptedServer::requests(const std::string& path) const {
    std::vector<ReceivedRequest> matching;
    const std::lock_guard lock(mutex_);
    std::copy_if(requests_.begin(), requests_.end(), std::back_inserter(matching),
                 [&](const ReceivedRequest& r) { return r.path == path; });
    return matching;
}

ScriptedServer::Handler ScriptedServer::bytes(BodyAnswer answer) {
    return [a = std::move(answer)](const httplib::Request&, httplib::Response& res) {
        if (!a.etag.empty()) {
            res.set_header("ETag", a.etag);
        }
        // A provider that gives up short of the announced length makes httplib
        // close the connection.
        res.set_content_provider(size_t(a.body.size()), a.contentType,
                                 [a](size_t offset, size_t length, httplib::DataSink& sink) {
                                     const size_t cut = a.cutAfter < 0 ? length : a.cutAfter;
                                     sink.write(a.body.constData() + offset, std::min(length, cut));
                                     return cut >= length;
                                 });
    };
}

ScriptedServer::Handler ScriptedServer::basicAuth(const QByteArray& user,
                                                  const QByteArray& password, Handler next) {
    const std::string expected = "Basic " + (user + ':' + password).toBase64().toStdString();
    return [expected, next = std::move(next)](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Authorization") == expected) {
            return next(req, res);
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", "Basic realm=\"pg-test\"");
    };
}

}  // namespace pg::test
