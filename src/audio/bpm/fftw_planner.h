// FFTW's planner is not thread-safe, across all of its plans: every part of
// the engine that makes a plan takes this one lock (executing is safe).
#pragma once

#include <mutex>

namespace luma {

std::mutex& fftwPlannerMutex();

}  // namespace luma
