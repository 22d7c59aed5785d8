// The Pins window "Pins" (ours): every pin of the virtual key's chip, grouped by port, with
// its direction, an LED for its level, what is driven into it and the port's pull-up,
// Schmitt and TTL settings. A click on an input drives it high, low, floating in turn (or
// pulses it); a right click offers each level and the pulse. Pins that moved since the last
// look (the chip runs freely) are marked. It follows the debug window as a lab view.
#pragma once

#include <QWidget>

#include "debugger/PinsUnit.h"
#include "debugger/ui/LabView.h"

class QDoubleSpinBox;
class QLabel;
class QMenu;

namespace pellix {

class PinsView;

class PinsForm : public QWidget, public LabView {
    Q_OBJECT
public:
    explicit PinsForm(QWidget* parent = nullptr);
    ~PinsForm() override;

    // LabView
    void LabChipChanged(VirtualChip* chip) override;
    void LabRefresh() override;

    PinsModel& Model() { return model_; }
    // Where the pin's cell is, in the view's coordinates (an empty rect for none).
    QRect CellRect(const LabPin& pin) const;
    QWidget* View() const;
    // The menu a right click on the pin opens (built, not shown), for tests and the view.
    QMenu* PinMenu(const LabPin& pin);
    // Repaints done so far (a refresh that changed nothing paints nothing).
    int Repaints() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Changed();

    PinsModel model_;
    PinsView* view_ = nullptr;
    QLabel* placeholder_ = nullptr;
    QLabel* hint_ = nullptr;
    QDoubleSpinBox* pulseWidth_ = nullptr;
    QMenu* menu_ = nullptr;
};

} // namespace pellix
