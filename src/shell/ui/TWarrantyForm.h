// The disclaimer the user accepts once before the program is used.
#pragma once

#include <QDialog>

namespace pellix {

class TWarrantyForm : public QDialog {
    Q_OBJECT
public:
    explicit TWarrantyForm(QWidget* parent = nullptr);

    static const char* DisclaimerText();
    // Shows it modally; true for "I Accept".
    bool Ask();
};

} // namespace pellix
