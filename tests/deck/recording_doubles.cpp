#include "recording_doubles.h"

#include <algorithm>

namespace luma::test {

namespace {
QString args(std::initializer_list<long long> values) {
    QStringList parts;
    for (long long v : values) parts << QString::number(v);
    return "(" + parts.join(',') + ")";
}
}  // namespace

uint32_t RecordingAudio::BASS_GetVersion() {
    calls << "BASS_GetVersion";
    return version;
}
const char* RecordingAudio::BASS_GetDeviceDescription(uint32_t device) {
    calls << "BASS_GetDeviceDescription" + args({device});
    return device < devices.size() ? devices[device].c_str() : nullptr;
}
int32_t RecordingAudio::BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void*) {
    calls << "BASS_Init" + args({device, freq, flags});
    return initResult;
}
int32_t RecordingAudio::BASS_Start() {
    calls << "BASS_Start";
    return 1;
}
int32_t RecordingAudio::BASS_Stop() {
    calls << "BASS_Stop";
    return 1;
}
void RecordingAudio::BASS_Free() {
    calls << "BASS_Free";
}
int32_t RecordingAudio::BASS_GetInfo(uint32_t* info14) {
    calls << "BASS_GetInfo" + args({info14[0]});
    info14[10] = soundSystemVersion;
    return 1;
}
int32_t RecordingAudio::BASS_SetBufferLength(float seconds) {
    calls << "BASS_SetBufferLength(" + QString::number(seconds) + ")";
    return 1;
}
int32_t RecordingAudio::BASS_SetGlobalVolumes(int32_t music, int32_t sample, int32_t stream) {
    calls << "BASS_SetGlobalVolumes" + args({music, sample, stream});
    return 1;
}
float RecordingAudio::BASS_GetCPU() {
    return 0.0f;
}
uint32_t RecordingAudio::BASS_StreamCreateFile(int32_t, const char* file, uint32_t, uint32_t,
                                               uint32_t flags) {
    calls << "BASS_StreamCreateFile(" + QString(file) + "," + QString::number(flags, 16) + ")";
    return (flags & 0x200000) ? decodeStreamHandle : streamHandle;
}
uint32_t RecordingAudio::BASS_MusicLoad(int32_t, const char* file, uint32_t, uint32_t,
                                        uint32_t flags) {
    calls << "BASS_MusicLoad(" + QString(file) + "," + QString::number(flags, 16) + ")";
    return (flags & 0x200000) ? decodeModuleHandle : moduleHandle;
}
int32_t RecordingAudio::BASS_StreamFree(uint32_t handle) {
    calls << "BASS_StreamFree" + args({handle});
    return 0;
}
int32_t RecordingAudio::BASS_MusicFree(uint32_t handle) {
    calls << "BASS_MusicFree" + args({handle});
    return 0;
}
uint64_t RecordingAudio::BASS_StreamGetLength(uint32_t handle) {
    calls << "BASS_StreamGetLength" + args({handle});
    return handle ? length : UINT64_MAX;
}
int32_t RecordingAudio::BASS_StreamPreBuf(uint32_t handle) {
    calls << "BASS_StreamPreBuf" + args({handle});
    return 0;
}
int32_t RecordingAudio::BASS_StreamPlay(uint32_t handle, int32_t flush, uint32_t flags) {
    calls << "BASS_StreamPlay" + args({handle, flush, flags});
    return 0;
}
int32_t RecordingAudio::BASS_ChannelStop(uint32_t handle) {
    calls << "BASS_ChannelStop" + args({handle});
    return 0;
}
uint64_t RecordingAudio::BASS_ChannelGetPosition(uint32_t handle) {
    return handle ? position : UINT64_MAX;
}
int32_t RecordingAudio::BASS_ChannelSetPosition(uint32_t handle, uint64_t pos) {
    calls << "BASS_ChannelSetPosition" + args({handle, static_cast<long long>(pos)});
    return 0;
}
float RecordingAudio::BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) {
    if (handle == 0 || rate == 0) return -1.0f;
    return static_cast<float>(static_cast<double>(pos) / (4.0 * rate));
}
int32_t RecordingAudio::BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t*,
                                                  int32_t*) {
    calls << "BASS_ChannelGetAttributes" + args({handle});
    if (handle == 0) return 0;
    if (freq) *freq = rate;
    return 1;
}
int32_t RecordingAudio::BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume,
                                                    int32_t pan, uint32_t ms) {
    calls << "BASS_ChannelSlideAttributes" + args({handle, freq, volume, pan, ms});
    return 0;
}
uint32_t RecordingAudio::BASS_ChannelGetLevel(uint32_t) {
    return UINT32_MAX;
}
uint32_t RecordingAudio::BASS_ChannelGetData(uint32_t, void*, uint32_t) {
    return UINT32_MAX;
}
uint32_t RecordingAudio::BASS_ChannelSetFX(uint32_t handle, uint32_t type) {
    calls << "BASS_ChannelSetFX" + args({handle, type});
    return handle ? nextFx_++ : 0;
}
int32_t RecordingAudio::BASS_FXSetParameters(uint32_t fx, const void* params) {
    const auto* values = static_cast<const float*>(params);
    calls << "BASS_FXSetParameters(" + QString::number(fx, 16) + "," + QString::number(values[0]) +
                 "," + QString::number(values[1]) + "," + QString::number(values[2]) + ")";
    if (fx == 0) return 0;
    fxParameters[fx] = {values[0], values[1], values[2]};
    return 1;
}
int32_t RecordingAudio::BASS_FXGetParameters(uint32_t fx, void* params) {
    calls << "BASS_FXGetParameters(" + QString::number(fx, 16) + ")";
    const auto found = fxParameters.find(fx);
    if (found == fxParameters.end()) return 0;
    std::copy(found->second.begin(), found->second.end(), static_cast<float*>(params));
    return 1;
}
float RecordingAudio::BASS_FX_BPM_DecodeGet(uint32_t handle, float startSec, float endSec,
                                            uint32_t minMaxBPM, uint32_t flags,
                                            BpmProgress progress) {
    calls << "BASS_FX_BPM_DecodeGet(" + QString::number(handle) + "," + QString::number(startSec) +
                 "," + QString::number(endSec) + "," + QString::number(minMaxBPM) + "," +
                 QString::number(flags) + ")";
    for (float percent : progressReports) {
        progress(handle, percent);
        if (duringProgress) duringProgress();
    }
    return -100.0f * percents2Bpm;
}
float RecordingAudio::BASS_FX_BPM_Percents2BPM(uint32_t handle, float percents) {
    calls << "BASS_FX_BPM_Percents2BPM(" + QString::number(handle) + "," +
                 QString::number(percents) + ")";
    return percents2Bpm;
}
float RecordingAudio::BASS_FX_TempoGetApproxPercents(uint32_t tempoStream) {
    calls << "BASS_FX_TempoGetApproxPercents" + args({tempoStream});
    return approxPercents;
}
int32_t RecordingAudio::BASS_FX_BPM_Free(uint32_t handle) {
    calls << "BASS_FX_BPM_Free" + args({handle});
    return handle != 0;
}
int32_t RecordingAudio::BASS_FX_TempoFree(uint32_t handle) {
    calls << "BASS_FX_TempoFree" + args({handle});
    return 0;
}
int32_t RecordingAudio::LUMA_ChannelSetLoop(uint32_t handle, int32_t startBytes, int32_t endBytes,
                                            int32_t on) {
    calls << "LUMA_ChannelSetLoop" + args({handle, startBytes, endBytes, on});
    return handle != 0;
}

}  // namespace luma::test
