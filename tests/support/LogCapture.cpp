#include "tests/support/LogCapture.h"

#include "base/Log.h"

namespace vy::test {

CLogCapture::CLogCapture()
{
    SetLogSink(&CLogCapture::Sink, this);
}

CLogCapture::~CLogCapture()
{
    SetLogSink(nullptr, nullptr);
}

void CLogCapture::Sink(const std::string& line, void* context)
{
    auto* self = static_cast<CLogCapture*>(context);
    std::lock_guard<std::mutex> guard(self->m_mutex);
    self->m_lines.push_back(line);
}

std::vector<std::string> CLogCapture::Lines() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lines;
}

size_t CLogCapture::Count(const std::string& text) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    size_t count = 0;
    for (const std::string& line : m_lines) {
        if (line.find(text) != std::string::npos)
            ++count;
    }
    return count;
}

void CLogCapture::Clear()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lines.clear();
}

} // namespace vy::test
