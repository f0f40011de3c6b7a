#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vy::test {

// Collects log records (from any thread) while it exists.
class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    std::vector<std::string> Lines() const;
    // Records whose message contains `text`.
    size_t Count(const std::string& text) const;
    bool Contains(const std::string& text) const { return Count(text) > 0; }
    void Clear();

private:
    static void Sink(const std::string& line, void* context);

    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace vy::test
