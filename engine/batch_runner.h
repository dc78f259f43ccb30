// The batch runner: walks a run's tasks on its own thread, prepares each destination, runs
// each task's pipeline and logs results and totals.
#pragma once

#include "engine/conversion_task.h"

#include <string>

// The pause that lets the progress window appear before the first log line.
inline constexpr unsigned DefaultBatchStartDelayMs = 500;
// How long the runner waits for a stage thread after the reading step.
inline constexpr unsigned StageWaitMs = 10000;

// The batch thread's body. The caller has set running to true. Returns 0.
int RunBatch(CConvProgBase* prog, unsigned startDelayMs = DefaultBatchStartDelayMs);

// Starts the pipeline of one task and performs its reading step on the calling thread.
bool RunTask(CConversionTask& task);

// Makes prog the active run, sets running and starts the batch thread (created suspended,
// handle stored, then resumed), as the progress window does when it opens.
bool StartRun(CConvProgBase& prog, unsigned startDelayMs = DefaultBatchStartDelayMs);

// True when a file, folder or link of that name exists.
bool PathExists(const std::string& path);
// The first "%s (%d)%s" variant (stem, n = 2, 3, ..., extension) of path that does not exist.
std::string MakeUniqueName(const std::string& path);
// Creates a folder and every missing parent; an existing folder is success.
bool CreateFolderTree(const std::string& path);
// The folder part of a path: up to, not including, its last "/" (empty without one).
std::string FolderOf(const std::string& path);

// Waits for a stage thread at most timeoutMs of unpaused time. A thread that is still running then
// is "ended by force": nothing is ever killed (that could leave the heap, an open file or the
// encoder library unusable); instead the run's running flag is cleared, which every stage loop
// polls within about a millisecond, and the thread is waited for again until it has ended.
void WaitOrStopStage(platform::CWorkerThread& thread, ConversionRunState& run, unsigned timeoutMs);
