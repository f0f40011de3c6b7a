#include "CloudService.h"

#include <httplib.h>
#include <json/reader.h>
#include <json/writer.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/stat.h>

namespace {

constexpr const char* kApiPrefix = "/tuning";
constexpr const char* kFilesPrefix = "/files/";
constexpr const char* kServerMarker = "{server}";
constexpr size_t kLogLimit = 2000;
constexpr size_t kTrickleChunk = 1024;
// The request the handler on this thread has logged.
thread_local const httplib::Request* t_recorded = nullptr;

constexpr const char* kJsonType = "application/json;charset=UTF-8";

// The service's own answers to bad requests.
constexpr const char* kUnknownCategory = "分类不存在";
constexpr const char* kBadParameter = "参数错误";

std::string ReadWholeFile(const std::string& path, bool& ok)
{
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    if (!ok)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string WriteJson(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value);
}

// Form-encoded body: "a=1&b=two" (values percent- and plus-decoded).
std::map<std::string, std::string> ParseForm(const std::string& body)
{
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos)
            end = body.size();
        std::string pair = body.substr(start, end - start);
        if (!pair.empty()) {
            size_t equals = pair.find('=');
            std::string key = pair.substr(0, equals);
            std::string value = equals == std::string::npos ? "" : pair.substr(equals + 1);
            fields[httplib::detail::decode_url(key, true)] = httplib::detail::decode_url(value, true);
        }
        start = end + 1;
    }
    return fields;
}

// A whole decimal number, or false.
bool ParseNumber(const std::map<std::string, std::string>& form, const char* key, long& value)
{
    auto it = form.find(key);
    if (it == form.end() || it->second.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(it->second.c_str(), &end, 10);
    return end && *end == '\0';
}

void ReplaceServerMarker(Json::Value& value, const std::string& server)
{
    if (value.isString()) {
        std::string text = value.asString();
        if (text.rfind(kServerMarker, 0) == 0)
            value = server + text.substr(std::string(kServerMarker).size());
    } else if (value.isArray() || value.isObject()) {
        for (Json::Value& child : value)
            ReplaceServerMarker(child, server);
    }
}

// A path below /files/ made only of plain names: nothing can climb out.
bool SafeRelativePath(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return false;
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/')) {
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos)
            return false;
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
    }
    return path.back() != '/';
}

}  // namespace

CCloudService::CCloudService(std::string contentFolder, CloudServiceFaults faults)
    : m_content(std::move(contentFolder)), m_faults(std::move(faults)), m_server(std::make_unique<httplib::Server>())
{
    m_server->Post(std::string(kApiPrefix) + "/api/.*",
                   [this](const httplib::Request& request, httplib::Response& response) {
                       HandleApi(request, response);
                   });
    m_server->Get(std::string(kFilesPrefix) + ".*",
                  [this](const httplib::Request& request, httplib::Response& response) {
                      HandleFile(request, response);
                  });
    m_server->Get("/_log", [this](const httplib::Request& request, httplib::Response& response) {
        HandleLog(request, response);
    });
    m_server->set_error_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (response.body.empty())
            response.set_content("no such resource\n", "text/plain");
        if (t_recorded != &request)  // no handler took it
            Finish(Record(request), response.status);
    });
}

CCloudService::~CCloudService() = default;

int CCloudService::Bind(int port)
{
    if (port == 0)
        return m_server->bind_to_any_port("127.0.0.1");
    return m_server->bind_to_port("127.0.0.1", port) ? port : -1;
}

bool CCloudService::Serve()
{
    return m_server->listen_after_bind();
}

bool CCloudService::IsListening() const
{
    return m_server->is_running();
}

void CCloudService::Stop()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_server->stop();
}

void CCloudService::Pause(int ms)
{
    if (ms <= 0)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopped.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

bool CCloudService::FaultsApply(const std::string& path, const std::string& body)
{
    if (!m_faults.only.empty() && path.find(m_faults.only) == std::string::npos &&
        body.find(m_faults.only) == std::string::npos)
        return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_faultMatches;
    return m_faults.firstCount <= 0 || m_faultMatches <= m_faults.firstCount;
}

int64_t CCloudService::Record(const httplib::Request& request)
{
    t_recorded = &request;
    Json::Value entry(Json::objectValue);
    entry["method"] = request.method;
    entry["path"] = request.path;
    entry["contentType"] = request.get_header_value("Content-Type");
    entry["hasContentType"] = request.has_header("Content-Type");
    entry["body"] = request.body;
    entry["status"] = 0;
    std::lock_guard<std::mutex> guard(m_mutex);
    int64_t number = m_nextNumber++;
    entry["number"] = static_cast<Json::Int64>(number);
    m_log.push_back(std::move(entry));
    while (m_log.size() > kLogLimit)
        m_log.pop_front();
    return number;
}

void CCloudService::Finish(int64_t number, int status)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    for (auto it = m_log.rbegin(); it != m_log.rend(); ++it) {
        if ((*it)["number"].asInt64() == number) {
            (*it)["status"] = status;
            return;
        }
    }
}

void CCloudService::HandleLog(const httplib::Request& request, httplib::Response& response)
{
    Json::Value entries(Json::arrayValue);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const Json::Value& entry : m_log)
            entries.append(entry);
        if (request.has_param("clear"))
            m_log.clear();
    }
    response.set_content(WriteJson(entries), kJsonType);
}

bool CCloudService::LoadData(const std::string& relativePath, Json::Value& data, std::string& error) const
{
    bool ok = false;
    std::string text = ReadWholeFile(m_content + "/" + relativePath, ok);
    if (!ok) {
        error = "missing";
        return false;
    }
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream in(text);
    if (!Json::parseFromStream(builder, in, &data, &errors) || !data.isArray()) {
        error = "content file " + relativePath + " is not a JSON array: " + errors;
        return false;
    }
    return true;
}

void CCloudService::HandleApi(const httplib::Request& request, httplib::Response& response)
{
    std::string endpoint = request.path.substr(std::string(kApiPrefix).size());
    int64_t logNumber = Record(request);
    bool faulty = FaultsApply(request.path, request.body);
    if (faulty)
        Pause(m_faults.delayMs);
    if (faulty && m_faults.status != 0) {
        response.status = m_faults.status;
        response.set_content("fault injected\n", "text/plain");
        Finish(logNumber, response.status);
        return;
    }

    auto form = ParseForm(request.body);
    std::string message = "ok";
    Json::Value data(Json::arrayValue);
    std::string error;
    long number = 0;
    if (endpoint == "/api/live/getSpecialEffectCategory.json") {
        if (!LoadData("sound-categories.json", data, error) && error != "missing")
            response.status = 500;
    } else if (endpoint == "/api/live/findByCategory.json") {
        if (!ParseNumber(form, "categoryId", number))
            message = kBadParameter;
        else if (!LoadData("sounds/" + std::to_string(number) + ".json", data, error)) {
            if (error == "missing")
                message = kUnknownCategory;
            else
                response.status = 500;
        }
    } else if (endpoint == "/api/effect_sound/getSoundByCategory.json") {
        long page = 0, size = 0, category = 0;
        if (!ParseNumber(form, "genreId", number) || !ParseNumber(form, "pageNumber", page) ||
            !ParseNumber(form, "pageSize", size) || !ParseNumber(form, "categoryId", category) || page < 1 ||
            size < 1) {
            message = kBadParameter;
        } else {
            Json::Value all(Json::arrayValue);
            if (!LoadData("effects/" + std::to_string(number) + ".json", all, error) && error != "missing")
                response.status = 500;
            std::string categoryName;
            if (category != -1) {
                Json::Value categories;
                std::string ignored;
                if (LoadData("effect-categories.json", categories, ignored)) {
                    for (const Json::Value& c : categories)
                        if (c.isObject() && c["id"].asString() == std::to_string(category))
                            categoryName = c["categoryName"].asString();
                }
            }
            Json::Value matching(Json::arrayValue);
            for (const Json::Value& item : all) {
                if (category == -1 || (item.isObject() && !categoryName.empty() &&
                                       item["categoryName"].asString() == categoryName))
                    matching.append(item);
            }
            long first = (page - 1) * size;
            for (long i = first; i < static_cast<long>(matching.size()) && i < first + size; ++i)
                data.append(matching[static_cast<Json::ArrayIndex>(i)]);
        }
    } else if (endpoint == "/api/sound/getCategoryList.json") {
        if (!form.count("token") || !form.count("type"))
            message = kBadParameter;
        else if (!LoadData("effect-categories.json", data, error) && error != "missing")
            response.status = 500;
    } else if (endpoint == "/api/sound/getParamList.json") {
        if (!form.count("token") || !ParseNumber(form, "genreId", number))
            message = kBadParameter;
        else if (!LoadData("param-groups/" + std::to_string(number) + ".json", data, error) && error != "missing")
            response.status = 500;
    } else {
        response.status = 404;
        response.set_content("no such endpoint\n", "text/plain");
        Finish(logNumber, response.status);
        return;
    }
    if (response.status == 500) {
        std::cerr << "vyaudio-cloud: " << error << std::endl;
        response.set_content("content error\n", "text/plain");
        Finish(logNumber, response.status);
        return;
    }

    std::string host = request.get_header_value("Host");
    ReplaceServerMarker(data, "http://" + host);
    if (faulty && !m_faults.message.empty())
        message = m_faults.message;
    Json::Value root(Json::objectValue);
    root["message"] = message;
    root["data"] = data;
    std::string text = WriteJson(root);
    if (faulty && m_faults.replySize > text.size())
        text.insert(text.size() - 1, m_faults.replySize - text.size(), ' ');
    if (faulty && m_faults.brokenJson)
        text.resize(text.size() / 2);
    response.status = 200;
    response.set_content(text, kJsonType);
    Finish(logNumber, response.status);
}

void CCloudService::HandleFile(const httplib::Request& request, httplib::Response& response)
{
    std::string relative = request.path.substr(std::string(kFilesPrefix).size());
    int64_t logNumber = Record(request);
    bool faulty = FaultsApply(request.path, request.body);
    if (faulty)
        Pause(m_faults.delayMs);
    if (faulty && m_faults.status != 0) {
        response.status = m_faults.status;
        response.set_content("fault injected\n", "text/plain");
        Finish(logNumber, response.status);
        return;
    }
    std::string path = m_content + "/files/" + relative;
    struct stat info {};
    bool ok = false;
    std::string bytes;
    if (SafeRelativePath(relative) && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        bytes = ReadWholeFile(path, ok);
    if (!ok) {
        response.status = 404;
        response.set_content("no such file\n", "text/plain");
        Finish(logNumber, response.status);
        return;
    }
    std::string type = "application/octet-stream";
    if (relative.size() > 4 && relative.compare(relative.size() - 4, 4, ".mp3") == 0)
        type = "audio/mpeg";
    response.status = 200;
    Finish(logNumber, response.status);
    int trickle = faulty ? m_faults.trickleMs : 0;
    if (trickle <= 0) {
        response.set_content(bytes, type);
        return;
    }
    auto shared = std::make_shared<std::string>(std::move(bytes));
    response.set_content_provider(shared->size(), type,
                                  [this, shared, trickle](size_t offset, size_t length, httplib::DataSink& sink) {
                                      if (offset > 0)
                                          Pause(trickle);
                                      {
                                          std::lock_guard<std::mutex> guard(m_mutex);
                                          if (m_stopping)
                                              return false;
                                      }
                                      size_t piece = std::min({length, kTrickleChunk, shared->size() - offset});
                                      return sink.write(shared->data() + offset, piece);
                                  });
}
