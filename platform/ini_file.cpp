#include "platform/ini_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{
namespace
{

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::string_view Unquote(std::string_view s)
{
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// Length of the UTF-8 sequence at the start of `s`, or 1 for a byte that starts none.
size_t Utf8SequenceLength(std::string_view s)
{
    const auto lead = static_cast<unsigned char>(s[0]);
    size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length > s.size())
        return 1;
    for (size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

std::string CutToChars(std::string_view s, size_t maxChars)
{
    size_t bytes = 0;
    for (size_t chars = 0; chars < maxChars && bytes < s.size(); ++chars)
        bytes += Utf8SequenceLength(s.substr(bytes));
    return std::string(s.substr(0, bytes));
}

// One line of the file as offsets into its text, so a write can splice the text and leave
// every other byte alone.
struct IniLine
{
    enum Kind
    {
        Other,
        Section,
        Key
    };
    size_t begin = 0;
    size_t contentEnd = 0; // start of the line break, if any
    size_t end = 0;        // past the line break
    Kind kind = Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key lines: the value, trimmed
    size_t afterEquals = 0; // key lines: offset just past "="
};

std::vector<IniLine> SplitLines(std::string_view text)
{
    std::vector<IniLine> lines;
    size_t pos = text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < text.size())
    {
        IniLine line;
        line.begin = pos;
        const size_t newline = text.find('\n', pos);
        line.end = newline == std::string_view::npos ? text.size() : newline + 1;
        line.contentEnd = newline == std::string_view::npos ? text.size() : newline;
        if (line.contentEnd > line.begin && text[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
        const std::string_view trimmed = Trim(content);
        if (trimmed.starts_with('['))
        {
            line.kind = IniLine::Section;
            const size_t close = trimmed.find(']');
            line.name = Trim(trimmed.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        }
        else if (!trimmed.starts_with(';'))
        {
            const size_t equals = content.find('=');
            if (equals != std::string_view::npos)
            {
                line.kind = IniLine::Key;
                line.name = Trim(content.substr(0, equals));
                line.value = Trim(content.substr(equals + 1));
                line.afterEquals = line.begin + equals + 1;
            }
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

struct Lookup
{
    size_t section = SIZE_MAX;    // index of the section's head line
    size_t sectionEnd = SIZE_MAX; // index past the section's last line
    size_t key = SIZE_MAX;        // index of the key's line
};

// Only the first section of a name and the first key of a name in it count.
Lookup Find(const std::vector<IniLine>& lines, std::string_view section, std::string_view key)
{
    Lookup found;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == IniLine::Section && EqualsNoCase(lines[i].name, section))
        {
            found.section = i;
            break;
        }
    if (found.section == SIZE_MAX)
        return found;
    size_t i = found.section + 1;
    for (; i < lines.size() && lines[i].kind != IniLine::Section; ++i)
        if (found.key == SIZE_MAX && lines[i].kind == IniLine::Key &&
            EqualsNoCase(lines[i].name, key))
            found.key = i;
    found.sectionEnd = i;
    return found;
}

enum class ReadResult
{
    Ok,
    Missing,
    Failed
};

ReadResult ReadWholeFile(const std::string& path, std::string& content)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    content.clear();
    char buffer[16384];
    for (;;)
    {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return ReadResult::Failed; // a folder, for instance
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

// False when the file, the section or the key is absent.
bool FindValue(const std::string& section, const std::string& key, const std::string& file,
               std::string& value)
{
    std::string text;
    if (ReadWholeFile(file, text) != ReadResult::Ok)
        return false;
    const std::vector<IniLine> lines = SplitLines(text);
    const Lookup found = Find(lines, Trim(section), Trim(key));
    if (found.key == SIZE_MAX)
        return false;
    value = std::string(Unquote(lines[found.key].value));
    return true;
}

// New lines follow the file's own line ends; a file that has none yet gets "\n".
std::string_view LineBreakOf(std::string_view text)
{
    const size_t newline = text.find('\n');
    if (newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r')
        return "\r\n";
    return "\n";
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Quotes a value that the reader would otherwise change (surrounding blanks or quotes).
std::string EncodeValue(std::string_view value)
{
    if (value.empty())
        return {};
    const bool blankEdge = IsBlank(value.front()) || IsBlank(value.back());
    if (blankEdge || Unquote(value).size() != value.size())
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

mode_t CurrentUmask()
{
    // Reading it back from the kernel avoids the set-and-restore race of umask().
    if (FILE* status = std::fopen("/proc/self/status", "re"))
    {
        char line[256];
        while (std::fgets(line, sizeof line, status))
        {
            unsigned mask = 0;
            if (std::sscanf(line, "Umask: %o", &mask) == 1)
            {
                std::fclose(status);
                return static_cast<mode_t>(mask);
            }
        }
        std::fclose(status);
    }
    return 022;
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty())
    {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes `content` to a temporary file beside `path` and renames it over `path`, so a crash
// leaves either the old file or the new one, never a mix.
bool ReplaceFile(const std::string& path, std::string_view content, const struct stat* old)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp =
        (slash == std::string::npos ? std::string() : folder) + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    bool ok = WriteAll(fd, content);
    const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~CurrentUmask());
    ok = ok && ::fchmod(fd, mode) == 0;
    if (ok && old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid()))
    {
        // Only a privileged writer can keep someone else's ownership; a failure is harmless.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0)
        {
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
    {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the content is already in place, so this is best effort.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

// A symbolic link stays a link: the file it points to is the one rewritten.
std::string WriteTarget(const std::string& file)
{
    struct stat st;
    if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
    {
        if (char* resolved = ::realpath(file.c_str(), nullptr))
        {
            std::string target = resolved;
            std::free(resolved);
            return target;
        }
    }
    return file;
}

} // namespace

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& file)
{
    std::string value;
    if (!FindValue(section, key, file, value))
        return defaultValue;
    long long number = 0;
    for (const char c : value)
    {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + (c - '0');
        if (number > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(number);
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferChars,
                                    const std::string& file)
{
    if (bufferChars == 0)
        return {};
    std::string value;
    if (!FindValue(section, key, file, value))
        return CutToChars(defaultValue, bufferChars - 1);
    return CutToChars(value, bufferChars - 1);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& file)
{
    const std::string_view sectionName = Trim(section);
    const std::string_view keyName = Trim(key);
    if (HasLineBreak(sectionName) || HasLineBreak(keyName) || HasLineBreak(value) ||
        sectionName.find(']') != std::string_view::npos ||
        keyName.find('=') != std::string_view::npos || keyName.starts_with('[') ||
        keyName.starts_with(';'))
        return false;

    const std::string target = WriteTarget(file);
    std::string text;
    struct stat old;
    const ReadResult read = ReadWholeFile(target, text);
    if (read == ReadResult::Failed)
        return false;
    const bool exists = read == ReadResult::Ok;
    if (exists)
    {
        // The rename would succeed over a read-only file; refuse as a direct write would.
        if (::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode) ||
            ::access(target.c_str(), W_OK) != 0)
            return false;
    }

    const std::vector<IniLine> lines = SplitLines(text);
    const std::string_view lineBreak = LineBreakOf(text);
    const std::string stored = EncodeValue(value);
    const Lookup found = Find(lines, sectionName, keyName);
    if (found.key != SIZE_MAX)
    {
        const IniLine& line = lines[found.key];
        text.replace(line.afterEquals, line.contentEnd - line.afterEquals, stored);
    }
    else if (found.section != SIZE_MAX)
    {
        size_t last = found.section;
        for (size_t i = found.section + 1; i < found.sectionEnd; ++i)
        {
            const IniLine& line = lines[i];
            if (!Trim(std::string_view(text).substr(line.begin, line.contentEnd - line.begin))
                     .empty())
                last = i;
        }
        const IniLine& anchor = lines[last];
        std::string entry = std::string(keyName) + "=" + stored;
        // The file's last line may lack "\n" (a lone "\r" is no line break either).
        if (anchor.end == anchor.begin || text[anchor.end - 1] != '\n')
            entry.insert(0, lineBreak);
        else
            entry += lineBreak;
        text.insert(anchor.end, entry);
    }
    else
    {
        if (!text.empty() && text.back() != '\n' && text != kUtf8Bom)
            text += lineBreak;
        text += "[";
        text += sectionName;
        text += "]";
        text += lineBreak;
        text += keyName;
        text += "=";
        text += stored;
        text += lineBreak;
    }
    return ReplaceFile(target, text, exists ? &old : nullptr);
}

} // namespace platform
