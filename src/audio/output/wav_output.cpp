#include "output/wav_output.h"

namespace luma {

bool WavOutput::open(int device, int /*requestedRate*/, RenderCallback* callback) {
    close();
    if (!clock_.open(device, kFileRate, callback)) return false;
    if (!recorder_.open(path_, kFileRate)) {
        clock_.close();
        return false;
    }
    return true;
}

void WavOutput::close() {
    clock_.close();  // the recorder gets no more periods after this
    recorder_.close();
}

}  // namespace luma
