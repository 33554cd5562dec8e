#pragma once

#include <QFont>
#include <QString>

namespace luma {

// Family name of the captions' design face. Debian's fonts-wine ships Tahoma outside
// fontconfig, so it is registered with Qt on first use; without it Qt substitutes.
QString designFontFamily();

// The caption font the controls were designed with: Tahoma 9.75 pt bold.
QFont defaultCaptionFont();

}  // namespace luma
