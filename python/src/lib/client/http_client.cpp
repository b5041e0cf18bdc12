#include "client/http_client.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>

#include "client/transfer.hpp"
#include "client/transfer_setup.hpp"
#include "client/trust_store.hpp"
#include "client/url.hpp"

namespace kestrova::http {
namespace {

// Pooled connections are not limited by count, only by idle time.
constexpr long kMaxPooledConnections = 100000;
constexpr int kMaxRedirects = 10;

// curl_global_init is not thread-safe; every client goes through here first.
const std::string& global_init_error() {
    static const std::string error = [] {
        CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
        return rc == CURLE_OK ? std::string() : std::string(curl_easy_strerror(rc));
    }();
    return error;
}

void finish(Transfer& t, bool failed, std::string error) {
    std::lock_guard lock(t.mutex);
    t.failed = failed;
    t.error = std::move(error);
    t.finished = true;
    t.detached = true;
    t.changed.notify_all();
}

}  // namespace

struct Client::Impl {
    std::shared_ptr<ClientShared> shared = std::make_shared<ClientShared>();
    CURLM* multi = nullptr;
    CURLSH* share = nullptr;
    TrustStorePtr trust;
    std::thread thread;
    // I/O thread only.
    std::vector<std::shared_ptr<Transfer>> active;

    ~Impl() {
        if (multi != nullptr) curl_multi_cleanup(multi);
        if (share != nullptr) curl_share_cleanup(share);
    }

    void start(const std::shared_ptr<Transfer>& t) {
        std::string cause;
        if (!setup_easy(*t, share, trust.get(), cause)) {
            release_easy(*t);
            finish(*t, true, "builder error: " + cause);
            return;
        }
        CURLMcode rc = curl_multi_add_handle(multi, t->easy);
        if (rc != CURLM_OK) {
            release_easy(*t);
            finish(*t, true,
                   "error sending request for url (" + t->url + "): " + curl_multi_strerror(rc));
            return;
        }
        active.push_back(t);
    }

    // Takes the transfer off the multi handle; its connection is closed unless
    // the transfer completed.
    std::shared_ptr<Transfer> detach(Transfer* t) {
        auto it = std::find_if(active.begin(), active.end(),
                               [t](const auto& entry) { return entry.get() == t; });
        if (it == active.end()) return nullptr;
        std::shared_ptr<Transfer> owned = std::move(*it);
        active.erase(it);
        curl_multi_remove_handle(multi, owned->easy);
        return owned;
    }

    void complete(Transfer* raw, CURLcode code) {
        std::shared_ptr<Transfer> t = detach(raw);
        if (!t) return;
        if (code == CURLE_OK && !t->final_head) {
            if (t->head_open || !t->saw_status || t->last_status < 200) {
                release_easy(*t);
                finish(*t, true,
                       "error sending request for url (" + t->url +
                           "): connection closed before the answer's head was complete");
                return;
            }
            char* location = nullptr;
            if (t->redirect_pending) curl_easy_getinfo(t->easy, CURLINFO_REDIRECT_URL, &location);
            if (location != nullptr) {
                std::string next(location);
                release_easy(*t);
                follow(t, next);
                return;
            }
            publish_head(*t);
        }
        if (code == CURLE_OK) {
            release_easy(*t);
            finish(*t, false, {});
            return;
        }
        std::string description = describe_failure(*t, code);
        release_easy(*t);
        finish(*t, true, std::move(description));
    }

    // The next hop of a redirect chain: 303, and 301/302 after a POST, turn the
    // request into a GET without a body; 307 and 308 repeat it as it was.
    void follow(const std::shared_ptr<Transfer>& t, const std::string& location) {
        const std::string kind = "error following redirect for url (" + t->url + "): ";
        if (t->redirects == kMaxRedirects) {
            finish(*t, true, kind + "too many redirects");
            return;
        }
        auto parsed = parse_url(location);
        if (auto* error = std::get_if<std::string>(&parsed)) {
            finish(*t, true, kind + "invalid URL: " + *error);
            return;
        }
        const Url& url = std::get<Url>(parsed);
        if (url.scheme != "http" && url.scheme != "https") {
            finish(*t, true, kind + "URL scheme is not allowed");
            return;
        }
        ++t->redirects;
        if (t->last_status == 303 ||
            ((t->last_status == 301 || t->last_status == 302) && t->hop_method == "POST"))
            t->hop_method = "GET";
        t->hop_scheme = url.scheme;
        t->hop_target = target_of(url);
        t->saw_status = t->head_open = t->redirect_pending = false;
        t->error_buffer[0] = '\0';
        start(t);
    }

    // A transfer that already completed keeps its outcome.
    void cancel(const std::shared_ptr<Transfer>& t) {
        if (auto owned = detach(t.get())) {
            release_easy(*owned);
            finish(*owned, true, "operation timed out");
        }
    }

    void run() {
        for (;;) {
            std::deque<Command> commands;
            {
                std::lock_guard lock(shared->mutex);
                if (shared->closed) break;
                commands.swap(shared->queue);
            }
            for (auto& command : commands) {
                if (command.kind == Command::Kind::Start)
                    start(command.transfer);
                else
                    cancel(command.transfer);
            }
            int running = 0;
            curl_multi_perform(multi, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg != CURLMSG_DONE) continue;
                void* owner = nullptr;
                curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
                complete(static_cast<Transfer*>(owner), message->data.result);
            }
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
        // Closing: abort what is in flight and what never started.
        while (!active.empty()) {
            std::shared_ptr<Transfer> t = active.back();
            detach(t.get());
            release_easy(*t);
            finish(*t, true, "client closed");
        }
        std::lock_guard lock(shared->mutex);
        for (auto& command : shared->queue) finish(*command.transfer, true, "client closed");
        shared->queue.clear();
    }
};

std::unique_ptr<Client> Client::build(std::string& error) {
    if (!global_init_error().empty()) {
        error = "cannot initialise libcurl: " + global_init_error();
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    std::string trust_error;
    impl->trust = shared_trust_store(trust_error);
    if (!impl->trust) {
        error = "cannot set up TLS: " + trust_error;
        return nullptr;
    }
    impl->multi = curl_multi_init();
    impl->share = curl_share_init();
    if (impl->multi == nullptr || impl->share == nullptr) {
        error = "cannot create the connection pool";
        return nullptr;
    }
    // Used from the I/O thread only, so no lock callbacks are needed.
    curl_share_setopt(impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_multi_setopt(impl->multi, CURLMOPT_MAXCONNECTS, kMaxPooledConnections);
    impl->shared->multi = impl->multi;
    try {
        impl->thread = std::thread([raw = impl.get()] { raw->run(); });
    } catch (const std::system_error& e) {
        error = std::string("cannot start the I/O thread: ") + e.what();
        return nullptr;
    }
    return std::unique_ptr<Client>(new Client(std::move(impl)));
}

Client::Client(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Client::~Client() {
    {
        std::lock_guard lock(impl_->shared->mutex);
        impl_->shared->closed = true;
        curl_multi_wakeup(impl_->multi);
    }
    impl_->thread.join();
}

SendResult Client::send(const Request& request) {
    if (request.failure()) return "builder error: " + *request.failure();
    if (request.scheme() != "http" && request.scheme() != "https")
        return std::string("builder error: URL scheme is not allowed");

    auto t = std::make_shared<Transfer>();
    t->url = request.url();
    t->method = request.method();
    t->body = request.body();
    t->target = request.target();
    t->hop_target = request.target();
    t->hop_scheme = request.scheme();
    t->hop_method = request.method();
    t->headers = request.headers();
    bool has_accept = false;
    for (const auto& header : t->headers) has_accept = has_accept || header.first == "accept";
    if (!has_accept) t->headers.emplace_back("accept", "*/*");

    const auto deadline = std::chrono::steady_clock::now() + kRequestTimeLimit;
    if (!impl_->shared->post({Command::Kind::Start, t}))
        return "error sending request for url (" + t->url + "): client closed";
    bool in_time;
    {
        std::unique_lock lock(t->mutex);
        in_time = t->changed.wait_until(lock, deadline, [&] { return t->head || t->finished; });
    }
    if (!in_time) {
        abort_transfer(*impl_->shared, t);
        return "error sending request for url (" + t->url + "): operation timed out";
    }
    {
        std::lock_guard lock(t->mutex);
        if (!t->head) return t->error;
    }
    return Response(t, impl_->shared);
}

}  // namespace kestrova::http
