#pragma once

#include <string>

// One log routine for the whole program. A record is the formatted message,
// the function as "Class::Method", the source file and the line, written as
// "%s %s %s:%d\n" to standard error.
namespace vy {

constexpr int kLogBufferSize = 10240;

void LogWrite(const char* message, const char* function, const char* file, int line);
void LogFormat(const char* function, const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// "bool CDeviceManager::Open(ICommunicateDevice*, ICommProtocol*)" -> "CDeviceManager::Open"
std::string QualifiedFunctionName(const char* prettyFunction);

// Tests capture records; a sink replaces standard error while installed.
using LogSink = void (*)(const std::string& line, void* context);
void SetLogSink(LogSink sink, void* context);

}  // namespace vy

#define VY_LOG(...) \
    ::vy::LogFormat(::vy::QualifiedFunctionName(__PRETTY_FUNCTION__).c_str(), __FILE__, __LINE__, __VA_ARGS__)
