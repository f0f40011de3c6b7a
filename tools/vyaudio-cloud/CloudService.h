#pragma once

#include <json/value.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib


// The reference cloud service: answers the five API calls under "/tuning"
// from a content folder and serves the files its answers link to. Fault
// switches let tests provoke every failure the client must survive.
//
// Content folder:
//   sound-categories.json        "data" of getSpecialEffectCategory
//   sounds/<categoryId>.json     "data" of findByCategory
//   effects/<genreId>.json       "data" of getSoundByCategory (paged)
//   effect-categories.json       "data" of getCategoryList
//   param-groups/<genreId>.json  "data" of getParamList
//   files/...                    downloads, at GET /files/...
// A string beginning with "{server}" has it replaced by "http://<host:port>"
// of the request, so content links back to whichever port the service has.
struct CloudServiceFaults {
    int delayMs = 0;              // wait before answering
    int status = 0;               // answer with this HTTP status instead
    bool brokenJson = false;      // cut the JSON reply short
    std::string message;          // "message" other than "ok"
    size_t replySize = 0;         // pad JSON replies to exactly this many bytes
    int trickleMs = 0;            // send downloads in 1 KB pieces this far apart
    std::string only;             // faults only for requests whose path or body holds this
    int firstCount = 0;           // faults only for the first N matching requests (0: all)
};

class CCloudService {
public:
    CCloudService(std::string contentFolder, CloudServiceFaults faults);
    ~CCloudService();
    CCloudService(const CCloudService&) = delete;
    CCloudService& operator=(const CCloudService&) = delete;

    // Binds 127.0.0.1:port (0: any free port); the bound port, or -1.
    int Bind(int port);
    // Serves until Stop(); false when serving failed.
    bool Serve();
    // True while Serve is accepting connections.
    bool IsListening() const;
    // From any thread, once: ends Serve when it is listening.
    void Stop();

private:
    void HandleApi(const httplib::Request& request, httplib::Response& response);
    void HandleFile(const httplib::Request& request, httplib::Response& response);
    void HandleLog(const httplib::Request& request, httplib::Response& response);
    // True when the faults apply to this request (and counts it).
    bool FaultsApply(const std::string& path, const std::string& body);
    // Waits `ms` unless the service stops first.
    void Pause(int ms);
    bool LoadData(const std::string& relativePath, Json::Value& data, std::string& error) const;
    // Notes a request as it arrives (status 0) and returns its number;
    // Finish fills in the status it was answered with.
    int64_t Record(const httplib::Request& request);
    void Finish(int64_t number, int status);

    std::string m_content;
    CloudServiceFaults m_faults;
    std::unique_ptr<httplib::Server> m_server;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    int m_faultMatches = 0;
    int64_t m_nextNumber = 1;
    std::deque<Json::Value> m_log;  // the latest requests, oldest first
};
