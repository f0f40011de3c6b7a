#include "base/PrivateProfile.h"

#include "base/HexText.h"
#include "base/Log.h"
#include "base/Utf.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vy {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// One parsed line of a profile file. The text is kept as it was, so that a
// write changes only the lines it has to.
struct Line {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string text;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed (quotes kept)
};

Line ParseLine(std::string text)
{
    Line line;
    line.text = std::move(text);
    std::string_view body = Trim(line.text);
    if (body.empty())
        return line;
    if (body.front() == '[') {
        size_t close = body.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = Line::kSection;
            line.name = std::string(Trim(body.substr(1, close - 1)));
            return line;
        }
    }
    size_t equals = body.find('=');
    line.kind = Line::kKey;
    if (equals == std::string_view::npos) {
        line.name = std::string(body);
    } else {
        line.name = std::string(Trim(body.substr(0, equals)));
        line.value = std::string(Trim(body.substr(equals + 1)));
    }
    return line;
}

struct Document {
    std::vector<Line> lines;
};

// Text of the file as UTF-16 units, whatever its encoding.
std::u16string DecodeFileText(const std::string& bytes)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    auto fromUtf16 = [&](size_t start, bool bigEndian) {
        std::u16string text;
        text.reserve((bytes.size() - start) / 2);
        for (size_t i = start; i + 1 < bytes.size(); i += 2) {  // an odd last byte is dropped
            unsigned hi = bigEndian ? byte(i) : byte(i + 1);
            unsigned lo = bigEndian ? byte(i + 1) : byte(i);
            text.push_back(static_cast<char16_t>((hi << 8) | lo));
        }
        return text;
    };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE)
        return fromUtf16(2, false);
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF)
        return fromUtf16(2, true);
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        return Utf8ToUtf16(std::string_view(bytes).substr(3));
    // No mark: UTF-16LE when the text looks like it (ASCII with zero high
    // bytes), otherwise UTF-8.
    if (bytes.size() >= 2 && byte(0) != 0 && byte(1) == 0)
        return fromUtf16(0, false);
    return Utf8ToUtf16(bytes);
}

Document ParseDocument(const std::string& bytes)
{
    Document doc;
    std::u16string text = DecodeFileText(bytes);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        // Lines end at LF; a NUL (damage) ends a line too. CR is trimmed.
        if (i == text.size() || text[i] == u'\n' || text[i] == u'\0') {
            if (i == text.size() && start == i)
                break;  // no empty line after the final line break
            std::u16string_view raw(text.data() + start, i - start);
            if (!raw.empty() && raw.back() == u'\r')
                raw.remove_suffix(1);
            doc.lines.push_back(ParseLine(Utf16ToUtf8(raw)));
            start = i + 1;
        }
    }
    return doc;
}

std::string SerializeDocument(const Document& doc)
{
    std::u16string text;
    text.push_back(u'\xFEFF');
    for (const Line& line : doc.lines) {
        text += Utf8ToUtf16(line.text);
        text += u"\r\n";
    }
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes)
{
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        VY_LOG("cannot create a temporary file beside %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    ::fchmod(fd, 0644);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            VY_LOG("cannot write %s: %s", temp.c_str(), std::strerror(errno));
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        VY_LOG("cannot flush %s: %s", temp.c_str(), std::strerror(errno));
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        VY_LOG("cannot replace %s: %s", path.c_str(), std::strerror(errno));
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// Parsed files, checked against the file's stamp on every use, so a change
// made by another program is seen. One lock serialises every call.
class ProfileCache {
public:
    std::mutex mutex;

    // The document of `path` (empty when the file is missing or unreadable).
    Document& Load(const std::string& path)
    {
        Entry& entry = m_entries[path];
        if (entry.batchDepth > 0)
            return entry.doc;  // the batch's own copy
        std::optional<FileStamp> stamp = StampOf(path);
        if (!stamp) {
            entry = Entry{};
            return entry.doc;
        }
        if (!entry.stamp || !(*entry.stamp == *stamp)) {
            std::string bytes;
            entry.doc = ReadWholeFile(path, bytes) ? ParseDocument(bytes) : Document{};
            entry.stamp = stamp;
        }
        return entry.doc;
    }

    bool Save(const std::string& path, const Document& doc)
    {
        auto batch = m_entries.find(path);
        if (batch != m_entries.end() && batch->second.batchDepth > 0) {
            batch->second.doc = doc;
            batch->second.dirty = true;
            return true;
        }
        if (!WriteFileAtomically(path, SerializeDocument(doc))) {
            m_entries.erase(path);
            return false;
        }
        Entry& entry = m_entries[path];
        entry.doc = doc;
        entry.stamp = StampOf(path);
        return true;
    }

    void BeginBatch(const std::string& path)
    {
        Load(path);
        ++m_entries[path].batchDepth;
    }

    // Ends one level; the outermost writes the file (commit) or forgets the
    // changes (abort). False when the write failed.
    bool EndBatch(const std::string& path, bool commit)
    {
        Entry& entry = m_entries[path];
        if (entry.batchDepth > 0)
            --entry.batchDepth;
        if (!commit)
            entry.aborted = true;
        if (entry.batchDepth > 0)
            return true;
        bool write = entry.dirty && !entry.aborted;
        bool discard = entry.aborted;
        entry.dirty = false;
        entry.aborted = false;
        if (discard) {
            m_entries.erase(path);  // the next read goes back to the file
            return false;
        }
        return write ? Save(path, Document(entry.doc)) : true;
    }

private:
    struct Entry {
        std::optional<FileStamp> stamp;
        Document doc;
        int batchDepth = 0;
        bool dirty = false;
        bool aborted = false;
    };
    std::map<std::string, Entry> m_entries;
};

ProfileCache& Cache()
{
    static ProfileCache cache;
    return cache;
}

// Index of the first section header of that name, or -1.
long FindSection(const Document& doc, std::string_view section)
{
    for (size_t i = 0; i < doc.lines.size(); ++i)
        if (doc.lines[i].kind == Line::kSection && EqualsNoCase(doc.lines[i].name, section))
            return static_cast<long>(i);
    return -1;
}

// One past the last line of the section starting at `header`.
size_t SectionEnd(const Document& doc, size_t header)
{
    size_t i = header + 1;
    while (i < doc.lines.size() && doc.lines[i].kind != Line::kSection)
        ++i;
    return i;
}

long FindKey(const Document& doc, std::string_view section, std::string_view key)
{
    long header = FindSection(doc, section);
    if (header < 0)
        return -1;
    size_t end = SectionEnd(doc, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (doc.lines[i].kind == Line::kKey && EqualsNoCase(doc.lines[i].name, key))
            return static_cast<long>(i);
    return -1;
}

std::string Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

bool ValidName(std::string_view name)
{
    return !Trim(name).empty() && name.find_first_of("\r\n") == std::string_view::npos;
}

std::optional<std::string> ReadValue(const std::string& path, std::string_view section, std::string_view key)
{
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    const Document& doc = cache.Load(path);
    long index = FindKey(doc, section, key);
    if (index < 0)
        return std::nullopt;
    return Unquote(doc.lines[static_cast<size_t>(index)].value);
}

}  // namespace

std::string CPrivateProfile::GetString(const std::string& path, std::string_view section, std::string_view key,
                                       std::string_view defaultValue)
{
    std::optional<std::string> value = ReadValue(path, section, key);
    return value ? *value : std::string(defaultValue);
}

int CPrivateProfile::GetInt(const std::string& path, std::string_view section, std::string_view key,
                            int defaultValue)
{
    std::optional<std::string> value = ReadValue(path, section, key);
    if (!value || value->empty())
        return defaultValue;
    // Like the Windows call: a 30-character buffer, base 10, wrap-around.
    std::string_view text = std::string_view(*value).substr(0, 29);
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t result = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        result = result * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative)
        result = 0u - result;
    return static_cast<int>(result);
}

bool CPrivateProfile::GetStruct(const std::string& path, std::string_view section, std::string_view key, void* out,
                                size_t size)
{
    std::optional<std::string> value = ReadValue(path, section, key);
    return value && DecodeProfileStruct(*value, out, size);
}

bool CPrivateProfile::WriteString(const std::string& path, std::string_view section, std::string_view key,
                                  std::string_view value)
{
    if (path.empty() || !ValidName(section) || !ValidName(key) || key.find('=') != std::string_view::npos)
        return false;
    // A value is one line: line breaks would split the record.
    std::string flat(value);
    for (char& c : flat)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    std::string keyName(Trim(key));
    std::string sectionName(Trim(section));

    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    Document doc = cache.Load(path);
    long index = FindKey(doc, sectionName, keyName);
    if (index >= 0) {
        Line& line = doc.lines[static_cast<size_t>(index)];
        line = ParseLine(line.name + "=" + flat);
    } else {
        long header = FindSection(doc, sectionName);
        Line entry = ParseLine(keyName + "=" + flat);
        if (header < 0) {
            doc.lines.push_back(ParseLine("[" + sectionName + "]"));
            doc.lines.push_back(std::move(entry));
        } else {
            // After the section's last non-blank line.
            size_t end = SectionEnd(doc, static_cast<size_t>(header));
            size_t at = end;
            while (at > static_cast<size_t>(header) + 1 && Trim(doc.lines[at - 1].text).empty())
                --at;
            doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
        }
    }
    return cache.Save(path, doc);
}

bool CPrivateProfile::WriteInt(const std::string& path, std::string_view section, std::string_view key, long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%ld", value);
    return WriteString(path, section, key, text);
}

bool CPrivateProfile::WriteStruct(const std::string& path, std::string_view section, std::string_view key,
                                  const void* data, size_t size)
{
    if (!data && size > 0)
        return false;
    return WriteString(path, section, key, EncodeProfileStruct(data, size));
}

bool CPrivateProfile::DeleteKey(const std::string& path, std::string_view section, std::string_view key)
{
    if (path.empty())
        return false;
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    Document doc = cache.Load(path);
    long index = FindKey(doc, section, key);
    if (index < 0)
        return true;  // nothing to delete is not a failure
    doc.lines.erase(doc.lines.begin() + index);
    return cache.Save(path, doc);
}

bool CPrivateProfile::DeleteSection(const std::string& path, std::string_view section)
{
    if (path.empty())
        return false;
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    Document doc = cache.Load(path);
    long header = FindSection(doc, section);
    if (header < 0)
        return true;
    size_t end = SectionEnd(doc, static_cast<size_t>(header));
    doc.lines.erase(doc.lines.begin() + header, doc.lines.begin() + static_cast<std::ptrdiff_t>(end));
    return cache.Save(path, doc);
}

bool CPrivateProfile::CreateIfMissing(const std::string& path)
{
    if (path.empty())
        return false;
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    if (StampOf(path))
        return true;
    return cache.Save(path, Document{});
}

std::vector<std::string> CPrivateProfile::SectionNames(const std::string& path)
{
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    std::vector<std::string> names;
    for (const Line& line : cache.Load(path).lines)
        if (line.kind == Line::kSection)
            names.push_back(line.name);
    return names;
}

std::vector<std::pair<std::string, std::string>> CPrivateProfile::SectionEntries(const std::string& path,
                                                                                std::string_view section)
{
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    const Document& doc = cache.Load(path);
    std::vector<std::pair<std::string, std::string>> entries;
    long header = FindSection(doc, section);
    if (header < 0)
        return entries;
    size_t end = SectionEnd(doc, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (doc.lines[i].kind == Line::kKey)
            entries.emplace_back(doc.lines[i].name, Unquote(doc.lines[i].value));
    return entries;
}

CProfileBatch::CProfileBatch(std::string path) : m_path(std::move(path))
{
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    cache.BeginBatch(m_path);
}

CProfileBatch::~CProfileBatch()
{
    Commit();
}

bool CProfileBatch::Commit()
{
    if (!m_open)
        return false;
    m_open = false;
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    return cache.EndBatch(m_path, true);
}

void CProfileBatch::Abort()
{
    if (!m_open)
        return;
    m_open = false;
    ProfileCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.mutex);
    cache.EndBatch(m_path, false);
}

std::string EncodeProfileStruct(const void* data, size_t size)
{
    static const char kDigits[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    text.reserve(size * 2 + 2);
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
        sum += bytes[i];
    }
    text.push_back(kDigits[(sum >> 4) & 0x0F]);
    text.push_back(kDigits[sum & 0x0F]);
    return text;
}

bool DecodeProfileStruct(std::string_view text, void* out, size_t size)
{
    if (!out || text.size() != size * 2 + 2)
        return false;
    std::vector<unsigned char> bytes(size + 1);
    for (size_t i = 0; i <= size; ++i) {
        int hi = HexDigit(text[2 * i]);
        int lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(hi << 4 | lo);
    }
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += bytes[i];
    if ((sum & 0xFF) != bytes[size])
        return false;
    std::memcpy(out, bytes.data(), size);
    return true;
}

}  // namespace vy
