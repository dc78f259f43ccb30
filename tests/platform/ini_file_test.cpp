#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::GetPrivateProfileInt;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;

namespace
{

class CIniFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ini_file_test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_sDir = pattern;
        m_sFile = m_sDir + "/Config.ini";
    }
    void TearDown() override { fs::remove_all(m_sDir); }

    void Put(const std::string& content) const
    {
        std::ofstream(m_sFile, std::ios::binary) << content;
    }
    std::string Content() const
    {
        std::ifstream in(m_sFile, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Str(const std::string& section, const std::string& key, size_t chars = 256) const
    {
        return GetPrivateProfileString(section, key, "<default>", chars, m_sFile);
    }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_sDir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::string m_sDir;
    std::string m_sFile;
};

TEST_F(CIniFileTest, NamesMatchWithoutCaseAndBlanksAroundNamesAndValuesAreIgnored)
{
    Put("; comment=not a key\n"
        "Orphan=before any section\n"
        "[Output]\n"
        "  desdir  =   /music/out/   \n"
        "NoEquals line\n"
        ";Filter=3\n"
        "\t[ mp3 ]  \n"
        "LameBits\t=\t13\n"
        "Empty=\n");
    struct Case
    {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"OUTPUT", "DesDir", "/music/out/"},
        {"output", "DESDIR", "/music/out/"},
        {"MP3", "LameBits", "13"},
        {" MP3 ", " lamebits ", "13"},
        {"MP3", "Empty", ""},
        {"OUTPUT", "Filter", "<default>"},        // commented out
        {"OUTPUT", "NoEquals line", "<default>"}, // not a key
        {"OUTPUT", "Orphan", "<default>"},        // outside the section
        {"MP3", "DesDir", "<default>"},           // other section
        {"Missing", "DesDir", "<default>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Str(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST_F(CIniFileTest, IntegersComeFromLeadingDigits)
{
    struct Case
    {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"13", 13},
        {"  42  ", 42},
        {"12abc", 12},
        {"", 0},
        {"abc", 0},
        {"-5", 0},
        {"+5", 0},
        {"0x10", 0},
        {"\"7\"", 7},
        {"2147483647", INT_MAX},
        {"99999999999", INT_MAX},
    };
    for (const Case& c : cases)
    {
        Put(std::string("[MP3]\nLameBits=") + c.value + "\n");
        EXPECT_EQ(GetPrivateProfileInt("MP3", "LameBits", 11, m_sFile), c.expected) << c.value;
    }
    EXPECT_EQ(GetPrivateProfileInt("MP3", "Freq", -3, m_sFile), -3);
    EXPECT_EQ(GetPrivateProfileInt("OUTPUT", "LameBits", 11, m_sFile), 11);
    EXPECT_EQ(GetPrivateProfileInt("MP3", "LameBits", 11, m_sDir + "/absent.ini"), 11);
    EXPECT_EQ(GetPrivateProfileInt("MP3", "LameBits", 11, m_sDir), 11); // a folder, not a file
}

TEST_F(CIniFileTest, FirstOfDuplicateSectionsAndKeysCounts)
{
    Put("[A]\nx=1\nx=2\n[B]\ny=5\n[a]\nx=3\nz=4\n");
    EXPECT_EQ(GetPrivateProfileInt("A", "x", -1, m_sFile), 1);
    EXPECT_EQ(GetPrivateProfileInt("A", "z", -1, m_sFile), -1); // only in the second [a]
    ASSERT_TRUE(WritePrivateProfileString("A", "X", "9", m_sFile));
    EXPECT_EQ(Content(), "[A]\nx=9\nx=2\n[B]\ny=5\n[a]\nx=3\nz=4\n");
}

TEST_F(CIniFileTest, SurroundingMatchingQuotesAreRemoved)
{
    Put("[S]\na=\"a b\"\nb='x'\nc=\"x'\nd=\"\ne=\"\"\nf= \" pad \" \ng=\"in\"side\"\n");
    EXPECT_EQ(Str("S", "a"), "a b");
    EXPECT_EQ(Str("S", "b"), "x");
    EXPECT_EQ(Str("S", "c"), "\"x'");
    EXPECT_EQ(Str("S", "d"), "\"");
    EXPECT_EQ(Str("S", "e"), "");
    EXPECT_EQ(Str("S", "f"), " pad ");
    EXPECT_EQ(Str("S", "g"), "in\"side");
}

TEST_F(CIniFileTest, StringsAreCutOnWholeUtf8Characters)
{
    const std::string value = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                              "b"; // a é € 😀 b
    Put("[S]\nk=" + value + "\nbad=\xFF\xC3x\n");
    struct Case
    {
        size_t bufferChars;
        std::string expected;
    };
    const Case cases[] = {
        {0, ""},
        {1, ""},
        {2, "a"},
        {3, "a\xC3\xA9"},
        {4, "a\xC3\xA9\xE2\x82\xAC"},
        {5, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {6, value},
        {1024, value},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Str("S", "k", c.bufferChars), c.expected) << c.bufferChars;
    // Malformed bytes count one each: a lone lead byte is not a sequence.
    EXPECT_EQ(Str("S", "bad", 3), "\xFF\xC3");
    // The default is cut the same way.
    EXPECT_EQ(GetPrivateProfileString("S", "none", value, 3, m_sFile), "a\xC3\xA9");
}

TEST_F(CIniFileTest, ReplacingAValueKeepsEveryOtherByte)
{
    const std::string before = "; Sonoria settings\n"
                               "\n"
                               "[OUTPUT]\n"
                               "Filter = 15   \n"
                               "Unknown=keep me\n"
                               "   desdir =  /old/ \n"
                               "\n"
                               "[Other]\n"
                               "DesDir=untouched\n";
    Put(before);
    ASSERT_TRUE(WritePrivateProfileString("OUTPUT", "DesDir", "/new folder/", m_sFile));
    std::string expected = before;
    expected.replace(expected.find("  /old/ "), 8, "/new folder/");
    EXPECT_EQ(Content(), expected);
    EXPECT_EQ(Str("Other", "DesDir"), "untouched");
}

TEST_F(CIniFileTest, MissingKeysSectionsAndFilesAreAdded)
{
    struct Case
    {
        const char* name;
        std::optional<std::string> before; // none: no file
        const char* section;
        std::string after;
    };
    const Case cases[] = {
        {"new file", std::nullopt, "MP3", "[MP3]\nk=v\n"},
        {"key after last non-blank line of its section", "[MP3]\na=1\n; note\n\n\n[X]\nb=2\n",
         "mp3", "[MP3]\na=1\n; note\nk=v\n\n\n[X]\nb=2\n"},
        {"empty section", "[MP3]\n[X]\n", "MP3", "[MP3]\nk=v\n[X]\n"},
        {"section head is the last line, no line break", "[MP3]", "MP3", "[MP3]\nk=v"},
        {"last line without line break", "[MP3]\na=1", "MP3", "[MP3]\na=1\nk=v"},
        {"last line ending in a lone CR", "[MP3]\na=1\r", "MP3", "[MP3]\na=1\r\nk=v"},
        {"section appended", "[A]\na=1\n", "MP3", "[A]\na=1\n[MP3]\nk=v\n"},
        {"section appended after unterminated line", "[A]\na=1", "MP3", "[A]\na=1\n[MP3]\nk=v\n"},
        {"empty file", "", "MP3", "[MP3]\nk=v\n"},
    };
    for (const Case& c : cases)
    {
        fs::remove(m_sFile);
        if (c.before)
            Put(*c.before);
        ASSERT_TRUE(WritePrivateProfileString(c.section, "k", "v", m_sFile)) << c.name;
        EXPECT_EQ(Content(), c.after) << c.name;
    }
}

TEST_F(CIniFileTest, CrlfFilesAreReadAndKeepTheirLineEnds)
{
    Put("[OUTPUT]\r\nFilter=7\r\nDesDir=/a/\r\n[MP3]\r\nLameBits=13\r\n");
    EXPECT_EQ(GetPrivateProfileInt("OUTPUT", "Filter", 15, m_sFile), 7);
    EXPECT_EQ(Str("OUTPUT", "DesDir"), "/a/");
    ASSERT_TRUE(WritePrivateProfileString("OUTPUT", "DesDir", "/b/", m_sFile));
    ASSERT_TRUE(WritePrivateProfileString("OUTPUT", "Extra", "1", m_sFile));
    ASSERT_TRUE(WritePrivateProfileString("New", "k", "v", m_sFile));
    EXPECT_EQ(Content(), "[OUTPUT]\r\nFilter=7\r\nDesDir=/b/\r\nExtra=1\r\n[MP3]\r\n"
                         "LameBits=13\r\n[New]\r\nk=v\r\n");
}

TEST_F(CIniFileTest, ByteOrderMarkIsSkippedWhenReadingAndKeptWhenWriting)
{
    Put("\xEF\xBB\xBF[MP3]\nLameBits=13\n");
    EXPECT_EQ(GetPrivateProfileInt("MP3", "LameBits", 11, m_sFile), 13);
    ASSERT_TRUE(WritePrivateProfileString("MP3", "Freq", "2", m_sFile));
    EXPECT_EQ(Content(), "\xEF\xBB\xBF[MP3]\nLameBits=13\nFreq=2\n");

    Put("\xEF\xBB\xBF");
    ASSERT_TRUE(WritePrivateProfileString("MP3", "Freq", "2", m_sFile));
    EXPECT_EQ(Content(), "\xEF\xBB\xBF[MP3]\nFreq=2\n");
}

TEST_F(CIniFileTest, ValuesReadBackAsWritten)
{
    const std::string values[] = {"",   "plain",    "  padded  ",       "\tx", "\"quoted\"", "'q'",
                                  "\"", "a=b;c[d]", "\xC3\xA9t\xC3\xA9"};
    for (const std::string& value : values)
    {
        ASSERT_TRUE(WritePrivateProfileString("S", "k", value, m_sFile)) << value;
        EXPECT_EQ(Str("S", "k"), value);
    }
}

TEST_F(CIniFileTest, WritesThatWouldNotReadBackAreRefusedAndChangeNothing)
{
    const std::string before = "[S]\nk=1\n";
    Put(before);
    struct Case
    {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"S", "k", "two\nlines"}, {"S", "k", "cr\r"}, {"S\n[T]", "k", "v"}, {"S]x", "k", "v"},
        {"S", "a=b", "v"},        {"S", "[T]", "v"},  {"S", ";c", "v"},     {"S", "k\nx=1", "v"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, m_sFile))
            << c.section << "/" << c.key << "/" << c.value;
    EXPECT_EQ(Content(), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Config.ini"});
}

TEST_F(CIniFileTest, WriteGoesThroughATemporaryFileAndKeepsPermissionsAndLinks)
{
    Put("[S]\nk=1\n");
    ASSERT_EQ(::chmod(m_sFile.c_str(), 0640), 0);
    const std::string link = m_sDir + "/link.ini";
    fs::create_symlink(m_sFile, link);

    ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Content(), "[S]\nk=2\n");
    struct stat st;
    ASSERT_EQ(::stat(m_sFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    auto names = FolderEntries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Config.ini", "link.ini"})); // no leftovers

    // A new file gets the usual mode for the umask, not the temporary file's private one.
    const mode_t oldMask = ::umask(027);
    const std::string fresh = m_sDir + "/fresh.ini";
    const bool written = WritePrivateProfileString("S", "k", "1", fresh);
    ::umask(oldMask);
    ASSERT_TRUE(written);
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(CIniFileTest, WriteIntoAMissingFolderOrOntoAFolderFailsAndLeavesNothing)
{
    const std::string missing = m_sDir + "/no such folder/Config.ini";
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", missing));
    EXPECT_FALSE(fs::exists(m_sDir + "/no such folder"));

    fs::create_directory(m_sFile);
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", m_sFile));
    EXPECT_TRUE(fs::is_empty(m_sFile));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Config.ini"});
}

TEST_F(CIniFileTest, ReadOnlyFileIsNotReplaced)
{
    Put("[S]\nk=1\n");
    ASSERT_EQ(::chmod(m_sFile.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(m_sDir.c_str(), 0777), 0); // the rename alone would still succeed
    auto attempt = [this] { return WritePrivateProfileString("S", "k", "2", m_sFile); };
    bool written = false;
    if (::geteuid() == 0)
    {
        // Root may write any file, so the attempt runs as an unprivileged user.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(!dropped ? 2 : attempt() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "could not drop privileges";
        written = WEXITSTATUS(status) == 1;
    }
    else
    {
        written = attempt();
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(Content(), "[S]\nk=1\n");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Config.ini"});
}

} // namespace
