#include "link/ui/TDeviceForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "link/SilentAbort.h"
#include "link/ui/Cursors.h"

namespace pellix {

namespace {

constexpr DeviceBox kOptionBoxes[] = {
    DeviceBox::Turbo,    DeviceBox::StackOption, DeviceBox::Carry,     DeviceBox::Sync,
    DeviceBox::Watchdog, DeviceBox::Protect,     DeviceBox::SleepClock};

// The part of a hint before "|" is the tool tip.
QString ShortHint(const std::string& hint) {
    return QString::fromStdString(hint.substr(0, hint.find('|')));
}

QFont DumpFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    if (!QFontInfo(font).fixedPitch()) font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    return font;
}

// The window's hints wait longer than the rest of the program's before they show.
class HintPauseStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return kDeviceHintPause;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

} // namespace

TDeviceForm::TDeviceForm(AssemblyRecord& record, Prompter& prompter, DeviceUnit* device,
                         QWidget* parent)
    : QDialog(parent), prompter_(prompter), model_(record, prompter, device) {
    setObjectName(QStringLiteral("DeviceForm"));
    setWindowTitle(QString::fromLatin1(kDeviceCaption));
    hintStyle_ = new HintPauseStyle;
    hintStyle_->setParent(this);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);

    auto* first = new QVBoxLayout;
    first->addWidget(MakeGroup(DeviceGroup::Device));
    first->addWidget(MakeGroup(DeviceGroup::ResetTimer));
    first->addWidget(MakeGroup(DeviceGroup::Brownout));
    first->addStretch();
    top->addLayout(first);

    auto* second = new QVBoxLayout;
    second->addWidget(MakeGroup(DeviceGroup::Oscillator));
    second->addStretch();
    top->addLayout(second);

    auto* third = new QVBoxLayout;
    auto* options = options_ = new QGroupBox(QString::fromLatin1(kOptionsGroupCaption));
    options->setObjectName(QString::fromLatin1(kOptionsGroupName));
    auto* optionsLayout = new QVBoxLayout(options);
    for (DeviceBox b : kOptionBoxes)
        optionsLayout->addWidget(MakeBox(b));
    third->addWidget(options);
    auto* panel = panel_ = new QFrame;
    panel->setObjectName(QStringLiteral("BufferFeedbackPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(MakeBox(DeviceBox::Drive));
    panelLayout->addWidget(MakeBox(DeviceBox::Feedback));
    third->addWidget(panel);
    third->addStretch();
    top->addLayout(third);

    // The ID and the code dump.
    auto* idRow = new QHBoxLayout;
    auto* idCaption = new QLabel(QStringLiteral("ID:"));
    id_ = new QLabel;
    id_->setObjectName(QStringLiteral("IDStringLabel"));
    id_->setFont(DumpFont());
    id_->setTextFormat(Qt::PlainText);
    idRow->addWidget(idCaption);
    idRow->addWidget(id_, 1);
    layout->addLayout(idRow);

    auto* flash = new QGroupBox(QStringLiteral("E\u00B2Flash"));
    flash->setObjectName(QStringLiteral("EEFlashGroup"));
    auto* flashLayout = new QHBoxLayout(flash);
    dump_ = new QWidget;
    dump_->setObjectName(QStringLiteral("EEDumpPanel"));
    auto* rowsLayout = new QVBoxLayout(dump_);
    rowsLayout->setContentsMargins(4, 0, 4, 0);
    rowsLayout->setSpacing(0);
    QFont mono = DumpFont();
    for (int i = 0; i < kDumpVisibleRows; ++i) {
        auto* row = new QLabel;
        row->setObjectName(QStringLiteral("EELabel%1").arg(i));
        row->setFont(mono);
        row->setTextFormat(Qt::PlainText);
        row->setTextInteractionFlags(Qt::TextSelectableByMouse);
        rowsLayout->addWidget(row);
        rows_[size_t(i)] = row;
    }
    dump_->installEventFilter(this);
    flashLayout->addWidget(dump_, 1);
    scroll_ = new QScrollBar(Qt::Vertical);
    scroll_->setObjectName(QStringLiteral("EEScrollBar"));
    scroll_->setPageStep(kDumpVisibleRows);
    scroll_->setSingleStep(1);
    flashLayout->addWidget(scroll_);
    layout->addWidget(flash);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int row) {
        if (refreshing_) return;
        model_.SetScrollPosition(row);
        ShowRows();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(MakeButton(DeviceButton::LoadHex, &TDeviceForm::LoadHexButtonClick));
    buttons->addWidget(MakeButton(DeviceButton::SaveHex, &TDeviceForm::SaveHexButtonClick));
    buttons->addSpacing(16);
    buttons->addWidget(MakeButton(DeviceButton::Program, &TDeviceForm::ProgramButtonClick));
    buttons->addWidget(MakeButton(DeviceButton::Verify, &TDeviceForm::VerifyButtonClick));
    buttons->addWidget(MakeButton(DeviceButton::Read, &TDeviceForm::ReadButtonClick));
    buttons->addStretch();
    buttons->addWidget(MakeButton(DeviceButton::Cancel, &TDeviceForm::CancelButtonClick));
    layout->addLayout(buttons);

    // Nothing but Cancel closes the window on Enter.
    for (QPushButton* b : buttons_)
        b->setAutoDefault(false);

    model_.Fill();
    Refresh();
    setFixedSize(sizeHint());
}

QGroupBox* TDeviceForm::MakeGroup(DeviceGroup group) {
    const DeviceGroupText& text = GroupText(group);
    auto* box = new QGroupBox(QString::fromUtf8(text.caption));
    box->setObjectName(QString::fromLatin1(text.objectName));
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setSpacing(2);
    auto* buttons = new QButtonGroup(box);
    for (size_t i = 0; i < text.items.size(); ++i) {
        auto* item = new QRadioButton(QString::fromUtf8(text.items[i]));
        item->setObjectName(
            QStringLiteral("%1Item%2").arg(QString::fromLatin1(text.objectName)).arg(i));
        item->setStyle(hintStyle_);
        buttons->addButton(item, int(i));
        boxLayout->addWidget(item);
        items_[size_t(group)].push_back(item);
        connect(item, &QRadioButton::toggled, this, [this, group, i](bool on) {
            if (refreshing_ || !on) return;
            model_.ChooseItem(group, int(i));
            Refresh();
        });
    }
    groups_[size_t(group)] = box;
    buttonGroups_[size_t(group)] = buttons;
    return box;
}

QCheckBox* TDeviceForm::MakeBox(DeviceBox box) {
    const DeviceControlText& text = BoxText(box);
    auto* check = new QCheckBox(QString::fromUtf8(text.caption));
    check->setObjectName(QString::fromLatin1(text.objectName));
    check->setStyle(hintStyle_);
    connect(check, &QCheckBox::toggled, this, [this, box](bool on) {
        if (refreshing_) return;
        model_.SetChecked(box, on);
        Refresh();
    });
    boxes_[size_t(box)] = check;
    return check;
}

QPushButton* TDeviceForm::MakeButton(DeviceButton button, void (TDeviceForm::*handler)()) {
    const DeviceControlText& text = ButtonText(button);
    auto* push = new QPushButton(QString::fromUtf8(text.caption));
    push->setObjectName(QString::fromLatin1(text.objectName));
    connect(push, &QPushButton::clicked, this, handler);
    buttons_[size_t(button)] = push;
    return push;
}

void TDeviceForm::ApplyHints() {
    for (int g = 0; g < kDeviceGroups; ++g) {
        auto group = DeviceGroup(g);
        for (size_t i = 0; i < items_[size_t(g)].size(); ++i)
            items_[size_t(g)][i]->setToolTip(ShortHint(model_.ItemHint(group, int(i))));
    }
    for (int b = 0; b < kDeviceBoxes; ++b)
        boxes_[size_t(b)]->setToolTip(ShortHint(model_.BoxHint(DeviceBox(b))));
}

void TDeviceForm::ShowRows() {
    auto rows = model_.VisibleRows();
    for (int i = 0; i < kDumpVisibleRows; ++i)
        rows_[size_t(i)]->setText(QString::fromStdString(rows[size_t(i)]));
}

void TDeviceForm::Refresh() {
    refreshing_ = true;
    for (int g = 0; g < kDeviceGroups; ++g) {
        auto group = DeviceGroup(g);
        int item = model_.Item(group);
        QButtonGroup* buttons = buttonGroups_[size_t(g)];
        if (item < 0) {
            // An exclusive group keeps its checked button; only a free one lets go of it.
            buttons->setExclusive(false);
            for (QRadioButton* b : items_[size_t(g)])
                b->setChecked(false);
            buttons->setExclusive(true);
        } else {
            items_[size_t(g)][size_t(item)]->setChecked(true);
        }
        groups_[size_t(g)]->setEnabled(model_.Enabled(group));
    }
    // The boxes' frames look as disabled as the boxes of a read-only image.
    options_->setEnabled(!model_.ReadOnly());
    panel_->setEnabled(!model_.ReadOnly());
    for (int b = 0; b < kDeviceBoxes; ++b) {
        auto box = DeviceBox(b);
        boxes_[size_t(b)]->setChecked(model_.Checked(box));
        boxes_[size_t(b)]->setEnabled(model_.Enabled(box));
    }
    for (int b = 0; b < kDeviceButtons; ++b)
        buttons_[size_t(b)]->setEnabled(model_.Enabled(DeviceButton(b)));
    id_->setText(QString::fromLatin1(model_.IdText().data(), qsizetype(model_.IdText().size())));
    scroll_->setRange(0, model_.ScrollMax());
    scroll_->setValue(model_.ScrollPosition());
    scroll_->setEnabled(model_.ScrollEnabled());
    ShowRows();
    setWindowTitle(QString::fromLatin1(model_.Caption().c_str()));
    refreshing_ = false;
}

void TDeviceForm::ShowDevice() {
    if (assembledWhileHidden_) {
        assembledWhileHidden_ = false;
        model_.AfterAssembly();
    }
    model_.ShowDevice(externalAssembler && externalAssembler());
    ApplyHints();
    Refresh();
}

void TDeviceForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ShowDevice();
}

bool TDeviceForm::LoadImageFile(const std::string& name, bool readOnly) {
    bool loaded = model_.LoadImageFile(name, readOnly);
    Refresh();
    return loaded;
}

void TDeviceForm::AfterAssembly() {
    if (!isVisible()) {
        assembledWhileHidden_ = true;
        return;
    }
    model_.AfterAssembly();
    Refresh();
}

void TDeviceForm::ChipOperation(const std::function<void()>& body) {
    BusyCursor busy;
    try {
        if (beforeOperation) beforeOperation();
        body();
    } catch (const SilentAbort&) {
        // The link error has been shown.
    } catch (const std::exception& e) {
        prompter_.Message(std::string("The operation failed: ") + e.what(), "Error",
                          PromptButtons::Ok, PromptIcon::Error);
    }
    Refresh();
}

void TDeviceForm::LoadHexButtonClick() {
    model_.LoadHex();
    Refresh();
}

void TDeviceForm::SaveHexButtonClick() {
    model_.SaveHex();
}

void TDeviceForm::ProgramButtonClick() {
    ChipOperation([this] { model_.Program(); });
}

void TDeviceForm::VerifyButtonClick() {
    ChipOperation([this] { model_.Verify(); });
}

void TDeviceForm::ReadButtonClick() {
    ChipOperation([this] { model_.Read(); });
}

void TDeviceForm::CancelButtonClick() {
    hide();
}

bool TDeviceForm::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over the dump scrolls it.
    if (watched == dump_ && event->type() == QEvent::Wheel && scroll_->isEnabled()) {
        QApplication::sendEvent(scroll_, event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pellix
