// The process-wide conversion settings and the tables that turn stored indexes into bit
// rates, sampling frequencies and channel counts. No file I/O here: see settings_store.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// The indexes below are stored in Config.ini and are the positions in the Options dialog's
// lists, so neither table may be reordered.
inline constexpr std::array<int, 17> BitRateTable = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                                     96, 112, 128, 160, 192, 224, 256, 320};
// Entry 0 stands for "automatic".
inline constexpr std::array<unsigned, 9> FrequencyTable = {0,     8000,  11025, 12000, 16000,
                                                           22050, 24000, 32000, 44100};

inline constexpr int16_t DefaultLameBits = 11;
inline constexpr int16_t DefaultLameChannel = 0;
inline constexpr int16_t DefaultFreq = 0;
inline constexpr int32_t DefaultFilter = 15;

struct AppSettingsRecord
{
    std::string DesDir;                       // output folder, normally ending in "/"
    int16_t LameBits = DefaultLameBits;       // index into BitRateTable
    int16_t LameChannel = DefaultLameChannel; // 0 automatic, 1 mono, 2 stereo
    int16_t Freq = DefaultFreq;               // index into FrequencyTable
    int32_t Filter = DefaultFilter;           // reserved; kept and written back unchanged

    // A hand-edited index outside its table reads the default entry, never past the table.
    int BitRateKbps() const;
    unsigned OutputFrequency(unsigned sourceRate) const;
    unsigned OutputChannels(unsigned sourceChannels) const;
    std::string SettingsSummaryText() const;
};

// The one record of the process. Changed only on the UI thread, and never during a run.
extern AppSettingsRecord AppSettings;

// The first table frequency at or above the source rate; 44100 above that.
unsigned PickAutoFrequency(unsigned sourceRate);
