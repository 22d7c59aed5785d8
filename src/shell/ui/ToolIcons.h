// The toolbar's pictures, drawn rather than shipped as files.
#pragma once

#include <QIcon>

namespace pellix {

enum class ToolIcon { New, Open, Save, Assemble, Program, Run, Debug, DebugAgain, Device, Clock };

QIcon MakeToolIcon(ToolIcon which);

} // namespace pellix
