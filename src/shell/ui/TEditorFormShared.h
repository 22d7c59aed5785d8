// The file-local helpers that more than one of TEditorForm's source files uses.
#pragma once

#include <cctype>
#include <string>

#include <QString>

#include "link/ui/Cursors.h"

namespace pellix::editor_form {

inline QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

inline std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

using pellix::BusyCursor;

} // namespace pellix::editor_form
