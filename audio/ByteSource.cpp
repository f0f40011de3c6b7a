#include "audio/ByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vy {
namespace {

class CFileBytes : public IByteSource {
public:
    CFileBytes(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~CFileBytes() override { ::close(m_fd); }
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;

    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* buffer, size_t length) const override
    {
        size_t done = 0;
        auto* out = static_cast<unsigned char*>(buffer);
        while (done < length) {
            ssize_t got = ::pread(m_fd, out + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

private:
    int m_fd;
    uint64_t m_size;
};

class CMemoryBytes : public IByteSource {
public:
    CMemoryBytes(const void* bytes, size_t length)
        : m_bytes(static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + length)
    {
    }
    uint64_t Size() const override { return m_bytes.size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t length) const override
    {
        if (offset >= m_bytes.size())
            return 0;
        size_t count = std::min<size_t>(length, m_bytes.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, m_bytes.data() + offset, count);
        return count;
    }

private:
    std::vector<unsigned char> m_bytes;
};

}  // namespace

std::unique_ptr<IByteSource> OpenFileBytes(const std::string& path, std::string& error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "cannot open " + path + ": not a regular file";
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<CFileBytes>(fd, static_cast<uint64_t>(info.st_size));
}

std::unique_ptr<IByteSource> CopyMemoryBytes(const void* bytes, size_t length)
{
    if (!bytes)
        length = 0;
    return std::make_unique<CMemoryBytes>(bytes, length);
}

}  // namespace vy
