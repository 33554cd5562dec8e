#include "bpm/fftw_planner.h"

namespace luma {

std::mutex& fftwPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace luma
