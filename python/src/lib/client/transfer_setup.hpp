// libcurl handles for transfers: options, callbacks and failure texts.
#pragma once

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include <string>

#include "client/transfer.hpp"

namespace kestrova::http {

// Creates and configures the easy handle for the transfer's current hop (I/O
// thread): every header line is written here, in lower case. Returns
// false with a cause when libcurl refuses a setting.
bool setup_easy(Transfer& transfer, CURLSH* share, X509_STORE* trust, std::string& cause);

// Reports the final answer's head to the waiting caller.
void publish_head(Transfer& transfer);

// Frees the easy handle and header list of a transfer that left the multi handle.
void release_easy(Transfer& transfer);

// The description of a failed transfer, by whether its final head had arrived.
std::string describe_failure(const Transfer& transfer, CURLcode code);

}  // namespace kestrova::http
