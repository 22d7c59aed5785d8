#include "shell/ui/TConfigureForm.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/qt/QtPlacedWindow.h"
#include "shell/ui/Colors.h"

namespace pellix {

namespace {

constexpr int kDesignWidth = 205;
// Hints stay up this long while the dialog is shown.
constexpr int kHintMs = 3500;
constexpr const char* kFirstRunText =
    "Since this is the first time the program has run, please\rtake a moment to review the "
    "default configuration.\rIn particular, check the COM port setting to make sure the\r"
    "Pellix can be found.";

QFont SampleFont(int size) {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSize(size);
    return f;
}

} // namespace

// ---- TUpDown ------------------------------------------------------------------------------

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    up_->setFocusPolicy(Qt::NoFocus);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    down_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setFixedSize(17, 11);
        b->setIconSize(QSize(7, 5));
        layout->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, &TUpDown::StepUp);
    connect(down_, &QToolButton::clicked, this, &TUpDown::StepDown);
}

void TUpDown::SetRange(int min, int max, int step) {
    min_ = min;
    max_ = std::max(max, min);
    step_ = std::max(step, 1);
    SetValue(value_);
}

void TUpDown::SetValue(int value) {
    int v = std::clamp(value, min_, max_);
    v -= (v - min_) % step_;
    up_->setEnabled(v < max_);
    down_->setEnabled(v > min_);
    if (v == value_) return;
    value_ = v;
    emit ValueChanged(v);
}

void TUpDown::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Up)
        StepUp();
    else if (e->key() == Qt::Key_Down)
        StepDown();
    else
        QWidget::keyPressEvent(e);
}

void TUpDown::wheelEvent(QWheelEvent* e) {
    if (e->angleDelta().y() > 0) StepUp();
    if (e->angleDelta().y() < 0) StepDown();
    e->accept();
}

// ---- TColorPanel --------------------------------------------------------------------------

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedSize(41, 17);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void TColorPanel::SetColor(ColorRef c) {
    color_ = c;
    update();
}

void TColorPanel::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(contentsRect(), ToQColor(color_, palette()));
    p.end();
    QFrame::paintEvent(e);
}

void TColorPanel::mousePressEvent(QMouseEvent*) {
    if (isEnabled()) emit Clicked();
}

void TColorPanel::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return)
        emit Clicked();
    else
        QFrame::keyPressEvent(e);
}

// ---- TConfigureForm -----------------------------------------------------------------------

TConfigureForm::TConfigureForm(ConfigureContext c, QWidget* parent)
    : QDialog(parent), registry_(c.registry), settings_(c.settings), prompter_(c.prompter),
      compilerMode_(c.compilerMode), applyEditorChoice_(std::move(c.applyEditorChoice)),
      applyErrorListRule_(std::move(c.applyErrorListRule)), listPorts_(std::move(c.listPorts)) {
    if (!listPorts_) listPorts_ = [] { return ListSerialPorts(); };
    setObjectName(QStringLiteral("ConfigureForm"));
    setWindowTitle(QStringLiteral("Configure"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    Build();
    chooser_ = [this](const QColor& initial, std::array<ColorRef, 16>& custom) {
        for (int i = 0; i < 16; ++i)
            QColorDialog::setCustomColor(i, ToQColor(custom[size_t(i)], palette()));
        colorDialog_->setCurrentColor(initial);
        if (colorDialog_->exec() != QDialog::Accepted) return std::optional<QColor>();
        for (int i = 0; i < 16; ++i)
            custom[size_t(i)] = ToColorRef(QColorDialog::customColor(i));
        return std::optional<QColor>(colorDialog_->selectedColor());
    };

    // The stored values, each only when present, become the working copy; the port and
    // the calibration come first, and no port means this is the first run.
    firstRun_ = !settings_.Load(registry_, compilerMode_);
    QtPlacedWindow placed(*this);
    placed_ = registry_.RestoreWindow(setting::ConfigureWindow, placed);
    ResetControls();
    if (applyEditorChoice_) applyEditorChoice_();
    if (applyErrorListRule_) applyErrorListRule_();

    if (firstRun_) {
        prompter_.Message(kFirstRunText, "FIRST TIME RUNNING", PromptButtons::Ok,
                          PromptIcon::Information);
        Execute();
    }
}

TConfigureForm::~TConfigureForm() {
    QtPlacedWindow placed(*this);
    registry_.SaveWindow(setting::ConfigureWindow, placed);
    registry_.Flush();
}

QCheckBox* TConfigureForm::Box(const char* name, const QString& caption, const QString& hint) {
    auto* b = new QCheckBox(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    return b;
}

void TConfigureForm::Build() {
    // IRC calibration and serial port side by side; placed by LayoutControls.
    topRow_ = new QWidget;
    topRow_->setObjectName(QStringLiteral("GroupRow"));
    ircGroup_ = new QGroupBox(QStringLiteral("&IRC Calibration"), topRow_);
    ircGroup_->setObjectName(QStringLiteral("IRCRadioGroup"));
    ircButtons_ = new QButtonGroup(this);
    auto* irc = new QVBoxLayout(ircGroup_);
    const char* const ircItems[] = {"Slowest", "4 MHz", "Fastest"};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::fromLatin1(ircItems[i]));
        r->setObjectName(QStringLiteral("IRCItem%1").arg(i));
        ircButtons_->addButton(r, i);
        irc->addWidget(r);
    }
    irc->addStretch();

    portGroup_ = new QGroupBox(QStringLiteral("&Serial Port"), topRow_);
    portGroup_->setObjectName(QStringLiteral("PortRadioGroup"));
    portGroup_->setToolTip(QStringLiteral("The serial port the key is connected to"));
    portButtons_ = new QButtonGroup(this);
    auto* port = new QVBoxLayout(portGroup_);
    const char* const portItems[] = {"COM&1", "COM&2",        "COM&3",
                                     "COM&4", "&Virtual key", "&Device:"};
    for (int i = 0; i < 6; ++i) {
        auto* r = new QRadioButton(QString::fromLatin1(portItems[i]));
        r->setObjectName(QStringLiteral("PortItem%1").arg(i));
        portButtons_->addButton(r, i);
        port->addWidget(r);
    }
    portButtons_->button(kVirtualKeyItem)
        ->setToolTip(QStringLiteral("The simulated key and chip, no hardware needed"));
    // The ports present to choose from, or any path typed in.
    portDevice_ = new QComboBox;
    portDevice_->setObjectName(QStringLiteral("PortDeviceCB"));
    portDevice_->setEditable(true);
    portDevice_->setInsertPolicy(QComboBox::NoInsert);
    portDevice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    portDevice_->setMinimumContentsLength(12);
    portDevice_->lineEdit()->setObjectName(QStringLiteral("PortDeviceED"));
    portDevice_->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    portDevice_->setToolTip(QStringLiteral("Device path of the serial port, e.g. /dev/ttyUSB0 or "
                                           "a stable name under /dev/serial/by-id/"));
    portRefresh_ = new QToolButton;
    portRefresh_->setObjectName(QStringLiteral("PortRefreshBTN"));
    portRefresh_->setText(QStringLiteral("\u21BB"));
    portRefresh_->setToolTip(QStringLiteral("Look for serial ports again"));
    auto* deviceRow = new QHBoxLayout;
    deviceRow->setContentsMargins(0, 0, 0, 0);
    deviceRow->addWidget(portDevice_, 1);
    deviceRow->addWidget(portRefresh_);
    port->addLayout(deviceRow);
    portInfo_ = new QLabel;
    portInfo_->setObjectName(QStringLiteral("PortInfoLBL"));
    QFont small = portInfo_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    portInfo_->setFont(small);
    port->addWidget(portInfo_);
    connect(portDevice_->lineEdit(), &QLineEdit::textEdited, this,
            [this] { SetPortItem(kDeviceItem); });
    connect(portDevice_, &QComboBox::activated, this, [this] { SetPortItem(kDeviceItem); });
    connect(portDevice_, &QComboBox::editTextChanged, this, &TConfigureForm::ShowPortInfo);
    connect(portRefresh_, &QToolButton::clicked, this, &TConfigureForm::RefreshPorts);

    lineTrace_ = new QLineEdit;
    lineTrace_->setObjectName(QStringLiteral("LineTraceED"));
    lineTrace_->setPlaceholderText(QStringLiteral("no trace"));
    lineTrace_->setToolTip(QStringLiteral("Record every byte to and from the key in this file, "
                                          "to find out why a key misbehaves"));

    createBackup_ = Box("CreateBackupCB", QStringLiteral("Create backup (.bak) files"),
                        QStringLiteral("Create backup file when saving current file"));
    assemblerGroup_ = new QGroupBox(QStringLiteral("Assembler Options"));
    assemblerGroup_->setObjectName(QStringLiteral("AssemblerOptionsGB"));
    useOrda_ = Box("UseOrdaCB", QStringLiteral("Use ORDA"),
                   QStringLiteral("Use ORDA instead of Corvanex assembler"));
    ordaOutputFiles_ =
        Box("OrdaOutputFilesCB", QStringLiteral("ORDA files to \"ORDA Output\" dir."),
            QStringLiteral("Intermediate files generated by ORDA go to \"ORDA Output\" directory"));
    localLabelStartCol_ =
        Box("LocalLabelStartColCB", QStringLiteral("Local Labels Must Start In Col. 1"),
            QStringLiteral("Uncheck to let local labels start in any column"));
    auto* asmLayout = new QVBoxLayout(assemblerGroup_);
    asmLayout->addWidget(useOrda_);
    asmLayout->addWidget(ordaOutputFiles_);
    asmLayout->addWidget(localLabelStartCol_);

    useNewEditor_ = Box("UseNewEditorCB", QStringLiteral("Use New Editor"),
                        QStringLiteral("Use enhanced editor instead of original editor"));

    // The enhanced editor's options; the panel inside ends just below the last visible
    // box, so the two hidden ones below it never show.
    editorGroup_ = new QGroupBox(QStringLiteral("Enhanced Editor Options"));
    editorGroup_->setObjectName(QStringLiteral("EditorOptionsGB"));
    editorPanel_ = new QWidget;
    editorPanel_->setObjectName(QStringLiteral("EditorOptionsPNL"));
    auto* grid = new QGridLayout(editorPanel_);
    grid->setContentsMargins(0, 0, 0, 4);
    grid->setVerticalSpacing(3);
    fontsizeLabel_ = new QLabel;
    fontsizeLabel_->setObjectName(QStringLiteral("FontsizeLabel"));
    fontsize_ = new TUpDown;
    fontsize_->setObjectName(QStringLiteral("FontsizeUpDown"));
    fontsize_->SetRange(kMinFontSize, kMaxFontSize, 1);
    tabsizeLabel_ = new QLabel;
    tabsizeLabel_->setObjectName(QStringLiteral("TabsizeLabel"));
    tabsize_ = new TUpDown;
    tabsize_->setObjectName(QStringLiteral("TabsizeUpDown"));
    tabsize_->SetRange(kMinTabSize, kMaxTabSize, 2);
    sample_ = new QLabel(QStringLiteral("Sample"));
    sample_->setObjectName(QStringLiteral("TextSamplePanel"));
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sample_->setAutoFillBackground(true);
    sample_->setBackgroundRole(QPalette::Base);
    {
        // Room for the largest size, so the dialog keeps its shape while stepping.
        QFontMetrics big(SampleFont(kMaxFontSize));
        sample_->setFixedSize(big.horizontalAdvance(QStringLiteral("Sample")) + 12,
                              big.height() + 6);
    }
    colorCode_ = Box("ColorCodeCheckbox", QStringLiteral("Colored Code Keywords"), {});
    codeColor_ = new TColorPanel;
    codeColor_->setObjectName(QStringLiteral("CodeColorPanel"));
    codeColor_->setToolTip(QStringLiteral("Click to set keyword color"));
    codeBold_ = Box("CodeBoldCheckbox", QStringLiteral("Boldface Code Keywords"), {});
    colorComments_ = Box("ColorCommentsCheckbox", QStringLiteral("Colored Comments"), {});
    commentColor_ = new TColorPanel;
    commentColor_->setObjectName(QStringLiteral("CommentColorPanel"));
    commentColor_->setToolTip(QStringLiteral("Click to set comment color"));
    auto* errorLabel = new QLabel(QStringLiteral("Error BG Color"));
    errorLabel->setObjectName(QStringLiteral("ErrorBgColorLabel"));
    errorBgColor_ = new TColorPanel;
    errorBgColor_->setObjectName(QStringLiteral("ErrorBgColorPanel"));
    errorBgColor_->setToolTip(QStringLiteral("Click to set BG color for errors"));
    jumpToError_ =
        Box("JumpToErrorCB", QStringLiteral("Jump To Assembly Error Line"),
            QStringLiteral("Always jump to first source line with an ERROR after assembly"));
    // Wide enough for two digits, so the arrows stay put while the number changes.
    for (QLabel* l : {fontsizeLabel_, tabsizeLabel_})
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("Font size: 88")));
    auto* sizes = new QGridLayout;
    sizes->addWidget(fontsizeLabel_, 0, 0);
    sizes->addWidget(fontsize_, 0, 1);
    sizes->addWidget(tabsizeLabel_, 1, 0);
    sizes->addWidget(tabsize_, 1, 1);
    sizes->setColumnStretch(2, 1);
    grid->addLayout(sizes, 0, 0, 1, 2);
    grid->addWidget(sample_, 1, 0, 1, 2, Qt::AlignHCenter);
    grid->addWidget(colorCode_, 2, 0);
    grid->addWidget(codeColor_, 2, 1);
    grid->addWidget(codeBold_, 3, 0, 1, 2);
    grid->addWidget(colorComments_, 4, 0);
    grid->addWidget(commentColor_, 4, 1);
    grid->addWidget(errorLabel, 5, 0);
    grid->addWidget(errorBgColor_, 5, 1);
    grid->addWidget(jumpToError_, 6, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    saveFile_ = Box("SaveFileCB", QStringLiteral("Save file before assembling"),
                    QStringLiteral("Save current file (if needed) before assembling"));
    removeFiles_ = Box("RmvOrdaFilesCB", QStringLiteral("Remove Intermediate Files"),
                       QStringLiteral("Always remove intermdiate files after assembly "));
    auto* editorLayout = new QVBoxLayout(editorGroup_);
    editorLayout->addWidget(editorPanel_);
    editorLayout->addWidget(saveFile_);
    editorLayout->addWidget(removeFiles_);
    saveFile_->hide();
    removeFiles_->hide();

    okay_ = new QPushButton(QStringLiteral("Okay"));
    okay_->setObjectName(QStringLiteral("OkayButton"));
    okay_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okay_);
    buttons->addWidget(cancel_);
    buttons->addStretch();

    rows_ = new QWidget;
    rows_->setObjectName(QStringLiteral("OptionRows"));
    auto* rows = new QVBoxLayout(rows_);
    rows->setContentsMargins(8, 0, 8, 0);
    auto* traceRow = new QHBoxLayout;
    auto* traceLabel = new QLabel(QStringLiteral("&Line trace:"));
    traceLabel->setObjectName(QStringLiteral("LineTraceLabel"));
    traceLabel->setBuddy(lineTrace_);
    traceRow->addWidget(traceLabel);
    traceRow->addWidget(lineTrace_, 1);
    rows->addLayout(traceRow);
    rows->addWidget(createBackup_);
    rows->addWidget(assemblerGroup_);
    rows->addWidget(useNewEditor_);
    rows->addWidget(editorGroup_);
    rows->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 8);
    layout->addWidget(topRow_);
    layout->addWidget(rows_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    colorDialog_ = new QColorDialog(this);
    colorDialog_->setObjectName(QStringLiteral("SyntaxColorDLG"));
    colorDialog_->setOption(QColorDialog::DontUseNativeDialog);

    for (QWidget* w : findChildren<QWidget*>())
        if (!w->toolTip().isEmpty()) w->setToolTipDuration(kHintMs);

    connect(useOrda_, &QCheckBox::toggled, this, [this](bool on) {
        ordaOutputFiles_->setEnabled(on);
        localLabelStartCol_->setEnabled(on);
        LayoutControls();
    });
    connect(useNewEditor_, &QCheckBox::toggled, this, &TConfigureForm::LayoutControls);
    connect(colorCode_, &QCheckBox::toggled, this, &TConfigureForm::UpdateColorPanels);
    connect(colorComments_, &QCheckBox::toggled, this, &TConfigureForm::UpdateColorPanels);
    for (TColorPanel* panel : {codeColor_, commentColor_, errorBgColor_})
        connect(panel, &TColorPanel::Clicked, this, [this, panel] { ChooseColor(panel); });
    connect(fontsize_, &TUpDown::ValueChanged, this, &TConfigureForm::FontsizeChanged);
    connect(tabsize_, &TUpDown::ValueChanged, this, &TConfigureForm::TabsizeChanged);
    connect(okay_, &QPushButton::clicked, this, &TConfigureForm::OkayButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TConfigureForm::FontsizeChanged(int size) {
    fontsizeLabel_->setText(QStringLiteral("Font size: %1").arg(size));
    sample_->setFont(SampleFont(size));
}

void TConfigureForm::TabsizeChanged(int size) {
    tabsizeLabel_->setText(QStringLiteral("Tab size: %1").arg(size));
}

void TConfigureForm::UpdateColorPanels() {
    codeColor_->setVisible(colorCode_->isChecked());
    codeColor_->setEnabled(colorCode_->isChecked());
    commentColor_->setVisible(colorComments_->isChecked());
    commentColor_->setEnabled(colorComments_->isChecked());
}

void TConfigureForm::SetPortItem(int item) {
    if (QAbstractButton* b = portButtons_->button(item)) b->setChecked(true);
}

void TConfigureForm::RefreshPorts() {
    const QString typed = portDevice_->currentText();
    QSignalBlocker quiet(portDevice_);
    portDevice_->clear();
    for (const SerialPortInfo& p : listPorts_()) {
        const QString description = QString::fromStdString(p.Description());
        portDevice_->addItem(QString::fromStdString(p.path));
        portDevice_->setItemData(portDevice_->count() - 1, description, Qt::ToolTipRole);
        // A stable name finds the same adapter after it was plugged in elsewhere.
        for (const std::string& stable : p.stableNames) {
            portDevice_->addItem(QString::fromStdString(stable));
            portDevice_->setItemData(portDevice_->count() - 1, description, Qt::ToolTipRole);
        }
    }
    portDevice_->setEditText(typed);
    ShowPortInfo();
}

void TConfigureForm::ShowPortInfo() {
    int i = portDevice_->findText(portDevice_->currentText());
    QString text = i < 0 ? QString() : portDevice_->itemData(i, Qt::ToolTipRole).toString();
    portInfo_->setToolTip(text);
    int width = std::max(portDevice_->width(), portDevice_->sizeHint().width());
    portInfo_->setText(portInfo_->fontMetrics().elidedText(text, Qt::ElideRight, width));
}

void TConfigureForm::SetIrcItem(int item) {
    if (QAbstractButton* b = ircButtons_->button(std::clamp(item, 0, 2))) b->setChecked(true);
}

void TConfigureForm::ResetControls() {
    const WorkingSettings& s = settings_;
    SetIrcItem(s.ircCalibration);
    PortChoice port = ParsePort(s.comPort);
    SetPortItem(port.Item());
    portDevice_->setEditText(QString::fromStdString(port.device));
    RefreshPorts();
    lineTrace_->setText(QString::fromStdString(s.lineTraceFile));
    createBackup_->setChecked(s.createBackups);
    useOrda_->setChecked(s.useOrda);
    ordaOutputFiles_->setChecked(s.ordaFilesToOutputDir);
    localLabelStartCol_->setChecked(s.localLabelStartCol);
    ordaOutputFiles_->setEnabled(s.useOrda);
    localLabelStartCol_->setEnabled(s.useOrda);
    useNewEditor_->setChecked(s.useNewEditor);
    fontsize_->SetValue(s.fontSize);
    FontsizeChanged(fontsize_->Value());
    tabsize_->SetValue(s.tabSize);
    TabsizeChanged(tabsize_->Value());
    colorCode_->setChecked(s.coloredCode);
    codeColor_->SetColor(s.codeColor);
    codeBold_->setChecked(s.boldCode);
    colorComments_->setChecked(s.coloredComments);
    commentColor_->SetColor(s.commentColor);
    errorBgColor_->SetColor(s.errorBgColor);
    jumpToError_->setChecked(s.jumpToAssemblyError);
    saveFile_->setChecked(s.saveFileBeforeAssembly);
    removeFiles_->setChecked(s.removeIntermediateFiles);
    for (int i = 0; i < 16; ++i)
        customColors_[size_t(i)] = CustomColorValue(s.customColors[size_t(i)]).value_or(0x808080);
    UpdateColorPanels();
    LayoutControls();
}

void TConfigureForm::LayoutControls() {
    const bool orda = useOrda_->isChecked();
    editorGroup_->setVisible(useNewEditor_->isChecked());

    int groupWidth = std::max(ircGroup_->sizeHint().width(), portGroup_->sizeHint().width());
    int groupHeight = std::max(ircGroup_->sizeHint().height(), portGroup_->sizeHint().height());
    ircGroup_->setFixedSize(groupWidth, groupHeight);
    portGroup_->setFixedSize(groupWidth, groupHeight);
    // The width does not change with the editor options shown or not.
    int rowsWidth = std::max(rows_->sizeHint().width(), editorGroup_->sizeHint().width() + 16);
    int width = std::max({kDesignWidth, rowsWidth, 2 * groupWidth + 3 * 6});
    topRow_->setFixedSize(width, groupHeight);
    GroupPlaces places = PlaceGroups(width, groupWidth, orda);
    ircGroup_->setVisible(places.ircVisible);
    ircGroup_->move(places.ircLeft, 0);
    portGroup_->move(places.portLeft, 0);
    rows_->setFixedWidth(width);
    // Grow or shrink at once rather than at the next layout pass.
    rows_->layout()->invalidate();
    rows_->layout()->activate();
    layout()->invalidate();
    layout()->activate();
    adjustSize();
}

bool TConfigureForm::Execute() {
    ResetControls();
    if (!placed_) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect r = screen->availableGeometry();
            adjustSize();
            move(r.center() - QPoint(width() / 2, height() / 2));
        }
        placed_ = true;
    }
    return exec() == QDialog::Accepted;
}

void TConfigureForm::ChooseColor(TColorPanel* panel) {
    // Each panel asks only while it is in use: the keyword and comment panels while their
    // boxes are checked, the error colour always.
    if (!panel->isEnabled() || !chooser_) return;
    std::array<ColorRef, 16> custom = customColors_;
    std::optional<QColor> chosen = chooser_(ToQColor(panel->Color(), palette()), custom);
    if (!chosen) return;
    customColors_ = custom;
    panel->SetColor(ToColorRef(*chosen));
}

void TConfigureForm::ControlsToSettings(WorkingSettings& s) const {
    s.createBackups = createBackup_->isChecked();
    s.useOrda = useOrda_->isChecked();
    s.ordaFilesToOutputDir = ordaOutputFiles_->isChecked();
    s.localLabelStartCol = localLabelStartCol_->isChecked();
    s.useNewEditor = useNewEditor_->isChecked();
    s.fontSize = fontsize_->Value();
    s.tabSize = tabsize_->Value();
    s.coloredCode = colorCode_->isChecked();
    s.codeColor = codeColor_->Color();
    s.boldCode = codeBold_->isChecked();
    s.coloredComments = colorComments_->isChecked();
    s.commentColor = commentColor_->Color();
    s.errorBgColor = errorBgColor_->Color();
    s.saveFileBeforeAssembly = saveFile_->isChecked();
    s.jumpToAssemblyError = jumpToError_->isChecked();
    s.removeIntermediateFiles = removeFiles_->isChecked();
    s.lineTraceFile = lineTrace_->text().trimmed().toStdString();
    for (int i = 0; i < 16; ++i)
        s.customColors[size_t(i)] = CustomColorEntry(i, customColors_[size_t(i)]);
}

void TConfigureForm::OkayButtonClick() {
    PortChoice port;
    int item = PortItem();
    if (item == kVirtualKeyItem) {
        port.kind = PortChoice::Kind::VirtualKey;
    } else if (item == kDeviceItem) {
        port.kind = PortChoice::Kind::Device;
        port.device = portDevice_->currentText().toStdString();
        if (StoredPort(port).empty()) {
            prompter_.Message("Enter the device path of the key's serial port, for example "
                              "/dev/ttyUSB0.",
                              "Configure", PromptButtons::Ok, PromptIcon::Warning);
            portDevice_->setFocus();
            return;
        }
    } else {
        port.com = std::clamp(item, 0, 3) + 1;
    }
    settings_.ircCalibration = std::max(IrcItem(), 0);
    settings_.comPort = StoredPort(port);
    ControlsToSettings(settings_);
    // ComPort and IRCcalibration first, then every other value in its fixed order.
    settings_.Store(registry_);
    registry_.Flush();
    accept();
    if (applyEditorChoice_) applyEditorChoice_();
    if (applyErrorListRule_) applyErrorListRule_();
}

} // namespace pellix
