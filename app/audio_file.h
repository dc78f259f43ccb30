// What the file list knows of one source file, and the probe that learns it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct AudioFileEntry
{
    int32_t invalid = 0; // nonzero: cannot be converted, the convert commands skip it
    uint8_t type = 0;    // FileTypeTable code; 1 = WAV
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint64_t totalSamples = 0; // frames x channels
    double sizeMB = 0;
    double durationSec = 0;
};

// Upper-case extension (without the dot) to a file type code; absent extensions give 0.
using FileTypeTable = std::map<std::string, uint8_t>;
// The table the program uses: "WAV" -> 1.
const FileTypeTable& DefaultFileTypeTable();

// The text after the last "." of a file name (the whole name without one), in upper case.
std::string UpperExtension(const std::string& name);
uint8_t LookUpFileType(const FileTypeTable& table, const std::string& name);

enum class ProbeResult
{
    Ok,
    Unreadable, // cannot be opened (missing, no permission, not a regular file)
    NotWav,     // the extension is not a type that is read
    Refused,    // libsndfile cannot read it: the user is told
    Empty,      // no channels, no rate or no samples
};

// Fills the entry's type and audio fields from the file at path (a UTF-8 path; name is the
// file name whose extension gives the type) and sets invalid unless the result is Ok.
ProbeResult ProbeAudioFile(const std::string& path, const std::string& name,
                           const FileTypeTable& table, AudioFileEntry& entry);

// Bytes to megabytes (2^20).
inline double BytesToMB(uint64_t bytes)
{
    return static_cast<double>(bytes) / 1048576.0;
}
