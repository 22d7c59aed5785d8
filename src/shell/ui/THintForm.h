// The borderless hint window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QWidget>

namespace pellix {

class THintForm : public QWidget {
public:
    explicit THintForm(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("HintForm"));
        setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    }
};

} // namespace pellix
