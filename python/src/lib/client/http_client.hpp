// Each session's HTTP client: libcurl driven from one background thread.
#pragma once

#include <memory>
#include <string>

namespace kestrova::http {

class Client {
public:
    // Builds a client and starts its I/O thread; on failure returns nullptr and
    // sets error to a text naming the cause.
    static std::unique_ptr<Client> build(std::string& error);

    // Closes the request queue and waits for the I/O thread to end.
    ~Client();

    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    struct Impl;
    Impl& impl() { return *impl_; }

private:
    explicit Client(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace kestrova::http
