#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vy {

// Windows-style INI files ("private profiles"): UTF-16LE with a byte-order
// mark, CRLF lines, "[Section]" headers and "key=value" lines. Section and
// key names compare without regard to case and the first match wins.
// Every write replaces the file atomically (temporary file, then rename),
// and all calls are safe from several threads. A damaged file yields what can
// be read; nothing here throws. Paths and texts are UTF-8.
class CPrivateProfile {
public:
    // The value of the key, surrounding blanks and one pair of matching
    // quotes removed; `defaultValue` when the key is absent.
    static std::string GetString(const std::string& path, std::string_view section, std::string_view key,
                                 std::string_view defaultValue = {});
    // Reads the value as a base-10 integer the way the Windows call does:
    // leading blanks and a sign, then digits up to the first other character
    // ("12abc" is 12, "abc" is 0); an absent or empty value gives the default.
    static int GetInt(const std::string& path, std::string_view section, std::string_view key, int defaultValue);
    // A record written by WriteStruct: true only when the value holds exactly
    // `size` bytes and its checksum matches; `out` is untouched otherwise.
    static bool GetStruct(const std::string& path, std::string_view section, std::string_view key, void* out,
                          size_t size);

    static bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view value);
    // Decimal, as "%ld".
    static bool WriteInt(const std::string& path, std::string_view section, std::string_view key, long value);
    static bool WriteStruct(const std::string& path, std::string_view section, std::string_view key,
                            const void* data, size_t size);
    static bool DeleteKey(const std::string& path, std::string_view section, std::string_view key);
    static bool DeleteSection(const std::string& path, std::string_view section);

    // Creates the file holding only the byte-order mark when it is missing.
    static bool CreateIfMissing(const std::string& path);
    static std::vector<std::string> SectionNames(const std::string& path);
    // The key/value pairs of the first section of that name, in file order.
    static std::vector<std::pair<std::string, std::string>> SectionEntries(const std::string& path,
                                                                           std::string_view section);
};

// Groups writes to one file into a single replacement of the file: while a
// batch is open, writes to that path change only the parsed copy, and the
// outermost batch writes the file once when it commits (or is destroyed).
// Abort drops every change of the batch, leaving the file as it was. Reads
// during the batch see its changes.
class CProfileBatch {
public:
    explicit CProfileBatch(std::string path);
    ~CProfileBatch();
    CProfileBatch(const CProfileBatch&) = delete;
    CProfileBatch& operator=(const CProfileBatch&) = delete;

    // Writes the file if anything changed; false when it could not be written
    // (the file is then unchanged). Only the first Commit or Abort counts.
    bool Commit();
    void Abort();

private:
    std::string m_path;
    bool m_open = true;
};

// The struct value format: each byte as two uppercase hex digits, then the low
// 8 bits of the byte sum as two more.
std::string EncodeProfileStruct(const void* data, size_t size);
bool DecodeProfileStruct(std::string_view text, void* out, size_t size);

}  // namespace vy
