// State shared between a waiting caller and the client's I/O thread.
#pragma once

#include <curl/curl.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client/request_target.hpp"

namespace kestrova::http {

// One request in flight: filled in by the caller before hand-over, then driven by
// the I/O thread, which reports through the guarded fields (a one-shot channel).
struct Transfer {
    // Fixed before hand-over.
    std::string url;  // serialized, for error texts
    std::string method;
    std::vector<std::pair<std::string, std::string>> headers;  // lower-case names
    std::string body;
    Target target;

    // I/O thread only. Redirects are followed here, hop by hop, so that every
    // header line is ours.
    Target hop_target;
    std::string hop_scheme;
    std::string hop_method;
    int redirects = 0;
    long last_status = 0;
    bool saw_status = false;
    bool head_open = false;  // a status line arrived but not yet its blank line
    bool redirect_pending = false;
    CURL* easy = nullptr;
    curl_slist* curl_headers = nullptr;
    char error_buffer[CURL_ERROR_SIZE] = {};
    std::size_t head_bytes = 0;
    bool head_too_large = false;
    bool saw_location = false;
    bool final_head = false;
    std::optional<std::string> pending_content_type;

    // Written by the I/O thread before `finished` is published; the caller reads
    // it only after seeing `finished`.
    std::string received;

    // Guarded by mutex.
    std::mutex mutex;
    std::condition_variable changed;
    bool head = false;      // the final answer's status line and headers arrived
    bool finished = false;  // the transfer ended (body complete or failed)
    bool detached = false;  // the I/O thread no longer touches this transfer
    bool failed = false;
    std::string error;  // description of the failure when failed
    long status = 0;
    std::optional<std::string> content_type;
};

struct Command {
    enum class Kind { Start, Cancel } kind;
    std::shared_ptr<Transfer> transfer;
};

// The request queue; outlives the client while responses still refer to it.
struct ClientShared {
    std::mutex mutex;
    std::deque<Command> queue;
    bool closed = false;
    CURLM* multi = nullptr;  // for waking the I/O thread; never used once closed

    // False when the client is closing.
    bool post(Command command) {
        std::lock_guard lock(mutex);
        if (closed) return false;
        queue.push_back(std::move(command));
        curl_multi_wakeup(multi);
        return true;
    }
};

// Asks the I/O thread to drop the transfer and waits until it has let go.
void abort_transfer(ClientShared& shared, const std::shared_ptr<Transfer>& transfer);

}  // namespace kestrova::http
