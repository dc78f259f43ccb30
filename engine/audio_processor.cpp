#include "engine/audio_processor.h"

#include "engine/mp3_encoder.h"
#include "platform/worker_thread.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

static_assert(sizeof(sox_sample_t) == sizeof(int), "libsox samples are the engine's samples");

namespace
{
const sox_effect_handler_t* InputHandler()
{
    static const sox_effect_handler_t handler = {"input", nullptr, SOX_EFF_MCHAN, nullptr,
                                                 nullptr, nullptr, InputDrain,    nullptr,
                                                 nullptr, 0};
    return &handler;
}

const sox_effect_handler_t* OutputHandler()
{
    static const sox_effect_handler_t handler = {"output", nullptr,    SOX_EFF_MCHAN, nullptr,
                                                 nullptr,  OutputFlow, nullptr,       nullptr,
                                                 nullptr,  0};
    return &handler;
}

// Adds one effect. An effect that libsox refuses (such as a lowpass above half the rate) is
// left out of the chain without a word, as are effects libsox does not know.
void AddEffect(sox_effects_chain_t* chain, const sox_effect_handler_t* handler, const char* option,
               sox_signalinfo_t* chainSignal, const sox_signalinfo_t* secondSignal,
               std::vector<std::string>* accepted)
{
    if (!handler)
        return;
    sox_effect_t* effect = sox_create_effect(handler);
    if (!effect)
        return;
    if (option)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%s", option);
        char* argv[] = {text};
        if (sox_effect_options(effect, 1, argv) != SOX_SUCCESS)
        {
            free(effect->priv);
            free(effect);
            return;
        }
    }
    const size_t before = chain->length;
    if (sox_add_effect(chain, effect, chainSignal, secondSignal) == SOX_SUCCESS)
    {
        // The chain keeps its own copy of the effect, private data included (or none at all
        // when the effect would change nothing).
        if (accepted && chain->length > before)
            accepted->push_back(handler->name);
        free(effect);
    }
    else
    {
        free(effect->priv);
        free(effect);
    }
}
} // namespace

void InitAudioProcessing()
{
    static std::once_flag once;
    std::call_once(once, [] { sox_init(); });
}

sox_effects_chain_t* BuildProcessingChain(const CConversionTask& task,
                                          std::vector<std::string>* accepted)
{
    InitAudioProcessing();

    sox_encodinginfo_t encoding{};
    encoding.encoding = SOX_ENCODING_SIGN2;
    encoding.bits_per_sample = 32;
    encoding.compression = 0;
    encoding.reverse_bytes = sox_option_no;
    encoding.reverse_nibbles = sox_option_no;
    encoding.reverse_bits = sox_option_no;
    encoding.opposite_endian = sox_false;

    sox_signalinfo_t chainSignal{};
    chainSignal.rate = static_cast<double>(task.sourceRate);
    chainSignal.channels = task.sourceChannels;
    chainSignal.precision = 32;
    chainSignal.length = SOX_UNKNOWN_LEN;
    chainSignal.mult = nullptr;
    // Never changed: the new channel count and rate come from the effects' option texts.
    const sox_signalinfo_t targetSignal = chainSignal;

    sox_effects_chain_t* chain = sox_create_effects_chain(&encoding, &encoding);
    if (!chain)
        return nullptr;

    char option[16];
    AddEffect(chain, InputHandler(), nullptr, &chainSignal, &chainSignal, accepted);
    if (task.destChannels != task.sourceChannels)
    {
        std::snprintf(option, sizeof option, "%d", static_cast<int>(task.destChannels));
        AddEffect(chain, sox_find_effect("channels"), option, &chainSignal, &targetSignal,
                  accepted);
    }
    if (task.destRate != task.sourceRate)
    {
        std::snprintf(option, sizeof option, "%d", static_cast<int>(task.destRate));
        AddEffect(chain, sox_find_effect("rate"), option, &chainSignal, &targetSignal, accepted);
    }
    AddEffect(chain, sox_find_effect("lowpass"), "7000", &chainSignal, &targetSignal, accepted);
    AddEffect(chain, sox_find_effect("highpass"), "100", &chainSignal, &targetSignal, accepted);
    AddEffect(chain, OutputHandler(), nullptr, &chainSignal, &targetSignal, accepted);
    return chain;
}

int ProcessTask(CConversionTask& task)
{
    ConversionRunState& run = ActiveConvProg->m_run;
    CConversionTask::Set(task.processorBusy, true);
    try
    {
        sox_effects_chain_t* chain = BuildProcessingChain(task);
        if (!chain)
            throw std::bad_alloc();
        // The encoder starts only once the chain stands; its handle is stored before it runs.
        if (run.encoderThread.Create([&task] { return EncodeTask(task); }))
            run.encoderThread.Resume();
        else
            run.Stop();
        sox_flow_effects(chain, nullptr, nullptr);
        sox_delete_effects_chain(chain);
    }
    catch (...)
    {
        run.Stop();
        PostLog(platform::LogError, "An error occurred while processing audio data");
    }
    CConversionTask::Set(task.processorBusy, false);
    return 0;
}

int InputDrain(sox_effect_t* effect, sox_sample_t* samples, size_t* count)
{
    ConversionRunState& run = ActiveConvProg->m_run;
    const size_t channels = effect->out_signal.channels ? effect->out_signal.channels : 1;
    size_t want = *count - *count % channels;
    while (run.IsRunning())
    {
        // The busy flag is read before the ring is measured, so samples written before the
        // reader finished are never missed.
        const bool readerBusy = CConversionTask::Get(CurrentTask->readerBusy);
        if (DecodedRing->Available() >= want || !readerBusy)
        {
            const uint32_t n = DecodedRing->Read(samples, static_cast<uint32_t>(want));
            *count = n;
            return n > 0 ? SOX_SUCCESS : SOX_EOF;
        }
        platform::SleepMs(1);
    }
    *count = 0;
    return SOX_EOF;
}

int OutputFlow(sox_effect_t*, const sox_sample_t* in, sox_sample_t*, size_t* inCount,
               size_t* outCount)
{
    ConversionRunState& run = ActiveConvProg->m_run;
    *outCount = 0;
    while (run.IsRunning())
    {
        if (ProcessedRing->FreeSpace() >= *inCount)
        {
            const uint32_t n = ProcessedRing->Write(in, static_cast<uint32_t>(*inCount));
            return n < *inCount ? SOX_EOF : SOX_SUCCESS;
        }
        platform::SleepMs(1);
    }
    return SOX_EOF;
}
