// The small status displays: the engine's processor load as text, and the
// two marquees that scroll a long file name through the song information box.
#pragma once

#include <QLabel>
#include <QString>

namespace luma {

// The load as "3.5 %": one decimal, the user's decimal separator.
QString cpuText(float percent);

// The slow marquee (tmrScroll): 8 pixels left a tick; once the text has
// left the box completely it re-enters at the right edge.
void scrollFileName(QLabel& label);

// The steady marquee (tmrFilename): 2 pixels left a tick, only while the
// name is wider than `box`; past 20 label heights left of the box it
// re-enters at 5 box heights.
void creepFileName(QLabel& label, const QWidget& box);

}  // namespace luma
