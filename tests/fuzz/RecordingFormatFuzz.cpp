// A recording as the upload preparation reads it: header, duration, silence trimming and time
// compression (with the time-pitch stand-in; SoundTouch itself is not ours to fuzz).
#include "FuzzCommon.h"
#include "core/AppPrefs.h"
#include "core/RecordingFormat.h"
#include "platform/fake/FakeTimePitch.h"
#include "platform/fake/MemoryDefaults.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quietQt();
    static MemoryDefaults defaults;  // the trimming reads its tuning from the settings
    AppPrefs::setDefaults(&defaults);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray wav = fuzzBytes(data, size);
    FakeTimePitch timePitch;
    (void)RecordingFormat::durationSeconds(wav);
    const QByteArray pcm = RecordingFormat::pcmOf(wav);
    (void)RecordingFormat::trimSilence(pcm);
    (void)RecordingFormat::prepareForCloud(wav, timePitch);
    (void)RecordingFormat::prepareForCloud(RecordingFormat::makeWAV(pcm), timePitch);
    return 0;
}
