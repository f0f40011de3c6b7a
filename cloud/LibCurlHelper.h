#pragma once

#include <cstdint>
#include <functional>
#include <string>

typedef void CURL;

namespace vy {

// The thin HTTP layer under the cloud features: two forms of POST for the API
// and one file download. Every call makes and releases its own transfer, so
// calls on different threads do not interfere. All transfers run without
// signals. A call given a cancel check polls it about every 50 ms and gives
// up as soon as it answers true, so a worker thread stops promptly.
class CLibCurlHelper {
public:
    using CancelCheck = std::function<bool()>;

    static constexpr int kGrowingTimeoutSeconds = 5;
    static constexpr int kFixedTimeoutSeconds = 7;
    static constexpr int kFileTimeoutSeconds = 3;
    // Size of the response buffer every fixed-buffer caller supplies.
    static constexpr int kFixedBufferSize = 102400;
    // A growing reply larger than this is refused rather than filling memory.
    static constexpr size_t kGrowingReplyLimit = 16u << 20;
    static constexpr const char* kContentTypeHeader = "Content-Type:application/x-www-form-urlencoded;charset=UTF-8";

    // POST into a growing buffer. `*response` receives the buffer in every
    // case (NULL when nothing came), zero-terminated, owned by the caller and
    // freed with free(). Returns the reply's length in bytes, or -1.
    static int HttpPost(const std::string& url, const char* body, char** response, const CancelCheck& cancel = {});

    // POST into the caller's buffer of `capacity` bytes, which is cleared
    // first. A reply that does not fit, or that fills the buffer so that no
    // terminating zero is left, fails the transfer. Returns the bytes
    // received, or -1.
    static int HttpPost(const std::string& url, const char* body, char* buffer, int capacity,
                        const CancelCheck& cancel = {});

    // GET `url` into the file `localPath` (created or truncated). Takes over
    // `handle` (from curl_easy_init) and releases it in every case. Returns 1
    // on success and 0 on failure; a failed download leaves no partial file.
    // `expectedSize`, when given, receives the size the server announced
    // (-1 when it announced none).
    static int HttpGetFile(const std::string& localPath, CURL* handle, const std::string& url,
                           const CancelCheck& cancel = {}, int64_t* expectedSize = nullptr);

    // Convenience: a fresh transfer handle for HttpGetFile (NULL on failure).
    static CURL* NewHandle();
};

}  // namespace vy
