#include "debugger/ui/TDebugForm.h"

#include <fstream>

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "debugger/SettingNames.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TWatchForm.h"
#include "sim/VirtualChip.h"

namespace pellix {

namespace {

// How often the Qt timer looks whether the debug timer is due.
constexpr int kDriverPeriodMs = 10;

enum ButtonIcon {
    kNoIcon,
    kHopIcon,
    kJogIcon,
    kStepIcon,
    kWalkIcon,
    kRunIcon,
    kPollIcon,
    kStopIcon,
    kResetIcon
};

void Triangle(QPainter& p, qreal x, qreal y, qreal w, qreal h) {
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w, y + h / 2);
    path.lineTo(x, y + h);
    path.closeSubpath();
    p.drawPath(path);
}

// An arc over the top from left to right, with its arrow head at the right.
void HopArc(QPainter& p, qreal x, qreal w, const QColor& colour) {
    QPen pen(colour, 1.6);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(x, 4, w, 12), 30 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath head;
    qreal hx = x + w * 0.93, hy = 8.5;
    head.moveTo(hx - 3, hy - 2);
    head.lineTo(hx + 2, hy - 1);
    head.lineTo(hx, hy + 4);
    head.closeSubpath();
    p.drawPath(head);
}

QIcon MakeIcon(ButtonIcon which) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x20, 0x50, 0xB0), green(0x10, 0x90, 0x30), red(0xC0, 0x20, 0x20);
    p.setPen(Qt::NoPen);
    switch (which) {
    case kStepIcon:
        p.setBrush(blue);
        p.drawRect(QRectF(3, 3, 2, 10));
        Triangle(p, 6.5, 3, 7, 10);
        break;
    case kWalkIcon:
        p.setBrush(blue);
        Triangle(p, 1.5, 3, 6.5, 10);
        Triangle(p, 8, 3, 6.5, 10);
        break;
    case kRunIcon:
        p.setBrush(green);
        Triangle(p, 3, 1.5, 11, 13);
        break;
    case kPollIcon: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(green, 1.6));
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawEllipse(QRectF(6, 6, 4, 4));
        break;
    }
    case kStopIcon:
        p.setBrush(red);
        p.drawRect(QRectF(3, 3, 10, 10));
        break;
    case kResetIcon:
        p.setBrush(blue);
        p.drawRect(QRectF(2, 3, 2, 10));
        {
            QPainterPath path;
            path.moveTo(14, 3);
            path.lineTo(5, 8);
            path.lineTo(14, 13);
            path.closeSubpath();
            p.drawPath(path);
        }
        break;
    case kHopIcon:
        HopArc(p, 1.5, 12, blue);
        break;
    case kJogIcon:
        HopArc(p, 0.5, 8, blue);
        HopArc(p, 7, 8, blue);
        break;
    case kNoIcon:
        break;
    }
    return QIcon(pm);
}

// The layout's font size when the default placement was last made (ours).
constexpr const char* kLayoutFontSetting = "DebugWindow\\LayoutFontSize";

// The grid's rows below the view buttons: the lab windows' buttons (ours, shown only on the
// virtual key), Reset Pos./Halt/Quit, the update speed.
constexpr int kLabRow = 3;
constexpr int kPositionRow = 4;
constexpr int kSpeedRow = 5;

} // namespace

TDebugForm::TDebugForm(DebugViewContext context, DebugViews views, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool), c_(context.control), registry_(context.registry),
      prompter_(context.prompter), views_(views), session_(context.control, *this) {
    setObjectName(QStringLiteral("DebugForm"));
    setWindowTitle(QStringLiteral("Debug"));

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 4);
    main->setSpacing(4);
    main->setSizeConstraint(QLayout::SetFixedSize);

    hopJog_ = new QWidget(this);
    hopJog_->setObjectName(QStringLiteral("HopJogPNL"));
    auto* hj = new QHBoxLayout(hopJog_);
    hj->setContentsMargins(0, 0, 0, 0);
    hj->setSpacing(4);
    hj->addWidget(runButtons_[6] =
                      MakeButton("HopButton", tr("&Hop"), kHopIcon, &TDebugForm::HopButtonClick));
    hj->addWidget(runButtons_[5] =
                      MakeButton("JogButton", tr("&Jog"), kJogIcon, &TDebugForm::JogButtonClick));
    main->addWidget(hopJog_);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("ShiftPNL"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* g = grid_ = new QGridLayout(panel);
    g->setContentsMargins(4, 4, 4, 4);
    g->setSpacing(4);
    g->addWidget(runButtons_[4] =
                     MakeButton("StepButton", tr("&Step"), kStepIcon, &TDebugForm::StepButtonClick),
                 0, 0);
    g->addWidget(runButtons_[3] =
                     MakeButton("WalkButton", tr("&Walk"), kWalkIcon, &TDebugForm::WalkButtonClick),
                 0, 1);
    g->addWidget(runButtons_[2] =
                     MakeButton("RunButton", tr("&Run"), kRunIcon, &TDebugForm::RunButtonClick),
                 0, 2);
    g->addWidget(runButtons_[1] =
                     MakeButton("PollButton", tr("Pol&l"), kPollIcon, &TDebugForm::PollButtonClick),
                 1, 0);
    g->addWidget(runButtons_[0] =
                     MakeButton("StopButton", tr("Sto&p"), kStopIcon, &TDebugForm::StopButtonClick),
                 1, 1);
    g->addWidget(MakeButton("ResetButton", tr("Rese&t"), kResetIcon, &TDebugForm::ResetButtonClick),
                 1, 2);
    g->addWidget(
        MakeButton("RegistersButton", tr("R&egisters"), kNoIcon, &TDebugForm::RegistersButtonClick),
        2, 0);
    g->addWidget(MakeButton("CodeButton", tr("Co&de"), kNoIcon, &TDebugForm::CodeButtonClick), 2,
                 1);
    g->addWidget(watchButton_ = MakeButton("WatchButton", tr("Wat&ch"), kNoIcon,
                                           &TDebugForm::WatchButtonClick),
                 2, 2);
    g->addWidget(resetPosButton_ = MakeButton("ResetPosButton", tr("Reset Pos."), kNoIcon,
                                              &TDebugForm::ResetPosButtonClick),
                 kPositionRow, 0, 1, 2);
    // Ours: a stop request whatever the chip runs (Stop stops a free run only).
    haltButton_ = MakeButton("HaltButton", tr("Halt"), kStopIcon, &TDebugForm::HaltButtonClick);
    haltButton_->setToolTip(tr("Stop the chip where it is"));
    haltButton_->hide();
    g->addWidget(MakeButton("QuitButton", tr("&Quit"), kNoIcon, &TDebugForm::QuitButtonClick),
                 kPositionRow, 2);
    auto* speedLabel = new QLabel(tr("Update Speed"), panel);
    speedLabel->setObjectName(QStringLiteral("UpdateSpeedLBL"));
    g->addWidget(speedLabel, kSpeedRow, 0, 1, 2, Qt::AlignRight | Qt::AlignVCenter);
    speed_ = new QComboBox(panel);
    speed_->setObjectName(QStringLiteral("UpdateSpeedCB"));
    for (int i = 0; i < kUpdateSpeedItems; ++i)
        speed_->addItem(QString::fromStdString(UpdateSpeedText(i)));
    speed_->setCurrentIndex(0);
    connect(speed_, &QComboBox::currentIndexChanged, this, &TDebugForm::UpdateSpeedCBChange);
    g->addWidget(speed_, kSpeedRow, 2);
    // Ours: stimulus files and the trace of a session on the virtual key.
    labButton_ = new QPushButton(tr("L&ab"), this); // Alt+L is Poll's
    labButton_->setObjectName(QStringLiteral("LabButton"));
    labButton_->setAutoDefault(false);
    labButton_->setToolTip(tr("Stimulus files and a VCD trace of the pins"));
    auto* labMenu = new QMenu(labButton_);
    labMenu->setObjectName(QStringLiteral("LabMenu"));
    auto labItem = [this, labMenu](const char* name, const QString& text,
                                   void (TDebugForm::*handler)()) {
        QAction* a = labMenu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    labItem("LoadStimulusItem", tr("Load &Stimulus File..."), &TDebugForm::LoadStimulusClick);
    labItem("ClearStimuliItem", tr("&Unload Stimulus Files"), &TDebugForm::ClearStimuliClick);
    labMenu->addSeparator();
    labItem("StartTraceItem", tr("Start VCD &Trace..."), &TDebugForm::StartTraceClick);
    labItem("StopTraceItem", tr("St&op VCD Trace"), &TDebugForm::StopTraceClick);
    connect(labMenu, &QMenu::aboutToShow, this, &TDebugForm::UpdateLabMenu);
    labButton_->setMenu(labMenu);
    labButton_->hide();
    g->addWidget(labButton_, kLabRow, 2);
    main->addWidget(panel);

    status_ = new QLabel(QString::fromLatin1(kStatusInitial), this);
    status_->setObjectName(QStringLiteral("StatusPanel"));
    status_->setAlignment(Qt::AlignCenter);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    main->addWidget(status_);
    // Ours: the simulated time and cycles since the key's last reset.
    labStatus_ = new QLabel(this);
    labStatus_->setObjectName(QStringLiteral("LabStatusPanel"));
    labStatus_->setAlignment(Qt::AlignCenter);
    labStatus_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    labStatus_->setToolTip(tr("Simulated time and instruction cycles since the last reset"));
    labStatus_->hide();
    main->addWidget(labStatus_);

    driver_ = new QTimer(this);
    driver_->setObjectName(QStringLiteral("Timer"));
    driver_->setInterval(kDriverPeriodMs);
    connect(driver_, &QTimer::timeout, this, [this] { PumpTimer(); });

    // The run control refreshes the views at each stop.
    c_.SetView(DebugViewRole::Register, views_.registers);
    c_.SetView(DebugViewRole::Code, views_.code);
    c_.SetView(DebugViewRole::Watch, views_.watch);

    session_.timer.SetInterval(kMaxSpeedInterval, 0);
    SetButtons(0);
    RestorePlacement(registry_, setting::DebugWindow, *this);
}

TDebugForm::~TDebugForm() {
    SaveLabPlacements();
    labWindows_.clear();
    c_.idleButtons = nullptr;
    for (DebugViewRole role : {DebugViewRole::Register, DebugViewRole::Code, DebugViewRole::Watch})
        c_.SetView(role, nullptr);
    pellix::SavePlacement(registry_, setting::DebugWindow, *this);
}

QPushButton* TDebugForm::MakeButton(const char* name, const QString& caption, int icon,
                                    void (TDebugForm::*handler)()) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    if (icon != kNoIcon) b->setIcon(MakeIcon(ButtonIcon(icon)));
    connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    return b;
}

void TDebugForm::SetAutomaticTimer(bool automatic) {
    automatic_ = automatic;
    if (!automatic)
        driver_->stop();
    else if (opened_)
        driver_->start();
}

void TDebugForm::SetButtons(uint8_t mask) {
    for (int bit = 0; bit < kRunButtonCount; ++bit)
        if (runButtons_[bit]) runButtons_[bit]->setEnabled((mask >> bit) & 1);
    UpdateRunState();
}

QPushButton* TDebugForm::Button(const char* name) const {
    return findChild<QPushButton*>(QString::fromLatin1(name));
}

QPushButton* TDebugForm::AddLabWindow(QWidget& window, LabView& view, const char* buttonName,
                                      const QString& caption, int column,
                                      const char* placementName) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(buttonName));
    b->setAutoDefault(false);
    b->setVisible(labChip_ != nullptr);
    const bool placed = placementName && registry_.ReadPlacement(placementName);
    if (placed) RestorePlacement(registry_, placementName, window);
    connect(b, &QPushButton::clicked, this, [this, w = &window, v = &view] {
        // Never placed yet: where the layout rule puts it, beside the others.
        if (opened_) PlaceLabWindows(true);
        w->show();
        w->raise();
        w->activateWindow();
        v->LabRefresh();
    });
    grid_->addWidget(b, kLabRow, column);
    labWindows_.push_back({&window, &view, b, placementName, placed});
    view.LabChipChanged(labChip_);
    return b;
}

void TDebugForm::RemoveLabWindow(LabView& view) {
    std::erase_if(labWindows_, [&view](const LabWindow& l) {
        if (l.view != &view) return false;
        delete l.button;
        return true;
    });
}

void TDebugForm::SetLabChip(VirtualChip* chip) {
    labChip_ = chip;
    if (std::string error = lab_.SetChip(chip); !error.empty()) LabError(error, "VCD Trace");
    labButton_->setVisible(chip != nullptr);
    labStatus_->setVisible(chip != nullptr);
    for (const LabWindow& l : labWindows_) {
        l.button->setVisible(chip != nullptr);
        l.view->LabChipChanged(chip);
    }
    if (!chip) SaveLabPlacements();
    RefreshLab();
}

void TDebugForm::SaveLabPlacements() {
    // A window never placed has no place worth keeping.
    for (const LabWindow& l : labWindows_)
        if (l.placement && l.placed) pellix::SavePlacement(registry_, l.placement, *l.window);
}

void TDebugForm::RefreshLab() {
    if (!labChip_) return;
    QString text = QString::fromStdString(lab_.TimeText());
    if (lab_.Tracing()) text += QStringLiteral("  \u25CF VCD");
    if (labStatus_->text() != text) labStatus_->setText(text);
    for (const LabWindow& l : labWindows_)
        l.view->LabRefresh();
}

void TDebugForm::UpdateLabMenu() {
    QMenu* m = labButton_->menu();
    auto item = [m](const char* name) { return m->findChild<QAction*>(QString::fromLatin1(name)); };
    const bool chip = labChip_ != nullptr;
    item("LoadStimulusItem")->setEnabled(chip);
    item("ClearStimuliItem")->setEnabled(chip && !lab_.StimulusFiles().empty());
    item("StartTraceItem")->setEnabled(chip);
    item("StopTraceItem")->setEnabled(chip && lab_.Tracing());
}

void TDebugForm::LabError(const std::string& text, const char* caption) {
    prompter_.Message(text, caption, PromptButtons::Ok, PromptIcon::Error);
}

void TDebugForm::LoadStimulusClick() {
    if (!labChip_) return;
    FileDialogRequest r;
    r.caption = "Load Stimulus File";
    r.filter = "Stimulus File (*.stim)|*.stim;*.txt|All Files (*.*)|*";
    r.defaultExtension = "stim";
    auto path = prompter_.OpenFileName(r);
    if (!path) return;
    if (std::string error = lab_.LoadStimulus(*path); !error.empty()) {
        LabError(error + "\rThe file was not loaded.", "Stimulus");
        return;
    }
    labStatus_->setToolTip(tr("Simulated time and instruction cycles since the last reset") +
                           QStringLiteral("\n") +
                           tr("Stimulus: %1").arg(QString::fromStdString(*path)));
    RefreshLab();
}

void TDebugForm::ClearStimuliClick() {
    lab_.ClearStimuli();
    labStatus_->setToolTip(tr("Simulated time and instruction cycles since the last reset"));
    RefreshLab();
}

void TDebugForm::StartTraceClick() {
    if (!labChip_) return;
    FileDialogRequest r;
    r.caption = "Start VCD Trace";
    r.fileName = lab_.TraceFile().empty() ? "trace.vcd" : lab_.TraceFile();
    r.filter = "VCD Trace (*.vcd)|*.vcd|All Files (*.*)|*";
    r.defaultExtension = "vcd";
    auto path = prompter_.SaveFileName(r);
    if (!path) return;
    if (std::ifstream(*path).good() &&
        prompter_.Message(*path + " already exists.\rDo you want to replace it?", "Start VCD Trace",
                          PromptButtons::YesNo, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    if (std::string error = lab_.StartTrace(*path); !error.empty()) LabError(error, "VCD Trace");
    RefreshLab();
}

void TDebugForm::StopTraceClick() {
    if (std::string error = lab_.StopTrace(); !error.empty()) LabError(error, "VCD Trace");
    RefreshLab();
}

void TDebugForm::UpdateRunState() {
    RefreshLab(); // whatever changed the run state may have moved the chip
    if (haltButton_) haltButton_->setEnabled(CanHalt());
    uint32_t state = session_.Buttons() | (CanHalt() ? 0x100u : 0) | (opened_ ? 0x200u : 0) |
                     (hopJog_ && hopJog_->isVisible() ? 0x400u : 0);
    if (state == runState_) return;
    runState_ = state;
    emit RunStateChanged();
}

void TDebugForm::ApplyConveniences() {
    // Halt shares the row of Reset Pos., which gives up its second column.
    const bool halt = !host_ || host_->HaltAction();
    grid_->removeWidget(resetPosButton_);
    grid_->removeWidget(haltButton_);
    if (halt) {
        grid_->addWidget(resetPosButton_, kPositionRow, 0);
        grid_->addWidget(haltButton_, kPositionRow, 1);
    } else {
        grid_->addWidget(resetPosButton_, kPositionRow, 0, 1, 2);
    }
    haltButton_->setVisible(halt);
    // The function keys in the buttons' tips.
    const bool keys = !host_ || host_->DebugKeys();
    const struct {
        const char* name;
        const char* tip;
        const char* key;
    } tips[] = {{"RunButton", "Run", "F5"},   {"HaltButton", "Stop the chip where it is", "F6"},
                {"StepButton", "Step", "F7"}, {"WalkButton", "Walk", "F8"},
                {"HopButton", "Hop", "F10"},  {"QuitButton", "Quit debugging", "Shift+F5"}};
    for (const auto& t : tips)
        if (QPushButton* b = Button(t.name))
            b->setToolTip(keys ? QStringLiteral("%1 (%2)").arg(tr(t.tip), QLatin1String(t.key))
                               : (b == haltButton_ ? tr(t.tip) : QString()));
}

void TDebugForm::ShowStatus(const std::string& text) {
    status_->setText(QString::fromStdString(text));
}

void TDebugForm::CloseWindow() {
    hide();
}

QMargins TDebugForm::Frame(const QWidget& w) const {
    if (frameOf_) return frameOf_(w);
    // A window not framed yet takes the frame of the main window, which is.
    return FrameMargins(w, parentWidget() ? parentWidget()->window() : nullptr);
}

bool TDebugForm::SavedPlacementsFit(const QFont& font) {
    // The user's own layout stays as long as it is the one made for this font; made for
    // another size (or by an older version that did not say), it stays only when the
    // register view, sized for the font now, is still uncovered.
    int32_t placedFor = 0;
    if (registry_.ReadInteger(kLayoutFontSetting, placedFor) && placedFor == font.pointSize())
        return true;
    if (views_.registers) {
        const QRect regs = Outer(*views_.registers);
        const QWidget* others[] = {this, views_.watch, external_ ? nullptr : views_.code};
        for (const QWidget* w : others)
            if (w && w->isVisible() && Outer(*w).intersects(regs)) return false;
        for (const LabWindow& l : labWindows_)
            if (l.window->isVisible() && Outer(*l.window).intersects(regs)) return false;
    }
    registry_.WriteInteger(kLayoutFontSetting, font.pointSize());
    return true;
}

void TDebugForm::FitToButtons() {
    if (layout()) layout()->activate();
    adjustSize();
}

void TDebugForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous() || opened_) return;
    Open();
}

void TDebugForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous() || !opened_) return;
    Close();
}

void TDebugForm::Open() {
    external_ = host_ && host_->ExternalAssembler();
    bool loaded = true;
    if (external_) {
        hopJog_->hide();
        loaded = list_ && list_->LoadAndShow();
    } else {
        hopJog_->show();
    }
    if (!loaded) {
        if (host_ && host_->EnhancedEditor())
            prompter_.Message(kListLoadErrorText, kListLoadErrorCaption, PromptButtons::Ok,
                              PromptIcon::Error);
        // No session can show where the chip is without its list: the window goes again.
        QTimer::singleShot(0, this, [this] {
            if (!opened_) hide();
        });
        return;
    }
    opened_ = true;
    ApplyConveniences();
    SetLabChip(labSource_ ? labSource_() : nullptr);
    FitToButtons();
    const bool watches = c_.Record().debug.watchCount > 0;
    watchButton_->setEnabled(watches);
    ShowStatus(kStatusInitial);
    session_.SetButtons(0);
    c_.UpdateGeometry();
    if (external_ && list_)
        session_.lineOfAddress = [list = list_](uint32_t a) { return list->LineOfAddress(a); };
    else
        session_.lineOfAddress = nullptr;

    const QFont font = host_ ? host_->ViewFont() : DefaultViewFont();
    if (views_.registers) {
        views_.registers->SetViewFont(font);
        views_.registers->show();
    }
    if (views_.code) {
        views_.code->SetViewFont(font);
        views_.code->SetSessionActive(!external_);
        if (!external_) views_.code->show();
    }
    if (views_.watch) {
        views_.watch->SetViewFont(font);
        if (watches) views_.watch->show();
    }
    int32_t usePositions = 0;
    registry_.ReadInteger(setting::UseRegPositions, usePositions);
    // Saved placements made for another font size overlap: the views have other sizes now.
    if (usePositions != 1 || !SavedPlacementsFit(font)) PlaceDebugWindows();
    if (host_) host_->SetDebugging(true);
    if (external_ && list_) list_->StartDebugging();
    Guarded([this] { session_.Start(); });
    if (automatic_) driver_->start();
    raise();
    UpdateRunState();
}

void TDebugForm::Close() {
    opened_ = false;
    driver_->stop();
    if (views_.registers) views_.registers->hide();
    if (views_.code) {
        views_.code->SetSessionActive(false);
        views_.code->hide();
    }
    if (views_.watch) views_.watch->hide();
    Guarded([this] { session_.Finish(); });
    SetLabChip(nullptr);
    if (host_) host_->SetDebugging(false);
    if (external_ && list_) list_->EndDebugging();
    UpdateRunState();
    if (host_ && host_->CompilerMode()) host_->CloseMainWindow();
}

void TDebugForm::PlaceDebugWindows() {
    QScreen* s = screen();
    const QRect screen = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    // Frames are what the rule places, title bars included.
    auto outer = [this](QWidget* w) { return w ? Outer(*w).size() : QSize(0, 0); };
    const QSize debug = outer(this);
    const QSize reg = outer(views_.registers);
    const QSize watch = outer(views_.watch);
    DebugWindowSizes sizes{debug.width(),
                           debug.height(),
                           reg.width(),
                           reg.height(),
                           watch.width(),
                           watch.height(),
                           watchButton_->isEnabled(),
                           screen.width(),
                           screen.height()};
    DebugPlacement p = pellix::PlaceDebugWindows(sizes);
    FitToScreen(p, sizes);
    auto shift = [&](PlacedRect r) {
        r.left += screen.x();
        r.top += screen.y();
        return r;
    };
    auto place = [this](QWidget& w, const PlacedRect& r, bool resize) {
        PlaceFrame(w, r, resize, Frame(w));
    };
    place(*this, shift(p.debug), false);
    if (views_.registers) place(*views_.registers, shift(p.registers), false);
    if (external_ && list_)
        list_->Place(shift(p.code));
    else if (views_.code)
        place(*views_.code, shift(p.code), true);
    if (views_.watch) place(*views_.watch, shift(p.watch), false);
    PlaceLabWindows(false);

    registry_.WriteInteger(setting::UseRegPositions, 1);
    const QFont font = host_ ? host_->ViewFont() : DefaultViewFont();
    registry_.WriteInteger(kLayoutFontSetting, font.pointSize());
    pellix::SavePlacement(registry_, setting::DebugWindow, *this);
    if (views_.registers) views_.registers->SavePlacement();
    if (views_.code) views_.code->SavePlacement();
    if (views_.watch) views_.watch->SavePlacement();
    SaveLabPlacements();
    registry_.Flush();
}

void TDebugForm::PlaceLabWindows(bool onlyUnplaced) {
    QScreen* s = screen();
    const QRect screen = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    auto rect = [this](const QWidget* w) {
        const QRect r = w ? Outer(*w) : QRect();
        return PlacedRect{r.x(), r.y(), r.width(), r.height()};
    };
    LabLayout layout;
    layout.screen = {screen.x(), screen.y(), screen.width(), screen.height()};
    layout.registers = rect(views_.registers);
    layout.debug = rect(this);
    if (views_.watch && views_.watch->isVisible()) layout.watch = rect(views_.watch);
    std::vector<PlacedRect> sizes;
    for (const LabWindow& l : labWindows_) {
        if (l.window->layout()) l.window->layout()->activate();
        const QSize size = Outer(*l.window).size();
        sizes.push_back({0, 0, size.width(), size.height()});
    }
    const std::vector<PlacedRect> places = pellix::PlaceLabWindows(layout, sizes);
    for (size_t i = 0; i < labWindows_.size(); ++i) {
        LabWindow& l = labWindows_[i];
        if (onlyUnplaced && l.placed) continue;
        PlaceFrame(*l.window, places[i], false, Frame(*l.window));
        l.placed = true;
    }
}

void TDebugForm::HopButtonClick() {
    Guarded([this] { session_.Hop(); });
    UpdateRunState();
}
void TDebugForm::JogButtonClick() {
    Guarded([this] { session_.Jog(); });
    UpdateRunState();
}
void TDebugForm::StepButtonClick() {
    Guarded([this] { session_.Step(); });
    UpdateRunState();
}
void TDebugForm::WalkButtonClick() {
    Guarded([this] { session_.Walk(); });
    UpdateRunState();
}
void TDebugForm::RunButtonClick() {
    Guarded([this] { session_.Run(); });
    UpdateRunState();
}
void TDebugForm::PollButtonClick() {
    Guarded([this] { session_.Poll(); });
    UpdateRunState();
}
void TDebugForm::StopButtonClick() {
    Guarded([this] { session_.Stop(); });
    UpdateRunState();
}

void TDebugForm::ResetButtonClick() {
    Guarded([this] {
        session_.Reset();
        if (external_ && list_) list_->ResetPosition();
    });
    UpdateRunState();
}

void TDebugForm::RegistersButtonClick() {
    if (!views_.registers) return;
    views_.registers->show();
    views_.registers->raise();
    views_.registers->Redraw();
}

void TDebugForm::CodeButtonClick() {
    if (external_) {
        if (list_) list_->ShowView();
        return;
    }
    if (!views_.code) return;
    views_.code->show();
    views_.code->raise();
    views_.code->Repaint(true);
}

void TDebugForm::WatchButtonClick() {
    if (!views_.watch) return;
    views_.watch->show();
    views_.watch->raise();
    views_.watch->Redraw();
}

void TDebugForm::ResetPosButtonClick() {
    if (prompter_.Message(kResetPositionsQuestion, kResetPositionsCaption, PromptButtons::YesNo,
                          PromptIcon::Question) != PromptAnswer::Yes)
        return;
    registry_.WriteInteger(setting::UseRegPositions, 0);
    PlaceDebugWindows();
}

void TDebugForm::QuitButtonClick() {
    hide();
}

void TDebugForm::HaltButtonClick() {
    Guarded([this] { session_.Halt(); });
    UpdateRunState();
}

void TDebugForm::UpdateSpeedCBChange(int item) {
    session_.timer.SetInterval(UpdateSpeedInterval(item), c_.Link().Ticks().Milliseconds());
}

void TDebugForm::TimerTick() {
    Guarded([this] { session_.TimerTick(); });
    UpdateRunState();
}

bool TDebugForm::PumpTimer() {
    bool ran = false;
    Guarded([&] { ran = session_.Pump(); });
    if (ran) UpdateRunState();
    return ran;
}

} // namespace pellix
