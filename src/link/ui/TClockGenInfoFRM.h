// The box shown after Run: the download went well and the key now clocks the chip. A tick
// in "Don't Show This Dialog Again" keeps it away; Okay makes that stick.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>

class QCheckBox;
class QLabel;

namespace pellix {

inline constexpr char kDownloadSuccessfulText[] = "Download Successful.\r";

class TClockGenInfoFRM : public QDialog {
    Q_OBJECT
public:
    // `dontShow`: what the settings hold for the check box.
    explicit TClockGenInfoFRM(bool dontShow = false, QWidget* parent = nullptr);

    // Modally, unless the box is ticked.
    void ShowInfo(uint32_t frequency);
    bool DontShow() const;
    const std::string& MessageText() const { return text_; }

    // Okay with the box ticked: the settings should remember it.
    std::function<void()> storeDontShow;

private:
    void OkayButtonClick();

    QLabel* message_ = nullptr;
    QCheckBox* dontShow_ = nullptr;
    std::string text_;
};

} // namespace pellix
