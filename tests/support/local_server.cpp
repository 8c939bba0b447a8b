#include "support/local_server.h"

#include <fcntl.h>
#include <httplib.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <map>
#include <thread>

#include "textutil/program_text.h"
#include "web/network_overrides.h"

namespace lh::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSliceMs = 20;
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
constexpr int kMaxRequestsPerConnection = 1000;
constexpr auto kIdleLimit = std::chrono::seconds(5);

std::string certPath(const char* name) {
    return std::string(LH_TESTS_DIR) + "/support/certs/" + name;
}

std::string trim(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const std::size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

std::string nameOf(const std::string& line) {
    const std::size_t colon = line.find(':');
    return colon == std::string::npos ? std::string()
                                      : trim(std::string_view(line).substr(0, colon));
}

std::string valueOf(const std::string& line) {
    const std::size_t colon = line.find(':');
    return colon == std::string::npos ? std::string()
                                      : trim(std::string_view(line).substr(colon + 1));
}

const char* reasonFor(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// One accepted connection, plain or TLS, on a non-blocking socket; every wait is sliced
// so that a stopping server is noticed at once.
class Connection {
public:
    Connection(int fd, SSL_CTX* ctx, const std::atomic<bool>& stopping)
        : fd_(fd), stopping_(stopping) {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL, 0) | O_NONBLOCK);
        if (ctx != nullptr) {
            ssl_ = SSL_new(ctx);
            if (ssl_ != nullptr) SSL_set_fd(ssl_, fd_);
        }
    }
    ~Connection() {
        if (ssl_ != nullptr) SSL_free(ssl_);
        ::close(fd_);
    }

    bool tls() const { return ssl_ != nullptr; }
    bool resumedSession() const { return ssl_ != nullptr && SSL_session_reused(ssl_) == 1; }

    bool handshake() {
        const auto deadline = Clock::now() + kIdleLimit;
        for (;;) {
            const int rc = SSL_accept(ssl_);
            if (rc == 1) return true;
            const int err = SSL_get_error(ssl_, rc);
            short events = 0;
            if (err == SSL_ERROR_WANT_READ)
                events = POLLIN;
            else if (err == SSL_ERROR_WANT_WRITE)
                events = POLLOUT;
            else
                return false;
            if (!waitFor(events, deadline)) return false;
        }
    }

    // Bytes read (> 0), 0 at the end of the stream, -1 on error, time-out or stop.
    long read(char* buffer, std::size_t size, Clock::time_point deadline) {
        for (;;) {
            short events = POLLIN;
            if (ssl_ != nullptr) {
                ERR_clear_error();
                const int rc = SSL_read(ssl_, buffer, static_cast<int>(size));
                if (rc > 0) return rc;
                const int err = SSL_get_error(ssl_, rc);
                if (err == SSL_ERROR_ZERO_RETURN) return 0;
                if (err == SSL_ERROR_WANT_WRITE)
                    events = POLLOUT;
                else if (err != SSL_ERROR_WANT_READ)
                    return err == SSL_ERROR_SYSCALL ? 0 : -1;
            } else {
                const ssize_t rc = ::recv(fd_, buffer, size, 0);
                if (rc > 0) return rc;
                if (rc == 0) return 0;
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
            }
            if (!waitFor(events, deadline)) return -1;
        }
    }

    bool write(std::string_view data) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        std::size_t done = 0;
        while (done < data.size()) {
            short events = POLLOUT;
            if (ssl_ != nullptr) {
                ERR_clear_error();
                const int rc =
                    SSL_write(ssl_, data.data() + done, static_cast<int>(data.size() - done));
                if (rc > 0) {
                    done += static_cast<std::size_t>(rc);
                    continue;
                }
                const int err = SSL_get_error(ssl_, rc);
                if (err == SSL_ERROR_WANT_READ)
                    events = POLLIN;
                else if (err != SSL_ERROR_WANT_WRITE)
                    return false;
            } else {
                const ssize_t rc =
                    ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
                if (rc > 0) {
                    done += static_cast<std::size_t>(rc);
                    continue;
                }
                if (rc < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    return false;
            }
            if (!waitFor(events, deadline)) return false;
        }
        return true;
    }

    // Sleeps up to `ms`; false when the server began stopping meanwhile.
    bool pause(int ms) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < until) {
            if (stopping_) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(
                kSliceMs,
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now())
                        .count() +
                    1)));
        }
        return !stopping_;
    }

    // The next close sends a reset instead of an orderly end.
    void resetOnClose() {
        const linger hard{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }

    void closeGracefully() {
        if (ssl_ != nullptr) SSL_shutdown(ssl_);
        ::shutdown(fd_, SHUT_RDWR);
    }

private:
    bool waitFor(short events, Clock::time_point deadline) {
        for (;;) {
            if (stopping_ || Clock::now() >= deadline) return false;
            pollfd p{fd_, events, 0};
            const int rc = ::poll(&p, 1, kSliceMs);
            if (rc > 0) return true;
            if (rc < 0 && errno != EINTR) return false;
        }
    }

    int fd_;
    SSL* ssl_ = nullptr;
    const std::atomic<bool>& stopping_;
};

}  // namespace

struct LocalServer::Impl {
    std::unique_ptr<httplib::Server> server;
    std::thread listener;
    std::atomic<bool> stopping{false};
    std::atomic<int> connections{0};
    std::atomic<int> handshakes{0};
    std::atomic<int> resumed{0};
    int port = -1;
    bool https = false;

    mutable std::mutex mutex;
    mutable std::condition_variable arrived;
    std::vector<RecordedRequest> log;
    Handler handler;
    std::deque<ScriptedAnswer> queue;
    std::map<std::string, ScriptedAnswer> routes;
    ScriptedAnswer fallback = ScriptedAnswer::notFound();

    void serve(int fd, SSL_CTX* ctx);
    ScriptedAnswer answerFor(const RecordedRequest& request);
    bool readRequest(Connection& conn, std::string& buffer, RecordedRequest& request);
    bool sendAnswer(Connection& conn, const ScriptedAnswer& answer);
};

namespace {

// cpp-httplib listens, accepts and runs its thread pool; each accepted socket is served
// here byte by byte, so requests are seen exactly as sent and answers go out as scripted.
template <class Base>
class RawServer : public Base {
public:
    template <class... Args>
    explicit RawServer(LocalServer::Impl* impl, Args&&... args)
        : Base(std::forward<Args>(args)...), impl_(impl) {}

private:
    bool process_and_close_socket(socket_t sock) override {
        SSL_CTX* ctx = nullptr;
        if constexpr (std::is_same_v<Base, httplib::SSLServer>) ctx = this->ssl_context();
        impl_->serve(sock, ctx);
        return true;
    }

    LocalServer::Impl* impl_;
};

}  // namespace

ScriptedAnswer ScriptedAnswer::html(std::string body, std::string contentType) {
    ScriptedAnswer answer;
    answer.headers.push_back("Content-Type: " + contentType);
    answer.body = std::move(body);
    return answer;
}

ScriptedAnswer ScriptedAnswer::redirect(int status, std::string location) {
    ScriptedAnswer answer;
    answer.status = status;
    answer.headers.push_back("Location: " + location);
    return answer;
}

ScriptedAnswer ScriptedAnswer::notFound() {
    ScriptedAnswer answer;
    answer.status = 404;
    answer.body = "not found";
    return answer;
}

std::string RecordedRequest::header(std::string_view name) const {
    const int index = headerIndex(name);
    return index < 0 ? std::string() : valueOf(headerLines[static_cast<std::size_t>(index)]);
}

bool RecordedRequest::hasHeader(std::string_view name) const { return headerIndex(name) >= 0; }

int RecordedRequest::headerCount(std::string_view name) const {
    int count = 0;
    for (const std::string& line : headerLines)
        count += equalsIgnoreCase(nameOf(line), name) ? 1 : 0;
    return count;
}

int RecordedRequest::headerIndex(std::string_view name) const {
    for (std::size_t i = 0; i < headerLines.size(); ++i) {
        if (equalsIgnoreCase(nameOf(headerLines[i]), name)) return static_cast<int>(i);
    }
    return -1;
}

std::string RecordedRequest::path() const { return target.substr(0, target.find('?')); }

bool LocalServer::Impl::readRequest(Connection& conn, std::string& buffer,
                                    RecordedRequest& request) {
    char chunk[16384];
    std::size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > kMaxHeaderBytes) return false;
        const long n = conn.read(chunk, sizeof chunk, Clock::now() + kIdleLimit);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    const std::vector<std::string> lines =
        splitText(std::string_view(buffer).substr(0, headEnd), "\r\n");
    const std::vector<std::string> requestLine = splitText(lines[0], " ");
    if (requestLine.size() < 3) return false;
    request.method = requestLine[0];
    request.target = requestLine[1];
    request.version = requestLine[2];
    request.headerLines.assign(lines.begin() + 1, lines.end());
    buffer.erase(0, headEnd + 4);

    const long long length = toInteger(request.header("Content-Length"));
    if (length > 0) {
        if (equalsIgnoreCase(request.header("Expect"), "100-continue") &&
            !conn.write("HTTP/1.1 100 Continue\r\n\r\n")) {
            return false;
        }
        while (buffer.size() < static_cast<std::size_t>(length)) {
            const long n = conn.read(chunk, sizeof chunk, Clock::now() + kIdleLimit);
            if (n <= 0) return false;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        request.body = buffer.substr(0, static_cast<std::size_t>(length));
        buffer.erase(0, static_cast<std::size_t>(length));
    }
    return true;
}

bool LocalServer::Impl::sendAnswer(Connection& conn, const ScriptedAnswer& answer) {
    if (answer.delayMs > 0 && !conn.pause(answer.delayMs)) return false;
    if (answer.dropWithoutAnswer) {
        if (answer.resetOnDrop) conn.resetOnClose();
        return false;
    }
    const std::size_t total = answer.body.size() + answer.fillerBytes;
    std::string head =
        "HTTP/1.1 " + std::to_string(answer.status) + " " +
        (answer.reason.empty() ? std::string(reasonFor(answer.status)) : answer.reason) + "\r\n";
    bool hasLength = false;
    for (const std::string& line : answer.headers) {
        head += line + "\r\n";
        hasLength = hasLength || equalsIgnoreCase(nameOf(line), "Content-Length");
    }
    if (answer.addContentLength && !hasLength)
        head += "Content-Length: " + std::to_string(total) + "\r\n";
    head += "\r\n";
    if (!conn.write(head)) return false;

    // Bytes [from, to) of the body followed by its filler, dripped when asked.
    const std::string filler(std::min<std::size_t>(answer.fillerBytes, 64 * 1024), 'x');
    auto sendRange = [&](std::size_t from, std::size_t to) {
        while (from < to) {
            std::size_t end = to;
            if (answer.dripMs > 0) {
                if (!conn.pause(answer.dripMs)) return false;
                end = from + 1;
            }
            std::string_view piece;
            if (from < answer.body.size()) {
                piece = std::string_view(answer.body)
                            .substr(from, std::min(end, answer.body.size()) - from);
            } else {
                piece = std::string_view(filler).substr(0, std::min(end - from, filler.size()));
            }
            if (!conn.write(piece)) return false;
            from += piece.size();
        }
        return true;
    };
    auto drop = [&] {
        if (answer.resetOnDrop) conn.resetOnClose();
        return false;
    };
    std::size_t sent = 0;
    if (answer.pauseAfterBodyBytes < total) {
        const std::size_t first = std::min(answer.pauseAfterBodyBytes, answer.dropAfterBodyBytes);
        if (!sendRange(0, first)) return false;
        sent = first;
        if (first == answer.dropAfterBodyBytes) return drop();
        if (!conn.pause(answer.pauseMs)) return false;
    }
    if (answer.dropAfterBodyBytes < total) {
        if (!sendRange(sent, answer.dropAfterBodyBytes)) return false;
        return drop();
    }
    return sendRange(sent, total);
}

ScriptedAnswer LocalServer::Impl::answerFor(const RecordedRequest& request) {
    Handler current;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!handler) {
            if (!queue.empty()) {
                ScriptedAnswer answer = std::move(queue.front());
                queue.pop_front();
                return answer;
            }
            const auto route = routes.find(request.path());
            return route != routes.end() ? route->second : fallback;
        }
        current = handler;
    }
    return current(request);
}

void LocalServer::Impl::serve(int fd, SSL_CTX* ctx) {
    Connection conn(fd, ctx, stopping);
    if (ctx != nullptr) {
        if (!conn.handshake()) return;
        ++handshakes;
        if (conn.resumedSession()) ++resumed;
    }
    const int id = ++connections;
    std::string buffer;
    for (int served = 0; served < kMaxRequestsPerConnection && !stopping; ++served) {
        RecordedRequest request;
        if (!readRequest(conn, buffer, request)) return;
        request.tls = conn.tls();
        request.connection = id;
        {
            std::lock_guard<std::mutex> lock(mutex);
            log.push_back(request);
        }
        arrived.notify_all();
        const ScriptedAnswer answer = answerFor(request);
        if (!sendAnswer(conn, answer)) return;  // a dropped answer closes without a goodbye
        if (answer.closeAfter || equalsIgnoreCase(request.header("Connection"), "close")) {
            conn.closeGracefully();
            return;
        }
    }
}

LocalServer::LocalServer(Scheme scheme)
    : LocalServer(scheme == Scheme::Https ? certFile() : std::string(),
                  scheme == Scheme::Https ? keyFile() : std::string()) {}

LocalServer::LocalServer(const std::string& cert, const std::string& key)
    : impl_(std::make_unique<Impl>()) {
    std::signal(SIGPIPE, SIG_IGN);
    impl_->https = !cert.empty();
    if (impl_->https) {
        impl_->server =
            std::make_unique<RawServer<httplib::SSLServer>>(impl_.get(), cert.c_str(), key.c_str());
    } else {
        impl_->server = std::make_unique<RawServer<httplib::Server>>(impl_.get());
    }
    impl_->server->new_task_queue = [] { return new httplib::ThreadPool(16); };
    if (!impl_->server->is_valid()) return;
    impl_->port = impl_->server->bind_to_any_port("127.0.0.1");
    if (impl_->port <= 0) return;
    httplib::Server* server = impl_->server.get();
    impl_->listener = std::thread([server] { server->listen_after_bind(); });
    // stop() only reaches a server that has started listening.
    for (int i = 0; i < 5000 && !server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalServer::~LocalServer() {
    impl_->stopping = true;
    if (impl_->listener.joinable()) {
        impl_->server->stop();
        impl_->listener.join();
    }
}

bool LocalServer::running() const { return impl_->server && impl_->server->is_running(); }
int LocalServer::port() const { return impl_->port; }
bool LocalServer::https() const { return impl_->https; }

std::string LocalServer::baseUrl() const {
    return std::string(impl_->https ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(impl_->port);
}

std::string LocalServer::url(std::string_view pathAndQuery) const {
    return baseUrl() + std::string(pathAndQuery);
}

void LocalServer::setHandler(Handler handler) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->handler = std::move(handler);
}

void LocalServer::enqueue(ScriptedAnswer answer) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->queue.push_back(std::move(answer));
}

void LocalServer::route(std::string path, ScriptedAnswer answer) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->routes[std::move(path)] = std::move(answer);
}

void LocalServer::setDefaultAnswer(ScriptedAnswer answer) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->fallback = std::move(answer);
}

std::vector<RecordedRequest> LocalServer::requests() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->log;
}

std::size_t LocalServer::requestCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->log.size();
}

int LocalServer::connectionCount() const { return impl_->connections; }
int LocalServer::tlsHandshakeCount() const { return impl_->handshakes; }
int LocalServer::tlsResumedCount() const { return impl_->resumed; }

RecordedRequest LocalServer::lastRequest() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->log.empty() ? RecordedRequest{} : impl_->log.back();
}

void LocalServer::clearLog() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->log.clear();
}

bool LocalServer::waitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    return impl_->arrived.wait_for(lock, limit, [&] { return impl_->log.size() >= count; });
}

std::string LocalServer::caFile() { return certPath("ca.pem"); }
std::string LocalServer::certFile() { return certPath("server.pem"); }
std::string LocalServer::keyFile() { return certPath("server.key"); }
std::string LocalServer::untrustedCertFile() { return certPath("untrusted.pem"); }
std::string LocalServer::untrustedKeyFile() { return certPath("untrusted.key"); }

ScopedServerRedirect::ScopedServerRedirect(const LocalServer& server,
                                           const std::vector<std::string>& hosts, int port)
    : saved_(NetworkOverrides::instance().snapshot()) {
    NetworkOverrides& overrides = NetworkOverrides::instance();
    const int from = port != 0 ? port : (server.https() ? 443 : 80);
    for (const std::string& host : hosts)
        overrides.addConnectTo(host, from, "127.0.0.1", server.port());
    overrides.setExtraCaFile(LocalServer::caFile());
}

ScopedServerRedirect::~ScopedServerRedirect() { NetworkOverrides::instance().restore(saved_); }

std::string gzipText(std::string_view plain) {
    z_stream stream{};
    std::string out;
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return out;
    }
    out.resize(deflateBound(&stream, static_cast<uLong>(plain.size())) + 32);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string gzipBomb(std::size_t unpackedBytes) {
    z_stream stream{};
    std::string out;
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return out;
    }
    const std::string zeros(256 * 1024, '\0');
    std::string buffer(64 * 1024, '\0');
    std::size_t left = unpackedBytes;
    int flush = Z_NO_FLUSH;
    do {
        const std::size_t take = std::min(left, zeros.size());
        left -= take;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        stream.avail_in = static_cast<uInt>(take);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, flush);
            out.append(buffer.data(), buffer.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&stream);
    return out;
}

}  // namespace lh::test
