// A tiny HTTP/1.1 server for the tests of code that downloads (the update
// check and download, thumbnails): one thread with Winsock on 127.0.0.1 and
// a port the system picks, answering every request from canned responses
// held in memory. One request per connection; the connection closes after
// the answer, so the client never waits on a kept-alive socket.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct HttpResponse {
    int status = 200;
    std::string contentType = "application/octet-stream";
    std::string body;
    std::vector<std::string> headers;  // further header lines, without CR LF
    bool sendLength = true;            // a Content-Length header for the whole body
    size_t cutAfter = SIZE_MAX;        // close after this many body bytes (a broken transfer)
    int pieces = 1;                    // the body in this many pieces...
    DWORD pauseMs = 0;                 // ...with this pause before each but the first (a slow server)
    DWORD delayMs = 0;                 // wait this long before answering at all
};

struct HttpRequest {
    std::string method;
    std::string target;  // as sent: path and query
    std::string head;    // the request line and header lines
};

class HttpTestServer {
public:
    // Listens at once, on the given port (0: one the system picks, the
    // usual case; recorded tool output names fixed ports); check ok().
    explicit HttpTestServer(unsigned short port = 0);
    // Stops listening, ends a slow answer at its next piece, joins the thread.
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool ok() const { return port_ != 0; }
    unsigned short port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by path (which starts with "/").
    std::wstring url(const std::string& path) const;

    // The answer for requests of this path (the target without its query);
    // every other path answers 404.
    void respond(const std::string& path, HttpResponse response);
    std::vector<HttpRequest> requests() const;

    // A local port on which nothing listens: connections are refused.
    static unsigned short unused_port();

private:
    void serve();
    void answer(SOCKET connection);

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::map<std::string, HttpResponse> responses_;
    std::vector<HttpRequest> requests_;
    std::thread thread_;
    bool started_ = false;
};
