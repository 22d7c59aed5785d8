// The main window.
#pragma once

#include <QMainWindow>

namespace pellix {

inline constexpr const char* kMainCaption = "Pellix v2.02";

class TEditorForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TEditorForm(QWidget* parent = nullptr);
};

} // namespace pellix
