// The old progress callback is set on purpose beside the new one.
#define CURL_DISABLE_DEPRECATION 1

#include "cloud/LibCurlHelper.h"

#include "base/Log.h"

#include <curl/curl.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace vy {
namespace {

constexpr long kPollSliceMs = 50;
constexpr const char* kAllowedProtocols = "http,https";

void EnsureGlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyPtr = std::unique_ptr<CURL, EasyDeleter>;

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderListPtr = std::unique_ptr<curl_slist, HeaderListDeleter>;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// What the progress callbacks see: the announced size and the cancel check.
struct ProgressState {
    const CLibCurlHelper::CancelCheck* cancel = nullptr;
    int64_t expectedTotal = -1;
};

int OnProgressNew(void* user, curl_off_t dlTotal, curl_off_t, curl_off_t, curl_off_t)
{
    auto* state = static_cast<ProgressState*>(user);
    if (dlTotal > 0)
        state->expectedTotal = static_cast<int64_t>(dlTotal);
    return (state->cancel && *state->cancel && (*state->cancel)()) ? 1 : 0;
}

int OnProgressOld(void* user, double dlTotal, double, double, double)
{
    auto* state = static_cast<ProgressState*>(user);
    if (dlTotal > 0)
        state->expectedTotal = static_cast<int64_t>(dlTotal);
    return (state->cancel && *state->cancel && (*state->cancel)()) ? 1 : 0;
}

// Runs one transfer through a multi handle so that the cancel check is asked
// at least every kPollSliceMs, however quiet the connection is.
CURLcode Perform(CURL* easy, const CLibCurlHelper::CancelCheck& cancel)
{
    CURLM* multi = curl_multi_init();
    if (!multi)
        return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            result = CURLE_RECV_ERROR;
            while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
                    result = message->data.result;
            }
            break;
        }
        if (cancel && cancel()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kPollSliceMs, nullptr) != CURLM_OK) {
            result = CURLE_RECV_ERROR;
            break;
        }
    }
    curl_multi_remove_handle(multi, easy);
    curl_multi_cleanup(multi);
    return result;
}

void SetCommonOptions(CURL* easy, const std::string& url, long timeoutSeconds)
{
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, timeoutSeconds);
    // URLs come from the service's answers: never let one reach local files
    // or other schemes.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kAllowedProtocols);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols);
}

// Only explicit http:// and https:// URLs are fetched: a URL without a
// scheme would otherwise be guessed at and looked up as a host name.
bool HasWebScheme(const std::string& url)
{
    auto startsWith = [&url](const char* prefix) {
        size_t n = std::strlen(prefix);
        if (url.size() < n)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i])
                return false;
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

// Runs the transfer unless the URL is one we never fetch.
CURLcode PerformChecked(CURL* easy, const std::string& url, const CLibCurlHelper::CancelCheck& cancel)
{
    if (!HasWebScheme(url))
        return CURLE_UNSUPPORTED_PROTOCOL;
    return Perform(easy, cancel);
}

long ResponseCode(CURL* easy)
{
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

bool IsSuccessStatus(long code)
{
    return code >= 200 && code <= 299;
}

// ---- growing buffer ----

struct GrowingBuffer {
    char* data = nullptr;
    size_t used = 0;
    size_t capacity = 0;
};

size_t OnWriteGrowing(char* chunk, size_t size, size_t count, void* user)
{
    auto* buffer = static_cast<GrowingBuffer*>(user);
    size_t length = size * count;
    if (length == 0)
        return 0;
    if (buffer->used + length > CLibCurlHelper::kGrowingReplyLimit)
        return 0;
    if (!buffer->data) {
        size_t first = length >= 512 ? length + 4096 : 2048;
        buffer->data = static_cast<char*>(std::malloc(first));
        if (!buffer->data)
            return 0;
        buffer->capacity = first;
    } else if (buffer->used + length >= buffer->capacity) {
        size_t grown = buffer->used + length + 4096;
        char* bigger = static_cast<char*>(std::realloc(buffer->data, grown));
        if (!bigger)
            return 0;
        buffer->data = bigger;
        buffer->capacity = grown;
    }
    std::memcpy(buffer->data + buffer->used, chunk, length);
    buffer->used += length;
    return length;
}

// ---- fixed buffer ----

struct FixedBuffer {
    char* data = nullptr;
    size_t used = 0;
    size_t capacity = 0;
};

size_t OnWriteFixed(char* chunk, size_t size, size_t count, void* user)
{
    auto* buffer = static_cast<FixedBuffer*>(user);
    size_t length = size * count;
    // One byte always stays free for the terminating zero: a reply that
    // would take it is as much too large as one that overflows.
    size_t room = buffer->capacity > buffer->used ? buffer->capacity - buffer->used - 1 : 0;
    if (length > room) {
        std::memcpy(buffer->data + buffer->used, chunk, room);
        buffer->used += room;
        return room;  // short count: the transfer fails
    }
    std::memcpy(buffer->data + buffer->used, chunk, length);
    buffer->used += length;
    return length;
}

// ---- file ----

size_t OnWriteFile(char* chunk, size_t size, size_t count, void* user)
{
    auto* file = static_cast<FILE*>(user);
    return std::fwrite(chunk, size, count, file) * size;
}

// Creates or truncates the file for writing; a symbolic link in its place is
// not followed, so a download cannot be redirected out of its folder.
FilePtr OpenForWriting(const std::string& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    return FilePtr(file);
}

}  // namespace

CURL* CLibCurlHelper::NewHandle()
{
    EnsureGlobalInit();
    return curl_easy_init();
}

int CLibCurlHelper::HttpPost(const std::string& url, const char* body, char** response, const CancelCheck& cancel)
{
    if (!response)
        return -1;
    *response = nullptr;
    EnsureGlobalInit();
    EasyPtr easy(curl_easy_init());
    if (!easy)
        return -1;
    HeaderListPtr headers(curl_slist_append(nullptr, kContentTypeHeader));
    GrowingBuffer buffer;
    ProgressState progress{&cancel, -1};

    SetCommonOptions(easy.get(), url, kGrowingTimeoutSeconds);
    curl_easy_setopt(easy.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy.get(), CURLOPT_COPYPOSTFIELDS, body ? body : "");
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, OnWriteGrowing);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &buffer);
    curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, OnProgressNew);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, &progress);

    CURLcode result = PerformChecked(easy.get(), url, cancel);
    if (buffer.data && buffer.used < buffer.capacity)
        buffer.data[buffer.used] = '\0';
    *response = buffer.data;
    if (result != CURLE_OK) {
        VY_LOG("url:%s easy_perform return:%d", url.c_str(), static_cast<int>(result));
        return -1;
    }
    long code = ResponseCode(easy.get());
    if (!IsSuccessStatus(code)) {
        VY_LOG("url:%s return code:%d.", url.c_str(), static_cast<int>(code));
        return -1;
    }
    return static_cast<int>(buffer.used);
}

int CLibCurlHelper::HttpPost(const std::string& url, const char* body, char* buffer, int capacity,
                             const CancelCheck& cancel)
{
    if (!buffer || capacity <= 0)
        return -1;
    EnsureGlobalInit();
    EasyPtr easy(curl_easy_init());
    if (!easy)
        return -1;
    std::memset(buffer, 0, static_cast<size_t>(capacity));
    HeaderListPtr headers(curl_slist_append(nullptr, kContentTypeHeader));
    FixedBuffer fixed{buffer, 0, static_cast<size_t>(capacity)};
    ProgressState progress{&cancel, -1};

    SetCommonOptions(easy.get(), url, kFixedTimeoutSeconds);
    curl_easy_setopt(easy.get(), CURLOPT_POST, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy.get(), CURLOPT_COPYPOSTFIELDS, body ? body : "");
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, OnWriteFixed);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &fixed);
    curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, OnProgressNew);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, &progress);

    CURLcode result = PerformChecked(easy.get(), url, cancel);
    if (result != CURLE_OK) {
        VY_LOG("url:%s easy_perform return CURLcode:%d", url.c_str(), static_cast<int>(result));
        return -1;
    }
    long code = ResponseCode(easy.get());
    if (!IsSuccessStatus(code)) {
        VY_LOG("url:%s return code:%d.", url.c_str(), static_cast<int>(code));
        return -1;
    }
    return static_cast<int>(fixed.used);
}

int CLibCurlHelper::HttpGetFile(const std::string& localPath, CURL* handle, const std::string& url,
                                const CancelCheck& cancel, int64_t* expectedSize)
{
    EasyPtr easy(handle);
    if (expectedSize)
        *expectedSize = -1;
    FilePtr file = OpenForWriting(localPath);
    if (!file || !easy)
        return 0;
    ProgressState progress{&cancel, -1};

    SetCommonOptions(easy.get(), url, kFileTimeoutSeconds);
    curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, OnWriteFile);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, file.get());
    curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy.get(), CURLOPT_PROGRESSFUNCTION, OnProgressOld);
    curl_easy_setopt(easy.get(), CURLOPT_PROGRESSDATA, &progress);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, OnProgressNew);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, &progress);

    int ok = 1;
    CURLcode result = PerformChecked(easy.get(), url, cancel);
    if (result != CURLE_OK) {
        VY_LOG("url:%s easy_perform return:%d", url.c_str(), static_cast<int>(result));
        ok = 0;
    } else {
        long code = ResponseCode(easy.get());
        if (!IsSuccessStatus(code)) {
            VY_LOG("url:%s return code:%d.", url.c_str(), static_cast<int>(code));
            ok = 0;
        }
    }
    if (std::fclose(file.release()) != 0)
        ok = 0;  // the last bytes never reached the disk
    easy.reset();
    if (expectedSize)
        *expectedSize = progress.expectedTotal;
    if (!ok)
        std::remove(localPath.c_str());
    return ok;
}

}  // namespace vy
