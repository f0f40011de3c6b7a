#pragma once

#include <json/value.h>

#include <string>
#include <sys/types.h>
#include <vector>

namespace vy::test {

// Runs vyaudio-cloud as a child process on 127.0.0.1 with a free port, for
// the lifetime of the object.
class CCloudServiceProcess {
public:
    // `content`: the content folder; `faults`: extra command-line switches.
    CCloudServiceProcess(const std::string& content, const std::vector<std::string>& faults = {});
    ~CCloudServiceProcess();
    CCloudServiceProcess(const CCloudServiceProcess&) = delete;
    CCloudServiceProcess& operator=(const CCloudServiceProcess&) = delete;

    bool Running() const { return m_port > 0; }
    int Port() const { return m_port; }
    std::string ServerUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::string BaseUrl() const { return ServerUrl() + "/tuning"; }
    // The requests the service has seen, oldest first (see the service's /_log).
    Json::Value RequestLog() const;
    // Ends the service now (a dead server for the client to meet).
    void Kill();

private:
    pid_t m_pid = -1;
    int m_port = -1;
};

// Writes a content folder for the service from JSON texts.
void WriteContentFile(const std::string& contentFolder, const std::string& relativePath, const std::string& text);
// The project's sample content.
std::string SampleContent();

}  // namespace vy::test
