// The invisible container of compiler-output mode. Created at start-up and kept for the
// whole run; it holds the loader that turns a compiler's .COD and .LST files into the
// shared record, and is never shown.
#pragma once

#include <QWidget>

#include "shell/SXCUnit.h"

namespace pellix {

class TSXCForm : public QWidget {
public:
    TSXCForm(AssemblyRecord& record, Prompter& prompter, QWidget* parent = nullptr)
        : QWidget(parent), loader_(record, prompter) {
        setObjectName(QStringLiteral("SXCForm"));
    }

    // Loads base + ".cod" and base + ".lst"; false when the load ended with a message.
    bool SXCLoad(const std::string& base) { return loader_.SXCLoad(base); }

private:
    SXCLoader loader_;
};

} // namespace pellix
