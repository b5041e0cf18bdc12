#include "client/trust_store.hpp"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <optional>

#include "client/openssl_error.hpp"

namespace kestrova::http {
namespace {

constexpr const char* kBundleCandidates[] = {
    "/etc/ssl/certs/ca-certificates.crt",
    "/etc/pki/tls/certs/ca-bundle.crt",
    "/etc/ssl/ca-bundle.pem",
    "/etc/pki/tls/cacert.pem",
    "/etc/pki/ca-trust/extracted/pem/tls-ca-bundle.pem",
    "/etc/ssl/cert.pem",
};
constexpr const char* kDirectoryCandidates[] = {
    "/etc/ssl/certs",
    "/etc/pki/tls/certs",
    "/system/etc/security/cacerts",
};

bool is_file(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}
bool is_directory(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> env(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// The bundle X509_STORE_set_default_paths reads.
std::string default_bundle() {
    const char* from_env = std::getenv(X509_get_default_cert_file_env());
    return from_env != nullptr ? from_env : X509_get_default_cert_file();
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

struct Key {
    std::optional<std::string> file;
    std::optional<std::string> dir;
    bool operator==(const Key&) const = default;
};

TrustStorePtr load(const Key& key, std::string& error) {
    TrustStorePtr store(X509_STORE_new());
    if (!store) {
        error = "cannot create the certificate store: " + openssl_error_text();
        return nullptr;
    }
    ERR_clear_error();
    if (X509_STORE_set_default_paths(store.get()) != 1) ERR_clear_error();

    std::string file;
    if (key.file) {
        file = *key.file;
    } else {
        for (const char* candidate : kBundleCandidates)
            if (is_file(candidate)) {
                file = candidate;
                break;
            }
    }
    // The default paths usually hold this bundle already; skip loading it twice.
    if (!file.empty() && !same_file(file, default_bundle()) &&
        X509_STORE_load_file(store.get(), file.c_str()) != 1) {
        error = "cannot load the CA bundle " + file + ": " + openssl_error_text();
        return nullptr;
    }

    std::string dir;
    if (key.dir) {
        dir = *key.dir;
    } else {
        for (const char* candidate : kDirectoryCandidates)
            if (is_directory(candidate)) {
                dir = candidate;
                break;
            }
    }
    if (!dir.empty() && X509_STORE_load_path(store.get(), dir.c_str()) != 1) {
        error = "cannot use the CA directory " + dir + ": " + openssl_error_text();
        return nullptr;
    }
    return store;
}

}  // namespace

TrustStorePtr shared_trust_store(std::string& error) {
    static std::mutex mutex;
    static std::optional<Key> cached_key;
    static TrustStorePtr cached;

    Key key{env("SSL_CERT_FILE"), env("SSL_CERT_DIR")};
    std::lock_guard lock(mutex);
    if (!cached || cached_key != key) {
        TrustStorePtr fresh = load(key, error);
        if (!fresh) return nullptr;
        cached = std::move(fresh);
        cached_key = key;
    }
    X509_STORE_up_ref(cached.get());
    return TrustStorePtr(cached.get());
}

}  // namespace kestrova::http
