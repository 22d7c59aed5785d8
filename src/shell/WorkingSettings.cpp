#include "shell/WorkingSettings.h"

#include <algorithm>

namespace pellix {

namespace {

void ReadBool(SettingsRegistry& r, const char* name, bool& b) {
    int32_t v = 0;
    if (r.ReadInteger(name, v)) b = v != 0;
}

void ReadColor(SettingsRegistry& r, const char* name, ColorRef& c) {
    int32_t v = 0;
    if (r.ReadInteger(name, v)) c = ColorRef(v);
}

// Font and tab sizes are kept in the low 16 bits; a hand-edited value outside the
// dialog's range would give an unreadable editor, so it is brought back into it.
void ReadSize(SettingsRegistry& r, const char* name, int& size, int lo, int hi, int step) {
    int32_t v = 0;
    if (!r.ReadInteger(name, v)) return;
    int n = int(int16_t(v & 0xFFFF));
    n = std::clamp(n, lo, hi);
    n -= (n - lo) % step;
    size = n;
}

} // namespace

std::array<std::string, 16> WorkingSettings::DefaultCustomColors() {
    std::array<std::string, 16> colors;
    for (int i = 0; i < 16; ++i)
        colors[i] = std::string("Color") + char('A' + i) + "=808080";
    return colors;
}

bool WorkingSettings::Load(SettingsRegistry& r, bool compilerMode) {
    std::string port;
    bool firstRun = !r.ReadString(setting::ComPort, port);
    if (!firstRun) comPort = port;
    int32_t irc = 0;
    if (r.ReadInteger(setting::IrcCalibration, irc)) ircCalibration = std::min(irc & 0xFF, 2);

    ReadBool(r, setting::CreateBackups, createBackups);
    ReadBool(r, setting::UseOrda, useOrda);
    if (compilerMode) useOrda = false;
    ReadBool(r, setting::UseNewEditor, useNewEditor);
    ReadSize(r, setting::Fontsize, fontSize, kMinFontSize, kMaxFontSize, 1);
    ReadSize(r, setting::Tabsize, tabSize, kMinTabSize, kMaxTabSize, 2);
    ReadBool(r, setting::ColoredCode, coloredCode);
    ReadColor(r, setting::CodeColor, codeColor);
    ReadBool(r, setting::BoldCode, boldCode);
    ReadBool(r, setting::ColoredComments, coloredComments);
    ReadColor(r, setting::CommentColor, commentColor);
    ReadColor(r, setting::ErrorBgColor, errorBgColor);
    ReadBool(r, setting::SaveFileBeforeAssembly, saveFileBeforeAssembly);
    ReadBool(r, setting::JumpToAssemblyError, jumpToAssemblyError);
    ReadBool(r, setting::RemoveIntermediateFiles, removeIntermediateFiles);
    ReadBool(r, setting::OrdaFilesToOutputDir, ordaFilesToOutputDir);
    ReadBool(r, setting::LocalLabelStartCol, localLabelStartCol);

    customColors = DefaultCustomColors();
    for (int i = 0; i < 16; ++i) {
        std::string value;
        std::string name = std::string(setting::CustomColorPrefix) + char('A' + i);
        if (r.ReadString(name, value)) customColors[i] = value;
    }
    r.ReadString(setting::LineTraceFile, lineTraceFile);
    return !firstRun;
}

void WorkingSettings::Store(SettingsRegistry& r) const {
    r.WriteString(setting::ComPort, comPort);
    r.WriteInteger(setting::IrcCalibration, ircCalibration);
    r.WriteInteger(setting::CreateBackups, createBackups);
    r.WriteInteger(setting::UseNewEditor, useNewEditor);
    r.WriteInteger(setting::Fontsize, fontSize);
    r.WriteInteger(setting::Tabsize, tabSize);
    r.WriteInteger(setting::ColoredCode, coloredCode);
    r.WriteInteger(setting::CodeColor, int32_t(codeColor));
    r.WriteInteger(setting::BoldCode, boldCode);
    r.WriteInteger(setting::ColoredComments, coloredComments);
    r.WriteInteger(setting::CommentColor, int32_t(commentColor));
    r.WriteInteger(setting::ErrorBgColor, int32_t(errorBgColor));
    r.WriteInteger(setting::UseOrda, useOrda);
    r.WriteInteger(setting::OrdaFilesToOutputDir, ordaFilesToOutputDir);
    r.WriteInteger(setting::LocalLabelStartCol, localLabelStartCol);
    r.WriteInteger(setting::SaveFileBeforeAssembly, saveFileBeforeAssembly);
    r.WriteInteger(setting::JumpToAssemblyError, jumpToAssemblyError);
    r.WriteInteger(setting::RemoveIntermediateFiles, removeIntermediateFiles);
    for (int i = 0; i < 16; ++i)
        r.WriteString(std::string(setting::CustomColorPrefix) + char('A' + i), customColors[i]);
    r.WriteString(setting::LineTraceFile, lineTraceFile);
}

} // namespace pellix
