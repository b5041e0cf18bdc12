// A small HTTP/1.1 server on 127.0.0.1 for client tests: a thread per
// connection, kept alive between requests unless close_after_answer. Each request
// goes to a handler that returns the raw bytes to answer with (or nothing to
// close the connection). It stops when destroyed, and by itself after its lifetime.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::testing {

struct SeenRequest {
    std::string head;  // request line and headers, as received
    std::string body;
};

class LoopbackServer {
  public:
    using Handler = std::function<std::optional<std::string>(const SeenRequest&)>;

    explicit LoopbackServer(Handler handler, bool close_after_answer = false,
                            std::chrono::seconds lifetime = std::chrono::seconds(30))
        : handler_(std::move(handler)),
          close_after_answer_(close_after_answer),
          end_(std::chrono::steady_clock::now() + lifetime) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 16);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }

    int port() const { return port_; }
    std::string url(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    std::vector<SeenRequest> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int connections() const { return connections_; }

  private:
    bool alive() const { return !stop_ && std::chrono::steady_clock::now() < end_; }

    // Waits up to 50 ms for fd to become readable.
    static bool readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 50) > 0;
    }

    void serve() {
        std::vector<std::thread> conversations;
        while (alive()) {
            if (!readable(listener_)) continue;
            int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ++connections_;
            conversations.emplace_back([this, fd] {
                converse(fd);
                ::close(fd);
            });
        }
        for (auto& conversation : conversations) conversation.join();
    }

    void converse(int fd) {
        std::string buffer;
        while (alive()) {
            std::size_t end = buffer.find("\r\n\r\n");
            if (end == std::string::npos) {
                if (!readable(fd)) continue;
                char chunk[4096];
                ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) return;
                buffer.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            SeenRequest request{buffer.substr(0, end + 2), {}};
            std::size_t length = content_length(request.head);
            while (buffer.size() < end + 4 + length && alive()) {
                if (!readable(fd)) continue;
                char chunk[4096];
                ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) return;
                buffer.append(chunk, static_cast<std::size_t>(n));
            }
            request.body = buffer.substr(end + 4, length);
            buffer.erase(0, end + 4 + length);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            std::optional<std::string> answer = handler_(request);
            if (!answer) return;
            if (::send(fd, answer->data(), answer->size(), MSG_NOSIGNAL) < 0) return;
            if (close_after_answer_) return;
        }
    }

    static std::size_t content_length(const std::string& head) {
        std::string lower = head;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        std::size_t at = lower.find("\r\ncontent-length:");
        if (at == std::string::npos) return 0;
        return std::stoul(lower.substr(at + 17));
    }

    Handler handler_;
    bool close_after_answer_;
    std::chrono::steady_clock::time_point end_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::vector<SeenRequest> requests_;
    std::thread thread_;
};

inline std::string answer(int status, const std::string& body,
                          const std::string& extra_headers = "") {
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\ncontent-length: " + std::to_string(body.size()) + "\r\n" + extra_headers +
           "\r\n" + body;
}

}  // namespace kestrova::testing
