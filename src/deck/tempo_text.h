// A tempo as the BPM readout shows it.
#pragma once

#include <QString>

namespace luma {

// "000.000": at least three whole digits and three decimals, in the user's
// number format.
QString tempoText(double bpm);

}  // namespace luma
