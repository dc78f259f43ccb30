// sonoria-batch: converts WAV files to MP3 with the same engine, settings and log as the
// program's progress window, without a window. Used by benchmarks, tests and scripts.
#include "app/audio_file.h"
#include "app/task_builder.h"
#include "engine/audio_processor.h"
#include "engine/batch_runner.h"
#include "platform/console_sink.h"
#include "settings/settings_store.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
constexpr int ExitFinished = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

CConvProgBase* g_pRun = nullptr;

void OnInterrupt(int)
{
    // Lock-free atomic store: safe in a signal handler. The stages see it within a
    // millisecond and close and tag the file they began.
    if (g_pRun)
        g_pRun->m_run.running.store(false);
}

int Usage(const char* message)
{
    if (message)
        std::fprintf(stderr, "sonoria-batch: %s\n", message);
    std::fprintf(stderr,
                 "usage: sonoria-batch --out DIR [--freq INDEX] [--channel INDEX] [--bits INDEX] "
                 "[--config FILE] FILE...\n"
                 "  --freq INDEX     0 automatic, 1..8: 8000 11025 12000 16000 22050 24000 "
                 "32000 44100 Hz\n"
                 "  --channel INDEX  0 automatic, 1 mono, 2 stereo\n"
                 "  --bits INDEX     0..16: 8 16 24 32 40 48 56 64 80 96 112 128 160 192 224 "
                 "256 320 kbps\n"
                 "  --config FILE    read settings from FILE instead of the user's Config.ini\n");
    return ExitUsage;
}

bool ParseIndex(const char* text, int highest, int16_t& value)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > highest)
        return false;
    value = static_cast<int16_t>(v);
    return true;
}

const char* ProbeFailureText(ProbeResult result)
{
    switch (result)
    {
    case ProbeResult::Unreadable:
        return "cannot be read";
    case ProbeResult::NotWav:
        return "is not a WAV file";
    case ProbeResult::Empty:
        return "holds no audio";
    default:
        return "cannot be converted";
    }
}
} // namespace

int main(int argc, char** argv)
{
    std::string outDir, configFile;
    bool haveConfig = false;
    int16_t freq = -1, channel = -1, bits = -1;
    std::vector<std::string> files;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h")
            return Usage(nullptr);
        if (arg == "--out" || arg == "--config" || arg == "--freq" || arg == "--channel" ||
            arg == "--bits")
        {
            if (!hasValue)
                return Usage(("missing value after " + arg).c_str());
            const char* value = argv[++i];
            if (arg == "--out")
                outDir = value;
            else if (arg == "--config")
                configFile = value, haveConfig = true;
            else if (arg == "--freq" && !ParseIndex(value, 8, freq))
                return Usage("--freq takes an index from 0 to 8");
            else if (arg == "--channel" && !ParseIndex(value, 2, channel))
                return Usage("--channel takes an index from 0 to 2");
            else if (arg == "--bits" && !ParseIndex(value, 16, bits))
                return Usage("--bits takes an index from 0 to 16");
        }
        else if (arg == "--")
        {
            files.insert(files.end(), argv + i + 1, argv + argc);
            break;
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            return Usage(("unknown option " + arg).c_str());
        }
        else
        {
            files.push_back(arg);
        }
    }
    if (outDir.empty())
        return Usage("--out DIR is required");
    if (files.empty())
        return Usage("no input files");

    // The user's settings as the program reads them; never written from here.
    AppSettingsRecord settings; // the file (or its absence) supplies every field, DesDir too
    if (!LoadSettingsFrom(haveConfig ? configFile : SettingsFilePath(), settings))
        return ExitFailed;
    if (freq >= 0)
        settings.Freq = freq;
    if (channel >= 0)
        settings.LameChannel = channel;
    if (bits >= 0)
        settings.LameBits = bits;
    std::error_code ec;
    settings.DesDir = std::filesystem::absolute(outDir, ec).lexically_normal().string();
    if (settings.DesDir.empty() || settings.DesDir.back() != '/')
        settings.DesDir += '/';
    AppSettings = settings;

    std::vector<SourceRow> rows;
    for (const auto& file : files)
    {
        const std::filesystem::path path = std::filesystem::absolute(file, ec).lexically_normal();
        SourceRow row;
        row.name = path.filename().string();
        row.folder = path.parent_path().string();
        if (row.folder.empty() || row.folder.back() != '/')
            row.folder += '/';
        const std::string full = row.folder + row.name;
        const ProbeResult result =
            ProbeAudioFile(full, row.name, DefaultFileTypeTable(), row.entry);
        if (result == ProbeResult::Refused)
            std::fprintf(stderr, "Error : could not open file : %s\n", full.c_str());
        else if (result != ProbeResult::Ok)
            std::fprintf(stderr, "%s %s; skipped\n", full.c_str(), ProbeFailureText(result));
        rows.push_back(std::move(row));
    }

    platform::CConsoleSink sink;
    CConvProgBase prog(sink);
    prog.m_run.tasks = BuildConversionTasks(rows, settings, prog.m_run.overallTotal);
    if (prog.m_run.tasks.empty())
    {
        std::fprintf(stderr, "sonoria-batch: no file could be converted\n");
        return ExitFailed;
    }
    // The destination folder is created here already; a failure shows in the run's log.
    const std::string outFolder = settings.DesDir.substr(0, settings.DesDir.size() - 1);
    if (!outFolder.empty() && !PathExists(outFolder))
        CreateFolderTree(outFolder);

    CreateEngineRings();
    InitAudioProcessing();
    g_pRun = &prog;
    struct sigaction action
    {
    };
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    // No window to wait for, so no start delay.
    if (!StartRun(prog, 0))
        return ExitFailed;
    prog.m_run.batchThread.Join();
    prog.m_run.running = false;
    g_pRun = nullptr;
    DestroyEngineRings();
    return sink.Finished() ? ExitFinished : ExitFailed;
}
