// The TLS trust anchors, loaded once per process and shared by every client.
#pragma once

#include <openssl/x509_vfy.h>

#include <memory>
#include <string>

namespace kestrova::http {

struct TrustStoreRelease {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
using TrustStorePtr = std::unique_ptr<X509_STORE, TrustStoreRelease>;

// OpenSSL's default verification paths plus SSL_CERT_FILE / SSL_CERT_DIR (or the
// first usual system bundle and directory). Built on first use and rebuilt only
// when those two variables change. Returns a new reference, or nullptr with
// error naming the cause.
TrustStorePtr shared_trust_store(std::string& error);

}  // namespace kestrova::http
