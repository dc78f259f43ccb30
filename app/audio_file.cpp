#include "app/audio_file.h"

#include <cctype>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

const FileTypeTable& DefaultFileTypeTable()
{
    static const FileTypeTable table = {{"WAV", 1}};
    return table;
}

std::string UpperExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? name : name.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

uint8_t LookUpFileType(const FileTypeTable& table, const std::string& name)
{
    const auto it = table.find(UpperExtension(name));
    return it == table.end() ? 0 : it->second;
}

namespace
{
// Only a regular file that can be opened for reading is probed. Opening without blocking
// keeps a named pipe or device with a .wav name from hanging the loader.
bool IsReadableRegularFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    return regular;
}
} // namespace

ProbeResult ProbeAudioFile(const std::string& path, const std::string& name,
                           const FileTypeTable& table, AudioFileEntry& entry)
{
    entry.type = LookUpFileType(table, name);
    ProbeResult result = ProbeResult::Ok;
    if (!IsReadableRegularFile(path))
    {
        result = ProbeResult::Unreadable;
    }
    else if (entry.type != 1)
    {
        result = ProbeResult::NotWav;
    }
    else
    {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file)
        {
            result = ProbeResult::Refused;
        }
        else
        {
            entry.sampleRate = info.samplerate > 0 ? static_cast<uint32_t>(info.samplerate) : 0;
            entry.channels = info.channels > 0 ? static_cast<uint32_t>(info.channels) : 0;
            const uint64_t frames = info.frames > 0 ? static_cast<uint64_t>(info.frames) : 0;
            entry.totalSamples = frames * entry.channels;
            entry.durationSec =
                entry.sampleRate ? static_cast<double>(frames) / entry.sampleRate : 0.0;
            sf_close(file);
            if (entry.channels == 0 || entry.sampleRate == 0 || entry.totalSamples == 0)
                result = ProbeResult::Empty;
        }
    }
    entry.invalid = result == ProbeResult::Ok ? 0 : 1;
    return result;
}
