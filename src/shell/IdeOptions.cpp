#include "shell/IdeOptions.h"

namespace pellix {

namespace {

struct Entry {
    const char* name;
    bool IdeOptions::*value;
};

constexpr Entry kEntries[] = {
    {setting::LineNumbers, &IdeOptions::lineNumbers},
    {setting::CurrentLine, &IdeOptions::currentLine},
    {setting::ModifiedMarks, &IdeOptions::modifiedMarks},
    {setting::EditorBreakpoints, &IdeOptions::editorBreakpoints},
    {setting::SourceLine, &IdeOptions::sourceLine},
    {setting::DebugKeys, &IdeOptions::debugKeys},
    {setting::HoverValues, &IdeOptions::hoverValues},
    {setting::HaltAction, &IdeOptions::haltAction},
    {setting::ProgramMessage, &IdeOptions::programMessage},
};

} // namespace

void IdeOptions::Load(SettingsRegistry& registry) {
    for (const Entry& e : kEntries) {
        int32_t v = 0;
        if (registry.ReadInteger(e.name, v)) this->*e.value = v != 0;
    }
}

void IdeOptions::Store(SettingsRegistry& registry) const {
    for (const Entry& e : kEntries)
        registry.WriteInteger(e.name, this->*e.value ? 1 : 0);
}

} // namespace pellix
