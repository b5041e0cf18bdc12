// Each session's HTTP client: libcurl driven from one background thread.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "client/request_target.hpp"

namespace kestrova::http {

// Both the wait for an answer's head and the body read are bounded by this.
inline constexpr std::chrono::milliseconds kRequestTimeLimit{3500};

// A request prepared for sending. Every header name goes out in lower case,
// host, content-length and authorization included. Preparation never fails outright: a URL that
// does not parse or an invalid header value leaves the request failed, and
// sending it then fails without network traffic.
class Request {
  public:
    Request(std::string_view method, std::string_view url);

    // Names are sent in lower case. A value with a control character other than
    // tab, or DEL, fails the request.
    void add_header(std::string_view name, std::string_view value);
    // Adds content-type: application/json unless a content-type is already set.
    void set_json_body(std::string body);

    const std::string& method() const { return method_; }
    // The serialized URL; empty when it did not parse.
    const std::string& url() const { return url_; }
    const std::string& scheme() const { return scheme_; }
    const Target& target() const { return target_; }
    const std::vector<std::pair<std::string, std::string>>& headers() const { return headers_; }
    const std::string& body() const { return body_; }
    // Why the request cannot be sent, if it cannot.
    const std::optional<std::string>& failure() const { return failure_; }

  private:
    std::string method_;
    std::string url_;
    std::string scheme_;
    Target target_;
    std::vector<std::pair<std::string, std::string>> headers_;
    std::string body_;
    std::optional<std::string> failure_;
};

class Client;
struct Transfer;
struct ClientShared;

// The final answer's head; the body is read (or the transfer aborted) later.
class Response {
  public:
    Response(std::shared_ptr<Transfer> transfer, std::shared_ptr<ClientShared> shared);
    Response(Response&&) noexcept;
    Response& operator=(Response&&) = delete;
    // Aborts the transfer when the body was not read to its end.
    ~Response();

    long status() const;
    const std::optional<std::string>& content_type() const;

    // Waits up to the time limit, counted from this call, for the whole body.
    // Returns the bytes, or the failure's description.
    std::variant<std::string, std::string> read_body();

  private:
    std::shared_ptr<Transfer> transfer_;
    std::shared_ptr<ClientShared> shared_;
};

// A response, or the description of why no answer's head arrived.
using SendResult = std::variant<Response, std::string>;

class Client {
  public:
    // Builds a client and starts its I/O thread; on failure returns nullptr and
    // sets error to a text naming the cause.
    static std::unique_ptr<Client> build(std::string& error);

    // Closes the request queue, aborts transfers in flight and waits for the I/O
    // thread to end.
    ~Client();

    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Hands the request to the I/O thread and waits up to the time limit for the
    // final answer's status line and headers (redirects followed).
    SendResult send(const Request& request);

    struct Impl;
    Impl& impl() { return *impl_; }

  private:
    explicit Client(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace kestrova::http
