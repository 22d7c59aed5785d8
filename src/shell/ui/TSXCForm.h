// The invisible container of the compiler-output loader. Created at start-up and kept for the whole
// run; it has no contents of its own yet.
#pragma once

#include <QWidget>

namespace pellix {

class TSXCForm : public QWidget {
public:
    explicit TSXCForm(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("SXCForm"));
    }
};

} // namespace pellix
