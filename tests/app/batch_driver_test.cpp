// The sonoria-batch command line: arguments, exit codes, files written.
#include "tests/support/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

using namespace testing_support;

namespace
{

int RunDriver(const std::string& arguments, const std::string& dir)
{
    const std::string command = std::string(SONORIA_BATCH_PATH) + " " + arguments + " > '" + dir +
                                "/stdout.txt' 2> '" + dir + "/stderr.txt'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BatchDriver, ConvertsValidFilesAndReportsTheRest)
{
    TempDir dir;
    WavSpec spec;
    spec.channels = 1;
    WriteWav(dir / "voice.wav", spec);
    std::ofstream(dir / "broken.wav") << "not audio";
    std::ofstream(dir / "settings.ini") << "[MP3]\nLameBits=13\n";

    const std::string args = "--out '" + (dir / "mp3") + "' --config '" + (dir / "settings.ini") +
                             "' --channel 2 '" + (dir / "voice.wav") + "' '" +
                             (dir / "broken.wav") + "'";
    EXPECT_EQ(RunDriver(args, dir.Path()), 0);
    const DecodedInfo mp3 = Decode(dir / "mp3/voice.mp3");
    ASSERT_TRUE(mp3.ok);
    EXPECT_EQ(mp3.channels, 2); // --channel 2 overrides the file
    EXPECT_NE(
        Slurp(dir / "stderr.txt").find("Error : could not open file : " + (dir / "broken.wav")),
        std::string::npos);
    const std::string log = Slurp(dir / "stdout.txt");
    EXPECT_NE(log.find("001 "), std::string::npos);
    EXPECT_NE(log.find(" Converting status: OK."), std::string::npos);
    // The bit rate came from the given file: 192 kbps over one second.
    EXPECT_GT(std::filesystem::file_size(dir / "mp3/voice.mp3"), 20000u);
}

TEST(BatchDriver, ExitCodesTellFailureAndBadUsage)
{
    TempDir dir;
    std::ofstream(dir / "broken.wav") << "not audio";
    const std::string out = "--out '" + (dir / "mp3") + "' --config '" + (dir / "none.ini") + "' ";
    EXPECT_EQ(RunDriver(out + "'" + (dir / "broken.wav") + "'", dir.Path()),
              1);                                                          // nothing convertible
    EXPECT_EQ(RunDriver(out, dir.Path()), 2);                              // no files
    EXPECT_EQ(RunDriver("'" + (dir / "broken.wav") + "'", dir.Path()), 2); // no --out
    EXPECT_EQ(RunDriver(out + "--bits 17 x.wav", dir.Path()), 2);
    EXPECT_EQ(RunDriver(out + "--freq -1 x.wav", dir.Path()), 2);
    EXPECT_EQ(RunDriver(out + "--loud x.wav", dir.Path()), 2);

    // A run that fails (the output folder cannot be made) exits 1 too.
    WavSpec spec;
    WriteWav(dir / "ok.wav", spec);
    std::ofstream(dir / "blocker") << "file";
    EXPECT_EQ(RunDriver("--out '" + (dir / "blocker/sub") + "' --config '" + (dir / "none.ini") +
                            "' '" + (dir / "ok.wav") + "'",
                        dir.Path()),
              1);
    EXPECT_NE(Slurp(dir / "stdout.txt").find("Fail to create folder"), std::string::npos);
}

} // namespace
