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

// Answers each connection by its path: "/size/N" N bytes with 200, "/missing" an HTML page
// with 404, "/error" one with 500, "/cut" the headers and 3 bytes of 100 and then the end of
// the connection, "/stall" the same and then nothing for 3 s; a path given to Serve its body.
// Keeps the agent texts it was sent.
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
        thread_ = std::thread([this] { Serve(); });
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
    void Serve() {
        while (!stopping_) {
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            Answer(client);
            closesocket(client);
        }
    }
    void Answer(SOCKET client) {
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            request.append(buffer, got);
        }
        const std::size_t agent = request.find("User-Agent: ");
        if (agent != std::string::npos) {
            const std::lock_guard lock(mutex_);
            agents_.push_back(request.substr(agent + 12, request.find("\r\n", agent) - agent - 12));
        }
        const std::string path = request.substr(4, request.find(' ', 4) - 4);
        std::string status = "200 OK", body;
        std::unique_lock lock(mutex_);
        const auto found = served_.find(path);
        const bool known = found != served_.end();
        if (known) body = found->second;
        lock.unlock();
        if (!known && path.starts_with("/size/")) {
            body = Body(std::stoul(path.substr(6)));
        } else if (path == "/missing" || path == "/error") {
            status = path == "/missing" ? "404 Not Found" : "500 Internal Server Error";
            body = "<html><body>no such image</body></html>";
        } else if (path == "/cut") {
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc";
            send(client, head.data(), static_cast<int>(head.size()), 0);
            return;
        } else if (path == "/stall") {
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc";
            send(client, head.data(), static_cast<int>(head.size()), 0);
            for (int i = 0; i < 150 && !stopping_; ++i) Sleep(20);
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
