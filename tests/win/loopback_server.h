#pragma once
// An HTTP server on 127.0.0.1 for the download tests, answering on a thread of its own.

#include <winsock2.h>
// These build on winsock2.h.
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "win32/wide.h"

namespace tessarin::test {

// A 1 x 1 PNG.
inline const std::string kTinyPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00"
    "\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92"
    "\xef\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    69);

// Answers each connection by its path: a path given to Serve with its body, "/size/N" with N
// bytes, "/missing" with an HTML page and 404, "/error" with one and 500; "/cut" sends the
// headers and 3 bytes of 100 and ends the connection, "/stall" ends it only 3 s later. Keeps
// the agent texts it was sent.
class LoopbackServer {
public:
    LoopbackServer() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || listen(listener_, 8) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            for (SOCKET client; !stopping_ && (client = accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;) {
                Answer(client);
                closesocket(client);
            }
        });
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer() {
        stopping_ = true;
        closesocket(listener_);
        if (thread_.joinable()) thread_.join();
        if (started_) WSACleanup();
    }

    [[nodiscard]] std::wstring Url(const std::string& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + Utf8ToWide(path);
    }
    [[nodiscard]] std::vector<std::string> Agents() {
        const std::lock_guard lock(mutex_);
        return agents_;
    }
    void Serve(const std::string& path, std::string body) {
        const std::lock_guard lock(mutex_);
        served_[path] = std::move(body);
    }
    static std::string Body(std::size_t size) {
        std::string body(size, '\0');
        for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
        return body;
    }

private:
    void Answer(SOCKET client) {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            request.append(buffer, got);
        }
        const std::size_t agent = request.find("User-Agent: ");
        const std::string path = request.substr(4, request.find(' ', 4) - 4);
        std::string status = "200 OK", body;
        {
            const std::lock_guard lock(mutex_);
            if (agent != std::string::npos)
                agents_.push_back(request.substr(agent + 12, request.find("\r\n", agent) - agent - 12));
            const auto found = served_.find(path);
            if (found != served_.end()) body = found->second;
        }
        if (body.empty() && path.starts_with("/size/")) {
            body = Body(std::stoul(path.substr(6)));
        } else if (path == "/missing" || path == "/error") {
            status = path == "/missing" ? "404 Not Found" : "500 Internal Server Error";
            body = "<html><body>no such image</body></html>";
        } else if (path == "/cut" || path == "/stall") {
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc";
            send(client, head.data(), static_cast<int>(head.size()), 0);
            for (int i = 0; path == "/stall" && i < 150 && !stopping_; ++i) Sleep(20);
            return;
        }
        const std::string reply = "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body;
        for (std::size_t sent = 0; sent < reply.size();) {
            const int n = send(client, reply.data() + sent, static_cast<int>(reply.size() - sent), 0);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> agents_;
    std::map<std::string, std::string> served_;
    std::thread thread_;
};

}  // namespace tessarin::test
