#include "engine/batch_runner.h"

#include "engine/audio_processor.h"
#include "engine/mp3_encoder.h"
#include "engine/wav_reader.h"
#include "platform/tick.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::GetTickCount32;
using platform::LogError;
using platform::LogInfo;
using platform::TickDiff;

namespace
{
const std::string SeparatorLine(99, '-');

// The longest path the system accepts.
constexpr size_t MaxPathLength = 4095;
} // namespace

bool PathExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string MakeUniqueName(const std::string& path)
{
    // The extension is the last "." of the file name itself, never one in a folder name.
    const auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot != std::string::npos && slash != std::string::npos && dot < slash)
        dot = std::string::npos;
    const std::string stem = dot == std::string::npos ? path : path.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
    for (int n = 2;; ++n)
    {
        std::string candidate = FormatText("%s (%d)%s", stem.c_str(), n, ext.c_str());
        if (!PathExists(candidate))
            return candidate;
    }
}

bool CreateFolderTree(const std::string& path)
{
    if (path.empty() || path.size() > MaxPathLength)
        return false;
    std::string buffer = path;
    size_t cursor = buffer.size();
    for (;;)
    {
        const std::string current = buffer.substr(0, cursor);
        if (mkdir(current.c_str(), 0777) != 0)
        {
            if (errno == ENOENT)
            {
                // A parent is missing: step back one path element and create that first.
                const auto sep = current.rfind('/');
                if (sep == std::string::npos || sep == 0)
                    return false;
                cursor = sep;
                continue;
            }
            if (errno != EEXIST)
                return false;
        }
        if (cursor >= buffer.size())
            return true;
        // Move on to the end of the next path element.
        const auto next = buffer.find('/', cursor + 1);
        cursor = next == std::string::npos ? buffer.size() : next;
    }
}

void WaitOrStopStage(platform::CWorkerThread& thread, ConversionRunState& run, unsigned timeoutMs)
{
    if (!thread.IsCreated())
        return;
    // Only time the run is not paused counts: a task paused near its end would otherwise be
    // cut short while the user is away.
    constexpr unsigned slice = 50;
    unsigned waited = 0;
    while (!thread.Wait(slice))
    {
        if (!run.paused.load(std::memory_order_acquire))
            waited += slice;
        if (waited >= timeoutMs)
        {
            run.Stop();
            thread.Join();
            return;
        }
    }
}

bool RunTask(CConversionTask& task)
{
    ConversionRunState& run = ActiveConvProg->m_run;
    CurrentTask = &task;
    CConversionTask::Set(task.readerBusy, true);
    run.processorThread.Release();

    bool result = false;
    // Open check: the file must be readable now, before any stage starts.
    // Without blocking: a named pipe must not hang the run.
    const int fd = open(task.source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        PostLog(LogError, FormatText("File Error: %s", std::strerror(errno)));
        run.Stop();
        CConversionTask::Set(task.readerBusy, false);
        return false;
    }
    close(fd);

    try
    {
        if (task.needsProcessing)
        {
            task.encoderInput = ProcessedRing;
            if (!run.processorThread.Create([&task] { return ProcessTask(task); }))
                throw std::runtime_error("thread");
            run.processorThread.Resume();
        }
        else
        {
            task.encoderInput = DecodedRing;
            if (!run.encoderThread.Create([&task] { return EncodeTask(task); }))
                throw std::runtime_error("thread");
            run.encoderThread.Resume();
        }
        result = task.sourceType == FileTypeWav && ReadWav(task);
    }
    catch (...)
    {
        run.Stop();
        PostLog(LogError, FormatText("An error occurred while decoding %s", task.source.c_str()));
        result = false;
    }
    CConversionTask::Set(task.readerBusy, false);
    return result;
}

int RunBatch(CConvProgBase* prog, unsigned startDelayMs)
{
    ConversionRunState& run = prog->m_run;
    platform::IMessageSink& sink = prog->Sink();

    if (startDelayMs)
        platform::SleepMs(startDelayMs);
    sink.SetTimer(platform::IDT_CONV_REFIT, 1000);
    run.batchStartTick = GetTickCount32();
    run.taskIndex = 0;

    const int taskCount = static_cast<int>(run.tasks.size());
    while (run.taskIndex < taskCount && run.IsRunning())
    {
        PostLog(LogInfo, SeparatorLine);
        const uint32_t taskStart = GetTickCount32();
        sink.SetWindowTitle(FormatText("Converting %d/%d", run.taskIndex + 1, taskCount));
        CConversionTask task = run.tasks[static_cast<size_t>(run.taskIndex.load())];

        const std::string folder = FolderOf(task.destination);
        if (!folder.empty() && !PathExists(folder) && !CreateFolderTree(folder))
        {
            PostLog(LogError, FormatText("Fail to create folder %s !", folder.c_str()));
            run.Stop();
            break;
        }
        if (PathExists(task.destination))
            task.destination = MakeUniqueName(task.destination);

        sink.SetDlgItemText(platform::IDC_CONV_SOURCE, task.source);
        sink.SetDlgItemText(platform::IDC_CONV_DESTINATION, task.destination);
        PostLog(LogInfo, "Start a new converting task.");
        PostLog(LogInfo, FormatText("Source:  %s.", task.source.c_str()));
        PostLog(LogInfo, FormatText("Destination: %s.", task.destination.c_str()));

        run.currentDone = 0;
        run.currentSeconds = 0;
        run.taskStartTick = GetTickCount32();
        DecodedRing->Reset();
        ProcessedRing->Reset();

        if (!RunTask(task))
            run.Stop();
        if (task.needsProcessing)
            WaitOrStopStage(run.processorThread, run, StageWaitMs);
        WaitOrStopStage(run.encoderThread, run, StageWaitMs);
        // Both stage threads have ended: nothing refers to the task copy any more.
        run.processorThread.Release();
        run.encoderThread.Release();
        CurrentTask = nullptr;

        if (run.IsRunning())
        {
            const float elapsed =
                static_cast<float>(TickDiff(GetTickCount32(), taskStart) / 1000.0);
            PostLog(LogInfo, FormatText("Time elapsed %.2f secs, speed %.2fx.", elapsed,
                                        run.currentSeconds.load() / elapsed));
            PostLog(LogInfo, "Converting status: OK.");
        }
        else
        {
            PostLog(LogError, "Converting status: ERROR.");
        }
        ++run.taskIndex;
    }

    if (run.IsRunning())
    {
        if (taskCount > 1)
        {
            PostLog(LogInfo, SeparatorLine);
            const float total =
                static_cast<float>(TickDiff(GetTickCount32(), run.batchStartTick) / 1000.0);
            PostLog(LogInfo, FormatText("Total time elapsed %.2f secs, overall speed %.2fx.", total,
                                        run.overallSeconds.load() / total));
        }
        sink.PostMessage({platform::WM_CONV_DONE, {}, 0, 0.0f, 0.0f});
    }
    return 0;
}

bool StartRun(CConvProgBase& prog, unsigned startDelayMs)
{
    InitAudioProcessing();
    ActiveConvProg = &prog;
    prog.m_run.paused = false;
    prog.m_run.running = true;
    if (!prog.m_run.batchThread.Create([&prog, startDelayMs]
                                       { return RunBatch(&prog, startDelayMs); }))
    {
        prog.m_run.running = false;
        return false;
    }
    prog.m_run.batchThread.Resume();
    return true;
}
