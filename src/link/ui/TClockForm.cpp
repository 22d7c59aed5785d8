#include "link/ui/TClockForm.h"

#include <QCheckBox>
#include <QDebug>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "link/ClockUnit.h"
#include "link/SilentAbort.h"
#include "link/ui/ProcessPriority.h"

namespace pellix {

TClockForm::TClockForm(KeyLink& link, AssemblyRecord& record, QWidget* parent)
    : QDialog(parent), link_(link), protocol_(link), record_(record) {
    setObjectName(QStringLiteral("ClockForm"));
    setWindowTitle(QStringLiteral("Clock"));
    raisePriority = [] { RaiseProcessPriority(); };

    auto* grid = new QGridLayout(this);
    auto* freqLabel = new QLabel(QStringLiteral("Freq (MHz)"));
    freqLabel->setObjectName(QStringLiteral("FreqLabel"));
    edit_ = new QLineEdit;
    edit_->setObjectName(QStringLiteral("Edit"));
    edit_->setToolTip(QStringLiteral("Set the clock frequency"));
    edit_->setMaxLength(kClockEditLength);
    edit_->setAlignment(Qt::AlignRight);
    edit_->setFixedWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("0000.0000")) + 12);
    edit_->installEventFilter(this);
    freqLabel->setBuddy(edit_);

    on_ = new QCheckBox(QStringLiteral("&On"));
    on_->setObjectName(QStringLiteral("CheckBox"));
    on_->setToolTip(QStringLiteral("Enable the clock output"));
    reset_ = new QPushButton(QStringLiteral("&Reset"));
    reset_->setObjectName(QStringLiteral("ResetButton"));
    reset_->setToolTip(QStringLiteral("Reset the SX"));
    reset_->setAutoDefault(false);
    okay_ = new QPushButton(QStringLiteral("O&kay"));
    okay_->setObjectName(QStringLiteral("OkayButton"));
    okay_->setToolTip(QStringLiteral("Hide the clock window"));
    okay_->setAutoDefault(false);

    // Position 0 is the top of the range: 110 MHz above, 400 kHz below.
    slider_ = new QSlider(Qt::Vertical);
    slider_->setObjectName(QStringLiteral("TrackBar"));
    slider_->setToolTip(QStringLiteral("Adjust the clock frequency"));
    slider_->setRange(0, kSliderMax);
    slider_->setPageStep(kClockSliderPage);
    slider_->setInvertedAppearance(true);
    slider_->setInvertedControls(true);
    slider_->setTickPosition(QSlider::TicksRight);
    slider_->setTickInterval(kSliderMax / 10);
    slider_->setMinimumHeight(180);
    auto* top = new QLabel(QStringLiteral("110 MHz"));
    top->setObjectName(QStringLiteral("MaxLabel"));
    auto* bottom = new QLabel(QStringLiteral("400 KHz"));
    bottom->setObjectName(QStringLiteral("MinLabel"));

    grid->addWidget(freqLabel, 0, 0);
    grid->addWidget(edit_, 1, 0);
    grid->addWidget(on_, 2, 0);
    grid->setRowStretch(3, 1);
    grid->addWidget(reset_, 4, 0);
    grid->addWidget(okay_, 5, 0);
    grid->addWidget(top, 0, 1, Qt::AlignHCenter);
    grid->addWidget(slider_, 1, 1, 5, 1, Qt::AlignHCenter);
    grid->addWidget(bottom, 6, 1, Qt::AlignHCenter);
    grid->setColumnMinimumWidth(1, 70);
    grid->setHorizontalSpacing(16);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer"));
    timer_->setInterval(kClockTimerInterval);

    connect(slider_, &QSlider::valueChanged, this, &TClockForm::TrackBarChange);
    connect(on_, &QCheckBox::clicked, this, &TClockForm::CheckBoxClick);
    connect(reset_, &QPushButton::clicked, this, &TClockForm::ResetButtonClick);
    connect(okay_, &QPushButton::clicked, this, &TClockForm::OkayButtonClick);
    connect(timer_, &QTimer::timeout, this, &TClockForm::TimerTick);

    setFixedSize(sizeHint());
}

void TClockForm::Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const SilentAbort&) {
        // The link error has been shown and the port closed; the next tick closes the window.
    } catch (const std::exception& e) {
        qWarning("clock window: %s", e.what());
    }
}

void TClockForm::SetStatus(const std::string& text) {
    if (showStatus) showStatus(text);
}

void TClockForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TClockForm::hideEvent(QHideEvent* event) {
    FormHide();
    QDialog::hideEvent(event);
}

void TClockForm::FormShow() {
    Guarded([this] {
        edit_->setFocus();
        on_->setChecked(true);
        timer_->start();
        if (raisePriority) raisePriority();
        formFrequency_ = record_.debug.frequency;
        // So that the first apply sees a change and sends the clock word.
        record_.debug.frequency = 0;
        ApplyFrequency(formFrequency_, false);
    });
}

void TClockForm::FormHide() {
    Guarded([this] {
        timer_->stop();
        if (link_.PortOpen()) link_.ReleaseKey();
    });
}

void TClockForm::Apply(uint64_t frequency, bool force) {
    Guarded([&] { ApplyFrequency(frequency, force); });
}

void TClockForm::ApplyFrequency(uint64_t frequency, bool force) {
    uint32_t f = ClampFrequency(frequency);
    formFrequency_ = f;
    edit_->setText(QString::fromStdString(FrequencyEditText(f)));
    {
        QSignalBlocker quiet(slider_);
        slider_->setValue(SliderPosition(f));
    }
    if (!force && record_.debug.frequency == f) return;
    record_.debug.frequency = f;
    if (!on_->isChecked()) {
        SetStatus(kClockOffText);
        return;
    }
    // A port lost to a link error closes the window at the next tick; until then nothing
    // more goes to the key, and the status does not claim a clock that was never set.
    if (!link_.PortOpen()) return;
    ClockOn(protocol_, f);
    SetStatus(ClockText(f));
}

void TClockForm::TrackBarChange(int position) {
    Apply(SliderFrequency(position));
}

void TClockForm::EditApply() {
    Apply(ParseFrequencyEdit(edit_->text().toStdString()));
}

void TClockForm::CheckBoxClick(bool on) {
    Guarded([&] {
        if (link_.PortOpen()) {
            if (on)
                ClockOn(protocol_, record_.debug.frequency);
            else
                ClockOff(protocol_);
        }
        // Forced rather than by a changed frequency, so the status follows the box even at
        // the top of the range and the frequency stays what the user set.
        ApplyFrequency(formFrequency_, true);
    });
}

void TClockForm::ResetButtonClick() {
    Guarded([this] {
        if (link_.PortOpen()) protocol_.Reset();
    });
}

void TClockForm::OkayButtonClick() {
    accept();
}

void TClockForm::TimerTick() {
    Guarded([this] {
        if (!link_.PortOpen()) {
            done(kAbortResult);
            return;
        }
        protocol_.Poll();
    });
}

bool TClockForm::EditKey(int key, const QString& text, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        EditApply();
        return true;
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return true;
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    default:
        break;
    }
    if (text.size() != 1) return true;
    QChar c = text[0];
    if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')) return false;
    switch (c.toLower().unicode()) {
    case 'k':
        okay_->click();
        break;
    case 'o':
        on_->click();
        break;
    case 'r':
        reset_->click();
        break;
    default:
        break;
    }
    return true;
}

bool TClockForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            return EditKey(key->key(), key->text(), key->modifiers());
        }
        // Leaving the edit applies what was typed; an untouched edit changes nothing, so
        // a frequency finer than the edit shows is not cut to whole kilohertz.
        if (event->type() == QEvent::FocusOut && edit_->isModified()) EditApply();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pellix
