#include "app/task_builder.h"

std::string DestinationPath(const std::string& desDir, const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return desDir + name + ".mp3";
    return desDir + name.substr(0, dot + 1) + "mp3";
}

CConversionTask BuildConversionTask(const std::string& folder, const std::string& name,
                                    const AudioFileEntry& entry, const AppSettingsRecord& settings)
{
    CConversionTask task;
    task.source = folder + name;
    task.destination = DestinationPath(settings.DesDir, name);
    task.sourceType = entry.type;
    task.sourceRate = entry.sampleRate;
    task.sourceChannels = entry.channels;
    task.destType = FileTypeMp3;
    task.needsProcessing = true;
    task.destChannels = settings.OutputChannels(task.sourceChannels);
    task.destRate = settings.OutputFrequency(task.sourceRate);
    task.rateRatio =
        ComputeRateRatio(task.destRate, task.destChannels, task.sourceRate, task.sourceChannels);
    task.destSamples = ComputeDestSamples(task.rateRatio, entry.totalSamples, task.destChannels);
    return task;
}

std::vector<CConversionTask> BuildConversionTasks(const std::vector<SourceRow>& rows,
                                                  const AppSettingsRecord& settings,
                                                  uint64_t& overallTotal)
{
    std::vector<CConversionTask> tasks;
    for (const auto& row : rows)
    {
        if (row.entry.invalid)
            continue;
        tasks.push_back(BuildConversionTask(row.folder, row.name, row.entry, settings));
        overallTotal += tasks.back().destSamples;
    }
    return tasks;
}
