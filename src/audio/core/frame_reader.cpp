#include "core/frame_reader.h"

#include <algorithm>
#include <type_traits>
#include <vector>

namespace luma {

template <typename Sample>
int64_t readFrames(Decoder& decoder, Sample* out, int64_t frames, bool downmix) {
    int64_t done = 0;
    if (!downmix) {
        const int channels = decoder.info().channels;
        while (done < frames) {
            const int64_t got = decoder.read(out + done * channels, frames - done);
            if (got <= 0) break;
            done += got;
        }
        return done;
    }
    std::vector<Sample> stereo(static_cast<size_t>(std::min<int64_t>(frames, 4096)) * 2);
    while (done < frames) {
        const int64_t want =
            std::min<int64_t>(frames - done, static_cast<int64_t>(stereo.size() / 2));
        const int64_t got = decoder.read(stereo.data(), want);
        if (got <= 0) break;
        for (int64_t i = 0; i < got; ++i) {
            if constexpr (std::is_same_v<Sample, int16_t>) {
                out[done + i] =
                    static_cast<int16_t>((int32_t{stereo[2 * i]} + stereo[2 * i + 1]) / 2);
            } else {
                out[done + i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
            }
        }
        done += got;
    }
    return done;
}

template int64_t readFrames<int16_t>(Decoder&, int16_t*, int64_t, bool);
template int64_t readFrames<float>(Decoder&, float*, int64_t, bool);

}  // namespace luma
