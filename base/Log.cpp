#include "base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace vy {
namespace {

std::mutex g_sinkMutex;
LogSink g_sink = nullptr;
void* g_sinkContext = nullptr;

}  // namespace

void SetLogSink(LogSink sink, void* context)
{
    std::lock_guard<std::mutex> guard(g_sinkMutex);
    g_sink = sink;
    g_sinkContext = context;
}

void LogWrite(const char* message, const char* function, const char* file, int line)
{
    char buffer[kLogBufferSize];
    std::snprintf(buffer, sizeof buffer, "%s %s %s:%d\n", message ? message : "", function ? function : "",
                  file ? file : "", line);
    std::lock_guard<std::mutex> guard(g_sinkMutex);
    if (g_sink) {
        g_sink(buffer, g_sinkContext);
        return;
    }
    std::fputs(buffer, stderr);
}

void LogFormat(const char* function, const char* file, int line, const char* format, ...)
{
    char message[kLogBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    LogWrite(message, function, file, line);
}

std::string QualifiedFunctionName(const char* prettyFunction)
{
    if (!prettyFunction)
        return {};
    std::string text(prettyFunction);
    // Cut the argument list: the first '(' at template depth 0 that follows a name.
    int depth = 0;
    size_t open = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '<')
            ++depth;
        else if (c == '>' && depth > 0)
            --depth;
        else if (c == '(' && depth == 0) {
            // "operator()" keeps its parentheses.
            if (i >= 8 && text.compare(i - 8, 8, "operator") == 0 && i + 1 < text.size() && text[i + 1] == ')')
                continue;
            open = i;
            break;
        }
    }
    if (open != std::string::npos)
        text.resize(open);
    // The name is the last blank-separated token outside template brackets.
    depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '<')
            ++depth;
        else if (c == '>' && depth > 0)
            --depth;
        else if (c == ' ' && depth == 0)
            start = i + 1;
    }
    text.erase(0, start);
    while (!text.empty() && (text.front() == '*' || text.front() == '&'))
        text.erase(0, 1);
    return text;
}

}  // namespace vy
