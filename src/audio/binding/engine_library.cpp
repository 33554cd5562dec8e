#include "binding/engine_library.h"

#include <dlfcn.h>

#include <utility>

namespace luma {

namespace {

// Every engine call, resolved once by name and called through its pointer.
class LoadedEngine final : public AudioLibrary {
  public:
    explicit LoadedEngine(void* handle) : handle_(handle) {}
    ~LoadedEngine() override { dlclose(handle_); }

    bool resolveAll(std::string* missing) {
        bool ok = true;
        auto resolve = [&](auto& pointer, const char* name) {
            pointer =
                reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(dlsym(handle_, name));
            if (!pointer && ok) {
                ok = false;
                if (missing) *missing = name;
            }
        };
#define LUMA_RESOLVE(name) resolve(name##_, #name);
        LUMA_DECK_CALLS(LUMA_RESOLVE)
#undef LUMA_RESOLVE
        return ok;
    }

    uint32_t BASS_GetVersion() override {
        return BASS_GetVersion_();
    }
    const char* BASS_GetDeviceDescription(uint32_t d) override {
        return BASS_GetDeviceDescription_(d);
    }
    void LUMA_SetOutputOptions(const char* name, uint32_t latencyMs) override {
        LUMA_SetOutputOptions_(name, latencyMs);
    }
    int32_t BASS_Init(int32_t d, uint32_t f, uint32_t fl, void* w) override {
        return BASS_Init_(d, f, fl, w);
    }
    int32_t BASS_Start() override {
        return BASS_Start_();
    }
    int32_t BASS_Stop() override {
        return BASS_Stop_();
    }
    void BASS_Free() override {
        BASS_Free_();
    }
    int32_t BASS_GetInfo(uint32_t* i) override {
        return BASS_GetInfo_(i);
    }
    int32_t BASS_SetBufferLength(float s) override {
        return BASS_SetBufferLength_(s);
    }
    int32_t BASS_SetGlobalVolumes(int32_t m, int32_t s, int32_t st) override {
        return BASS_SetGlobalVolumes_(m, s, st);
    }
    float BASS_GetCPU() override {
        return BASS_GetCPU_();
    }
    uint32_t BASS_StreamCreateFile(int32_t m, const char* f, uint32_t o, uint32_t l,
                                   uint32_t fl) override {
        return BASS_StreamCreateFile_(m, f, o, l, fl);
    }
    uint32_t BASS_MusicLoad(int32_t m, const char* f, uint32_t o, uint32_t l,
                            uint32_t fl) override {
        return BASS_MusicLoad_(m, f, o, l, fl);
    }
    int32_t BASS_StreamFree(uint32_t h) override {
        return BASS_StreamFree_(h);
    }
    int32_t BASS_MusicFree(uint32_t h) override {
        return BASS_MusicFree_(h);
    }
    uint64_t BASS_StreamGetLength(uint32_t h) override {
        return BASS_StreamGetLength_(h);
    }
    int32_t BASS_StreamPreBuf(uint32_t h) override {
        return BASS_StreamPreBuf_(h);
    }
    int32_t BASS_StreamPlay(uint32_t h, int32_t f, uint32_t fl) override {
        return BASS_StreamPlay_(h, f, fl);
    }
    int32_t BASS_ChannelStop(uint32_t h) override {
        return BASS_ChannelStop_(h);
    }
    uint64_t BASS_ChannelGetPosition(uint32_t h) override {
        return BASS_ChannelGetPosition_(h);
    }
    int32_t BASS_ChannelSetPosition(uint32_t h, uint64_t p) override {
        return BASS_ChannelSetPosition_(h, p);
    }
    float BASS_ChannelBytes2Seconds(uint32_t h, uint64_t p) override {
        return BASS_ChannelBytes2Seconds_(h, p);
    }
    int32_t BASS_ChannelGetAttributes(uint32_t h, uint32_t* f, uint32_t* v, int32_t* p) override {
        return BASS_ChannelGetAttributes_(h, f, v, p);
    }
    int32_t BASS_ChannelSlideAttributes(uint32_t h, int32_t f, int32_t v, int32_t p,
                                        uint32_t ms) override {
        return BASS_ChannelSlideAttributes_(h, f, v, p, ms);
    }
    uint32_t BASS_ChannelGetLevel(uint32_t h) override {
        return BASS_ChannelGetLevel_(h);
    }
    uint32_t BASS_ChannelGetData(uint32_t h, void* b, uint32_t l) override {
        return BASS_ChannelGetData_(h, b, l);
    }
    uint32_t BASS_ChannelSetFX(uint32_t h, uint32_t t) override {
        return BASS_ChannelSetFX_(h, t);
    }
    int32_t BASS_FXSetParameters(uint32_t fx, const void* p) override {
        return BASS_FXSetParameters_(fx, p);
    }
    int32_t BASS_FXGetParameters(uint32_t fx, void* p) override {
        return BASS_FXGetParameters_(fx, p);
    }
    float BASS_FX_BPM_DecodeGet(uint32_t h, float s, float e, uint32_t mm, uint32_t fl,
                                BpmProgress p) override {
        return BASS_FX_BPM_DecodeGet_(h, s, e, mm, fl, p);
    }
    float BASS_FX_BPM_Percents2BPM(uint32_t h, float p) override {
        return BASS_FX_BPM_Percents2BPM_(h, p);
    }
    float BASS_FX_TempoGetApproxPercents(uint32_t t) override {
        return BASS_FX_TempoGetApproxPercents_(t);
    }
    int32_t BASS_FX_BPM_Free(uint32_t h) override {
        return BASS_FX_BPM_Free_(h);
    }
    int32_t BASS_FX_TempoFree(uint32_t h) override {
        return BASS_FX_TempoFree_(h);
    }
    int32_t LUMA_ChannelSetLoop(uint32_t h, int32_t s, int32_t e, int32_t on) override {
        return LUMA_ChannelSetLoop_(h, s, e, on);
    }
    int32_t LUMA_ChannelGetBeatGrid(uint32_t h, double* b, double* f, float* c) override {
        return LUMA_ChannelGetBeatGrid_(h, b, f, c);
    }
    int32_t LUMA_SetLoudnessTarget(float lufs) override {
        return LUMA_SetLoudnessTarget_(lufs);
    }
    int32_t LUMA_ChannelGetLoudness(uint32_t h, float* l, float* p, float* g) override {
        return LUMA_ChannelGetLoudness_(h, l, p, g);
    }
    int32_t LUMA_ChannelSetSync(uint32_t h, int32_t on) override {
        return LUMA_ChannelSetSync_(h, on);
    }
    int32_t LUMA_ChannelGetSync(uint32_t h, double* b, uint32_t* p) override {
        return LUMA_ChannelGetSync_(h, b, p);
    }
    int32_t LUMA_ChannelSetSyncTempo(uint32_t h, double b) override {
        return LUMA_ChannelSetSyncTempo_(h, b);
    }
    void LUMA_SetSyncLatency(int32_t ms) override {
        LUMA_SetSyncLatency_(ms);
    }
    int32_t LUMA_ChannelSetKeyLock(uint32_t h, int32_t on) override {
        return LUMA_ChannelSetKeyLock_(h, on);
    }
    int32_t LUMA_ChannelGetKeyLock(uint32_t h) override {
        return LUMA_ChannelGetKeyLock_(h);
    }

  private:
    void* handle_;
#define LUMA_POINTER(name) decltype(&::name) name##_ = nullptr;
    LUMA_DECK_CALLS(LUMA_POINTER)
#undef LUMA_POINTER
};

}  // namespace

std::unique_ptr<AudioLibrary> loadEngineLibrary(const std::string& path, std::string* error) {
    // Never unmapped again: the engine and the libraries it brings keep
    // process-wide state (decoder tables, the audio system) for the
    // process's life, as a deck loads its engine once.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        if (error) *error = dlerror();
        return nullptr;
    }
    auto engine = std::make_unique<LoadedEngine>(handle);
    std::string missing;
    if (!engine->resolveAll(&missing)) {
        if (error) *error = path + " has no " + missing;
        return nullptr;
    }
    return engine;
}

}  // namespace luma
