#include "client/http_client.hpp"

namespace kestrova::http {

// Placeholder until the libcurl client lands.
struct Client::Impl {};

std::unique_ptr<Client> Client::build(std::string&) {
    return std::unique_ptr<Client>(new Client(std::make_unique<Impl>()));
}
Client::Client(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Client::~Client() = default;

}  // namespace kestrova::http
