// What the debugger's windows share: the objects they work on, their colours and fonts,
// and the placement helpers.
#pragma once

#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPalette>
#include <QWidget>

#include "debugger/DebugUnit.h"
#include "debugger/RegisterUnit.h"
#include "link/DebugControl.h"
#include "link/SilentAbort.h"
#include "platform/Prompter.h"
#include "platform/SettingsRegistry.h"

namespace pellix {

struct DebugViewContext {
    DebugControl& control;
    SettingsRegistry& registry;
    Prompter& prompter;
};

struct ColorPair {
    QColor text;
    QColor background;
};

// The light 3-D colour of the platform's theme (name columns, strip addresses, the other
// banks).
QColor LightFaceColor(const QPalette& palette);
QColor MaroonColor();
ColorPair CellColors(CellColor color, const QPalette& palette);

// The debugger views' font at start: "Courier New", 9 points, or a monospace font of the
// same metrics where it is missing.
QFont DefaultViewFont();
// Two thirds of the size plus one point, for bit numbers and labels.
QFont SmallViewFont(const QFont& font);

// The frame the window manager draws around `w` (title bar and borders): its own once it
// is known, else that of `reference` or of another shown window it has framed, else none.
QMargins FrameMargins(const QWidget& w, const QWidget* reference = nullptr);
// Puts `w`'s frame (`frame` around it) at the top-left of `r`; with `resize` the frame
// also takes r's size.
void PlaceFrame(QWidget& w, const PlacedRect& r, bool resize, const QMargins& frame);

// The narrowest client width at which a window manager's title bar still shows `caption`
// beside its icon and buttons.
int MinimumWidthForCaption(const QString& caption);

// The window's placement under `name`, through the settings.
void RestorePlacement(SettingsRegistry& registry, const char* name, QWidget& window);
void SavePlacement(SettingsRegistry& registry, const char* name, QWidget& window);

// Runs a handler: the abort that ends a failed link operation stops here (its message was
// shown already).
template <class F>
void Guarded(F&& body) {
    try {
        body();
    } catch (const SilentAbort&) {
    }
}

} // namespace pellix
