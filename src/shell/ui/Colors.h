// Stored colours (0x00BBGGRR or a system colour) as Qt colours.
#pragma once

#include <QColor>
#include <QPalette>

#include "shell/WorkingSettings.h"

namespace pellix {

QColor ToQColor(ColorRef c, const QPalette& palette);
ColorRef ToColorRef(const QColor& c);

} // namespace pellix
