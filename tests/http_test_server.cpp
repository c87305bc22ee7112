#include "tests/http_test_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr DWORD RECEIVE_TIMEOUT_MS = 5000;
constexpr size_t MAX_REQUEST_HEAD = 65536;

const char* reason_of(int status) {
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

bool send_all(SOCKET s, const char* bytes, size_t length) {
    while (length > 0) {
        int chunk = static_cast<int>(std::min<size_t>(length, 1 << 20));
        int sent = send(s, bytes, chunk, 0);
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

HttpTestServer::HttpTestServer(unsigned short port) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return;
    }
    started_ = true;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) {
        return;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int size = sizeof(address);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener_, SOMAXCONN) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

HttpTestServer::~HttpTestServer() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
    }
    if (started_) {
        WSACleanup();
    }
}

std::wstring HttpTestServer::url(const std::string& path) const {
    std::wstring text = L"http://127.0.0.1:" + std::to_wstring(port_);
    for (char c : path) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return text;
}

void HttpTestServer::respond(const std::string& path, HttpResponse response) {
    std::lock_guard<std::mutex> hold(lock_);
    responses_[path] = std::move(response);
}

std::vector<HttpRequest> HttpTestServer::requests() const {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

unsigned short HttpTestServer::unused_port() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 0;
    }
    unsigned short port = 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof(address);
        if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port = ntohs(address.sin_port);
        }
        closesocket(s);  // never listened: a connection to it is refused
    }
    WSACleanup();
    return port;
}

// Polls the listener so that the destructor's stop flag is seen within a
// tenth of a second, whatever the system does with a socket closed under a
// blocked accept.
void HttpTestServer::serve() {
    while (!stop_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait = {0, 100000};
        int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready <= 0) {
            continue;
        }
        SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) {
            continue;
        }
        answer(connection);
    }
}

void HttpTestServer::answer(SOCKET connection) {
    DWORD timeout = RECEIVE_TIMEOUT_MS;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));

    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < MAX_REQUEST_HEAD) {
        int n = recv(connection, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            closesocket(connection);
            return;
        }
        head.append(buffer, static_cast<size_t>(n));
    }
    head.resize(std::min(head.size(), head.find("\r\n\r\n")));

    HttpRequest request;
    request.head = head;
    size_t space = head.find(' ');
    size_t space2 = space == std::string::npos ? std::string::npos : head.find(' ', space + 1);
    if (space2 != std::string::npos) {
        request.method = head.substr(0, space);
        request.target = head.substr(space + 1, space2 - space - 1);
    }
    std::string path = request.target.substr(0, request.target.find('?'));

    HttpResponse response;
    {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(request);
        auto found = responses_.find(path);
        if (found != responses_.end()) {
            response = found->second;
        } else {
            response.status = 404;
            response.contentType = "text/plain";
            response.body = "not found";
        }
    }

    for (DWORD waited = 0; waited < response.delayMs && !stop_; waited += 50) {
        Sleep(50);
    }
    char line[128];
    snprintf(line, sizeof(line), "HTTP/1.1 %d %s\r\n", response.status, reason_of(response.status));
    std::string reply = line;
    reply += "Content-Type: " + response.contentType + "\r\n";
    if (response.sendLength) {
        reply += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    }
    // Every test serves its own answer: nothing may come from a cache.
    reply += "Cache-Control: no-store, no-cache\r\nPragma: no-cache\r\nConnection: close\r\n";
    for (const std::string& header : response.headers) {
        reply += header + "\r\n";
    }
    reply += "\r\n";

    bool sent = send_all(connection, reply.data(), reply.size());
    size_t total = std::min(response.body.size(), response.cutAfter);
    int pieces = std::max(response.pieces, 1);
    size_t piece = (total + static_cast<size_t>(pieces) - 1) / static_cast<size_t>(pieces);
    for (size_t at = 0; sent && at < total && !stop_; at += piece) {
        if (at > 0) {
            for (DWORD waited = 0; waited < response.pauseMs && !stop_; waited += 10) {
                Sleep(10);
            }
        }
        sent = send_all(connection, response.body.data() + at, std::min(piece, total - at));
    }

    // A graceful close: the client reads everything sent before it sees the end.
    shutdown(connection, SD_SEND);
    timeout = 1000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    while (!stop_ && recv(connection, buffer, sizeof(buffer), 0) > 0) {
    }
    closesocket(connection);
}
