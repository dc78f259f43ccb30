#include "settings/settings_store.h"

#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct CapturedBox
{
    std::string text;
    unsigned flags;
};

// Points HOME and XDG_CONFIG_HOME into a temporary folder for each test, so nothing here
// can reach the real user's settings or music folder.
class CSettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"})
        {
            const char* value = std::getenv(name);
            m_savedEnv.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        std::string pattern = (fs::temp_directory_path() / "settings_store_test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_sRoot = pattern;
        m_sHome = m_sRoot + "/home";
        m_sConfig = m_sRoot + "/config";
        fs::create_directories(m_sHome + "/Music");
        fs::create_directories(m_sConfig);
        ::setenv("HOME", m_sHome.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_sConfig.c_str(), 1);
        ASSERT_EQ(SettingsFilePath(), m_sConfig + "/Sonoria/Config.ini");

        m_oldHandler = platform::SetMessageBoxHandler(
            [this](const std::string& text, const std::string&, unsigned flags)
            {
                m_boxes.push_back({text, flags});
                return static_cast<int>(platform::IdOk);
            });
        AppSettings = AppSettingsRecord{};
    }

    void TearDown() override
    {
        platform::SetMessageBoxHandler(m_oldHandler);
        AppSettings = AppSettingsRecord{};
        for (const auto& [name, value] : m_savedEnv)
        {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        if (!m_sRoot.empty())
            fs::remove_all(m_sRoot);
    }

    static void Put(const std::string& file, const std::string& content)
    {
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    static std::string Content(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Music() const { return m_sHome + "/Music/"; }

    std::string m_sRoot;
    std::string m_sHome;
    std::string m_sConfig;
    std::vector<CapturedBox> m_boxes;
    platform::MessageBoxHandler m_oldHandler;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_savedEnv;
};

void ExpectDefaults(const AppSettingsRecord& record, const std::string& desDir)
{
    EXPECT_EQ(record.DesDir, desDir);
    EXPECT_EQ(record.LameBits, 11);
    EXPECT_EQ(record.LameChannel, 0);
    EXPECT_EQ(record.Freq, 0);
    EXPECT_EQ(record.Filter, 15);
}

TEST_F(CSettingsStoreTest, DefaultOutputFolderIsTheFirstExistingOfMusicDesktopHome)
{
    EXPECT_EQ(DefaultOutputFolder(), Music());

    fs::remove(m_sHome + "/Music");
    fs::create_directory(m_sHome + "/Desktop");
    EXPECT_EQ(DefaultOutputFolder(), m_sHome + "/Desktop/");

    fs::remove(m_sHome + "/Desktop");
    EXPECT_EQ(DefaultOutputFolder(), m_sHome + "/");

    // The folders the user named in user-dirs.dirs win over the usual names.
    fs::create_directories(m_sHome + "/My Tunes");
    Put(m_sConfig + "/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/My Tunes\"\n");
    EXPECT_EQ(DefaultOutputFolder(), m_sHome + "/My Tunes/");
}

TEST_F(CSettingsStoreTest, FirstStartCreatesAnEmptyFileAndTheFirstSaveWritesSevenLines)
{
    PrepareSettings();
    const std::string file = SettingsFilePath();
    ASSERT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_TRUE(m_boxes.empty());
    ExpectDefaults(AppSettings, Music());
    EXPECT_EQ(AppSettings.SettingsSummaryText(),
              "  MP3:  CBR 128 kbps; Automatic Frequency; Automatic Channel;");

    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(Content(file), "[OUTPUT]\n"
                             "Filter=15\n"
                             "DesDir=" +
                                 Music() +
                                 "\n"
                                 "[MP3]\n"
                                 "LameBits=11\n"
                                 "LameChannel=0\n"
                                 "Freq=0\n");
}

TEST_F(CSettingsStoreTest, StartWithAnExistingFileLoadsIt)
{
    Put(SettingsFilePath(), "[MP3]\nLameBits=13\n");
    PrepareSettings();
    EXPECT_EQ(AppSettings.LameBits, 13);
    EXPECT_EQ(AppSettings.BitRateKbps(), 192);
    EXPECT_EQ(AppSettings.DesDir, Music());
    EXPECT_EQ(AppSettings.Filter, 15);

    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(Content(SettingsFilePath()), "[MP3]\nLameBits=13\nLameChannel=0\nFreq=0\n"
                                           "[OUTPUT]\nFilter=15\nDesDir=" +
                                               Music() + "\n");
}

TEST_F(CSettingsStoreTest, SettingsFolderThatCannotBeCreatedIsReportedOnceAndDefaultsStand)
{
    // A regular file where the config folder should be makes the folder impossible.
    const std::string blocked = m_sRoot + "/blocked";
    Put(blocked, "");
    ::setenv("XDG_CONFIG_HOME", blocked.c_str(), 1);

    PrepareSettings();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "Fail to create folder " + blocked + "/Sonoria !!");
    EXPECT_EQ(m_boxes[0].flags, platform::MbOk | platform::MbIconWarning);
    ExpectDefaults(AppSettings, Music());

    // The save at close cannot succeed, and says so without a box.
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(m_boxes.size(), 1u);
}

TEST_F(CSettingsStoreTest, LoadReadsEachFieldAndFallsBackPerField)
{
    const std::string longDir = "/" + std::string(1500, 'd');
    struct Case
    {
        const char* name;
        std::string content;
        AppSettingsRecord expected;
    };
    const std::string m = Music();
    const Case cases[] = {
        {"every field",
         "[OUTPUT]\nFilter=7\nDesDir=/out/\n[MP3]\nLameBits=0\nLameChannel=1\nFreq=8\n",
         {"/out/", 0, 1, 8, 7}},
        {"names without case",
         "[mp3]\nlamebits=13\n[output]\nFILTER=3\n",
         {.DesDir = m, .LameBits = 13, .Filter = 3}},
        {"Filter belongs to OUTPUT", "[MP3]\nFilter=3\n", {.DesDir = m}},
        {"empty and non-numeric read 0",
         "[MP3]\nLameBits=\nFreq=x\n[OUTPUT]\nFilter=abc\n",
         {.DesDir = m, .LameBits = 0, .Freq = 0, .Filter = 0}},
        {"out of range kept as read",
         "[MP3]\nLameBits=40\nFreq=99\nLameChannel=5\n",
         {.DesDir = m, .LameBits = 40, .LameChannel = 5, .Freq = 99}},
        {"too large for the field saturates",
         "[MP3]\nLameBits=65547\n",
         {.DesDir = m, .LameBits = INT16_MAX}},
        {"folder gets its slash", "[OUTPUT]\nDesDir=/out\n", {.DesDir = "/out/"}},
        {"empty folder reads the default", "[OUTPUT]\nDesDir=\n", {.DesDir = m}},
        {"folder cut to 1023 characters",
         "[OUTPUT]\nDesDir=" + longDir + "\n",
         {.DesDir = longDir.substr(0, 1023) + "/"}},
    };
    const std::string file = m_sRoot + "/case.ini";
    for (const Case& c : cases)
    {
        Put(file, c.content);
        AppSettingsRecord record{"/stale/", 1, 2, 3, 4};
        ASSERT_TRUE(LoadSettingsFrom(file, record)) << c.name;
        EXPECT_EQ(record.DesDir, c.expected.DesDir) << c.name;
        EXPECT_EQ(record.LameBits, c.expected.LameBits) << c.name;
        EXPECT_EQ(record.LameChannel, c.expected.LameChannel) << c.name;
        EXPECT_EQ(record.Freq, c.expected.Freq) << c.name;
        EXPECT_EQ(record.Filter, c.expected.Filter) << c.name;
    }
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(CSettingsStoreTest, LoadingAMissingFileGivesDefaultsAndCreatesNothing)
{
    AppSettingsRecord record{"/stale/", 1, 2, 3, 4};
    ASSERT_TRUE(LoadSettingsFrom(SettingsFilePath(), record));
    ExpectDefaults(record, Music());
    EXPECT_FALSE(fs::exists(SettingsFolderPath()));
}

TEST_F(CSettingsStoreTest, SaveWritesBackFilterAndKeepsTheRestOfTheFile)
{
    const std::string before = "; edited by hand\n"
                               "[OUTPUT]\n"
                               "Filter=7\n"
                               "DesDir=/out/\n"
                               "Extra=kept\n"
                               "\n"
                               "[MP3]\n"
                               "LameBits=13\n"
                               "LameChannel=2\n"
                               "Freq=5\n";
    Put(SettingsFilePath(), before);
    PrepareSettings();
    EXPECT_EQ(AppSettings.Filter, 7);
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(Content(SettingsFilePath()), before);
}

TEST_F(CSettingsStoreTest, SavedRecordLoadsBackUnchanged)
{
    const AppSettingsRecord saved{"/srv/m\xC3\xBAsica/out put/", 16, 2, 8, -4};
    const std::string file = m_sRoot + "/round.ini";
    ASSERT_TRUE(SaveSettingsTo(file, saved));
    AppSettingsRecord loaded;
    ASSERT_TRUE(LoadSettingsFrom(file, loaded));
    EXPECT_EQ(loaded.DesDir, saved.DesDir);
    EXPECT_EQ(loaded.LameBits, saved.LameBits);
    EXPECT_EQ(loaded.LameChannel, saved.LameChannel);
    EXPECT_EQ(loaded.Freq, saved.Freq);
    // A negative Filter is written as "%d" but has no leading digit, so it reads 0.
    EXPECT_EQ(loaded.Filter, 0);
}

TEST_F(CSettingsStoreTest, ResetAfterChangingEveryFieldRestoresDefaultsAndRemovesTheFile)
{
    PrepareSettings();
    AppSettings = {"/elsewhere/", 3, 1, 4, 99};
    ASSERT_TRUE(SaveSettings());
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(AppSettings.LameBits, 3);

    ASSERT_TRUE(ResetSettings());
    EXPECT_FALSE(fs::exists(SettingsFilePath()));
    ExpectDefaults(AppSettings, Music());
    EXPECT_EQ(AppSettings.SettingsSummaryText(),
              "  MP3:  CBR 128 kbps; Automatic Frequency; Automatic Channel;");

    // A second reset, with no file left to delete, is not an error.
    EXPECT_TRUE(ResetSettings());
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(CSettingsStoreTest, FolderWithALineBreakIsNotSavedButTheOtherValuesAre)
{
    const std::string file = m_sRoot + "/newline.ini";
    EXPECT_FALSE(SaveSettingsTo(file, {"/evil\n[MP3]\nLameBits=0\n/", 13, 0, 0, 15}));
    AppSettingsRecord loaded;
    ASSERT_TRUE(LoadSettingsFrom(file, loaded));
    EXPECT_EQ(loaded.LameBits, 13);
    EXPECT_EQ(loaded.DesDir, Music());
}

} // namespace
