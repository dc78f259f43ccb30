// Turns file list rows into conversion tasks, as the convert commands do.
#pragma once

#include "app/audio_file.h"
#include "engine/conversion_task.h"
#include "settings/app_settings.h"

#include <string>
#include <vector>

// The output folder followed by the source name up to and including its last ".", then
// "mp3". A name without a "." gets ".mp3" appended.
std::string DestinationPath(const std::string& desDir, const std::string& name);

// One task for a valid row: source = folder + name (folder ends with "/").
CConversionTask BuildConversionTask(const std::string& folder, const std::string& name,
                                    const AudioFileEntry& entry, const AppSettingsRecord& settings);

struct SourceRow
{
    std::string folder; // ends with "/"
    std::string name;
    AudioFileEntry entry;
};

// Tasks for the valid rows in list order; adds their destSamples to overallTotal.
std::vector<CConversionTask> BuildConversionTasks(const std::vector<SourceRow>& rows,
                                                  const AppSettingsRecord& settings,
                                                  uint64_t& overallTotal);
