#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace px40ctl {
namespace {
constexpr int kWidth = 30;
}

CProgressBar::CProgressBar(std::string label)
    : m_label(std::move(label))
    , m_terminal(::isatty(STDERR_FILENO) == 1)
{
}

CProgressBar::~CProgressBar()
{
    Finish();
}

void CProgressBar::Show(int percent, const std::string& detail)
{
    percent = std::clamp(percent, 0, 100);
    if (!m_terminal || (percent == m_lastPercent && detail == m_lastDetail))
        return;
    m_lastPercent = percent;
    m_lastDetail = detail;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%% %s", m_label.c_str(), std::string(static_cast<size_t>(filled), '#').c_str(),
        std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), percent, detail.c_str());
    std::fflush(stderr);
    m_drawn = true;
}

void CProgressBar::Finish()
{
    if (m_drawn)
        std::fputc('\n', stderr);
    m_drawn = false;
}

} // namespace px40ctl
