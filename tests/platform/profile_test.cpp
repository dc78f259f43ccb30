#include "platform/profile.h"

#include "tests/support/temp_dir.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <fstream>

using namespace platform;

namespace
{

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

// The profile in a fresh temporary folder for each test.
class ProfileTest : public testing::Test
{
protected:
    void SetUp() override { UseFolder(m_dir.Path()); }

    static void UseFolder(const std::string& folder)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(folder));
    }

    QString FilePath() const
    {
        return QString::fromStdString(m_dir / "Quillory Corporation/Sonoria.conf");
    }

    testing_support::TempDir m_dir;
};

TEST_F(ProfileTest, ByteBlocksAndIntegersRoundTripInTheirSections)
{
    const QByteArray bytes("\x00\x01\xFF\x7F\x80 binary", 13);
    const QString guid = Q("{08498238-9FCE-4F3C-861C-BE77C5E25FD5}");
    ASSERT_TRUE(WriteProfileBinary(Q("Position"), guid, bytes));
    ASSERT_TRUE(WriteProfileBinary(Q("FileList"), Q("Column"), QByteArray()));
    ASSERT_TRUE(WriteProfileInt(Q("Position"), QString(), -7));
    ASSERT_TRUE(WriteProfileInt(Q("FileList"), Q("Count"), 2147483647));

    QByteArray read;
    EXPECT_TRUE(GetProfileBinary(Q("Position"), guid, read));
    EXPECT_EQ(read, bytes);
    EXPECT_TRUE(GetProfileBinary(Q("FileList"), Q("Column"), read));
    EXPECT_TRUE(read.isEmpty());
    EXPECT_EQ(GetProfileInt(Q("Position"), QString(), 0), -7);
    EXPECT_EQ(GetProfileInt(Q("FileList"), Q("Count"), 0), 2147483647);
    // Same entry name, other section.
    EXPECT_FALSE(GetProfileBinary(Q("FileList"), guid, read));
    EXPECT_EQ(GetProfileInt(Q("FileList"), QString(), 42), 42);

    // Where it lives: organisation, application, application name, section, entry.
    ASSERT_TRUE(QFile::exists(FilePath()));
    QSettings file(FilePath(), QSettings::IniFormat);
    EXPECT_EQ(file.value(Q("Sonoria/Position/(Default)")).toInt(), -7);
    EXPECT_EQ(file.value(Q("Sonoria/Position/") + guid).toByteArray(), bytes);

    // Overwriting replaces.
    ASSERT_TRUE(WriteProfileInt(Q("Position"), QString(), 3));
    EXPECT_EQ(GetProfileInt(Q("Position"), QString(), 0), 3);
}

TEST_F(ProfileTest, AbsentOrForeignValuesGiveTheDefault)
{
    QByteArray read("left over");
    EXPECT_FALSE(GetProfileBinary(Q("Position"), Q("none"), read));
    EXPECT_TRUE(read.isEmpty());
    EXPECT_EQ(GetProfileInt(Q("Position"), Q("none"), 5), 5);

    // A value set by hand: a number is read as one, anything else is no integer and no block.
    ASSERT_TRUE(WriteProfileInt(Q("Position"), Q("seed"), 1)); // creates the folder and file
    {
        std::ofstream out(FilePath().toStdString(), std::ios::trunc);
        out << "[Sonoria]\nPosition\\(Default)=3\nPosition\\word=abc\nPosition\\big=99999999999\n";
    }
    EXPECT_EQ(GetProfileInt(Q("Position"), QString(), 0), 3);
    EXPECT_EQ(GetProfileInt(Q("Position"), Q("word"), -1), -1);
    EXPECT_EQ(GetProfileInt(Q("Position"), Q("big"), -1), -1);
    EXPECT_FALSE(GetProfileBinary(Q("Position"), QString(), read));
    EXPECT_FALSE(GetProfileBinary(Q("Position"), Q("word"), read));

    // An integer is no byte block and a byte block is no integer.
    ASSERT_TRUE(WriteProfileBinary(Q("Position"), Q("block"), QByteArray("12")));
    EXPECT_EQ(GetProfileInt(Q("Position"), Q("block"), -1), -1);
}

TEST_F(ProfileTest, WritesThatCannotReachTheDiskFail)
{
    // A folder below a plain file cannot be made, even by root.
    const std::string blocker = m_dir / "blocker";
    std::ofstream(blocker) << "x";
    UseFolder(blocker + "/profile");
    EXPECT_FALSE(WriteProfileBinary(Q("Position"), Q("entry"), QByteArray("abc")));
    EXPECT_FALSE(WriteProfileInt(Q("Position"), QString(), 1));
    QByteArray read;
    EXPECT_FALSE(GetProfileBinary(Q("Position"), Q("entry"), read));
}

} // namespace
