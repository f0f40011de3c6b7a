#pragma once

#include <string>

namespace px40ctl {

// A one-line progress bar on standard error, drawn only when it is a terminal.
class CProgressBar {
public:
    explicit CProgressBar(std::string label);
    ~CProgressBar();

    // `percent` 0 to 100; `detail` is shown after the figure.
    void Show(int percent, const std::string& detail = {});
    // Ends the line.
    void Finish();

private:
    std::string m_label;
    bool m_terminal = false;
    bool m_drawn = false;
    int m_lastPercent = -1;
    std::string m_lastDetail;
};

} // namespace px40ctl
