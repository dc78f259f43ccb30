// Feeds arbitrary bytes to the INI reader as a file, checks what every read returns, then
// writes one key and checks that it reads back as written and that no other key changed.
#include "platform/ini_file.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace
{

const char* const g_sections[] = {"OUTPUT", "MP3", "mp3", " Output ", "", "S", "[x"};
const char* const g_keys[] = {"DesDir", "Filter", "LameBits", "lamebits", " Freq ", "", "k", "a=b"};

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
}

const std::string& FilePath()
{
    static const std::string path = []
    {
        static std::string folder =
            (std::filesystem::temp_directory_path() / "ini_fuzz.XXXXXX").string();
        if (!::mkdtemp(folder.data()))
            Fail("no temporary folder");
        std::atexit([] { std::filesystem::remove_all(folder); });
        return folder + "/Config.ini";
    }();
    return path;
}

std::string Content()
{
    std::ifstream in(FilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool SameNameIgnoringCaseAndBlanks(std::string_view a, std::string_view b)
{
    auto trim = [](std::string_view s)
    {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        return s;
    };
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const unsigned selector = data[0];
    const size_t bufferChars = data[1] % 16;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    {
        std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
        out << text;
    }
    const std::string& file = FilePath();

    constexpr size_t kSections = std::size(g_sections);
    constexpr size_t kKeys = std::size(g_keys);
    std::vector<std::string> before(kSections * kKeys);
    for (size_t s = 0; s < kSections; ++s)
        for (size_t k = 0; k < kKeys; ++k)
        {
            const std::string full =
                platform::GetPrivateProfileString(g_sections[s], g_keys[k], "\x01", SIZE_MAX, file);
            const std::string cut = platform::GetPrivateProfileString(g_sections[s], g_keys[k],
                                                                      "\x01", bufferChars, file);
            if (cut.size() > full.size() || full.compare(0, cut.size(), cut) != 0)
                Fail("a cut string is not a prefix of the full one");
            if (bufferChars <= 1 ? !cut.empty() : (cut.empty() != full.empty()))
                Fail("wrong cut length");
            if (full.size() < bufferChars && cut != full)
                Fail("a short string was cut");
            const int number = platform::GetPrivateProfileInt(g_sections[s], g_keys[k], -7, file);
            if (number < 0 && !(number == -7 && full == "\x01"))
                Fail("a negative number was read");
            before[s * kKeys + k] = full;
        }

    // Write the last few bytes of the input as a value.
    const size_t section = selector % kSections;
    const size_t key = (selector / kSections) % kKeys;
    const size_t valueLength = std::min<size_t>(text.size(), (selector >> 4) * 3);
    const std::string value = text.substr(text.size() - valueLength);
    const bool written =
        platform::WritePrivateProfileString(g_sections[section], g_keys[key], value, file);
    const std::string after = Content();
    if (!written)
    {
        if (after != text)
            Fail("a refused write changed the file");
        return 0;
    }
    // A default no write produces, so a key that went missing cannot pass as an empty value.
    if (platform::GetPrivateProfileString(g_sections[section], g_keys[key], "\x01\x02", SIZE_MAX,
                                          file) != value)
        Fail("the written value does not read back");
    for (size_t s = 0; s < kSections; ++s)
        for (size_t k = 0; k < kKeys; ++k)
        {
            if (SameNameIgnoringCaseAndBlanks(g_sections[s], g_sections[section]) &&
                SameNameIgnoringCaseAndBlanks(g_keys[k], g_keys[key]))
                continue;
            if (platform::GetPrivateProfileString(g_sections[s], g_keys[k], "\x01", SIZE_MAX,
                                                  file) != before[s * kKeys + k])
                Fail("a write changed another key");
        }
    return 0;
}
