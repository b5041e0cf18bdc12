"""The environment variables that change where an HTTP client connects or whom it trusts.

Tests clear them unless they set them on purpose, so that the machine's own settings cannot
send loopback traffic elsewhere. Kept free of other imports so any test process can use it.
"""

CLIENT_ENV_VARS = (
    "HTTP_PROXY",
    "HTTPS_PROXY",
    "ALL_PROXY",
    "NO_PROXY",
    "http_proxy",
    "https_proxy",
    "all_proxy",
    "no_proxy",
    "REQUEST_METHOD",
    "SSL_CERT_FILE",
    "SSL_CERT_DIR",
)
