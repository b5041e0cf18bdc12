#include <utility>

#include "client/http_client.hpp"
#include "client/transfer.hpp"

namespace kestrova::http {

void abort_transfer(ClientShared& shared, const std::shared_ptr<Transfer>& transfer) {
    // A closed client has already let go of every transfer.
    if (!shared.post({Command::Kind::Cancel, transfer})) return;
    std::unique_lock lock(transfer->mutex);
    transfer->changed.wait(lock, [&] { return transfer->detached; });
}

Response::Response(std::shared_ptr<Transfer> transfer, std::shared_ptr<ClientShared> shared)
    : transfer_(std::move(transfer)), shared_(std::move(shared)) {}

Response::Response(Response&& other) noexcept = default;

Response::~Response() {
    if (!transfer_) return;
    bool detached;
    {
        std::lock_guard lock(transfer_->mutex);
        detached = transfer_->detached;
    }
    if (!detached) abort_transfer(*shared_, transfer_);
}

long Response::status() const {
    return transfer_->status;
}

const std::optional<std::string>& Response::content_type() const {
    return transfer_->content_type;
}

std::variant<std::string, std::string> Response::read_body() {
    const auto deadline = std::chrono::steady_clock::now() + kRequestTimeLimit;
    bool in_time;
    {
        std::unique_lock lock(transfer_->mutex);
        in_time =
            transfer_->changed.wait_until(lock, deadline, [&] { return transfer_->finished; });
    }
    if (!in_time) {
        abort_transfer(*shared_, transfer_);
        return std::variant<std::string, std::string>(
            std::in_place_index<1>, "error decoding response body: operation timed out");
    }
    std::lock_guard lock(transfer_->mutex);
    if (transfer_->failed)
        return std::variant<std::string, std::string>(std::in_place_index<1>, transfer_->error);
    return std::variant<std::string, std::string>(std::in_place_index<0>,
                                                  std::move(transfer_->received));
}

}  // namespace kestrova::http
