#include "shell/ui/TEditorForm.h"

#include <cctype>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <Qsci/qsciprinter.h>

#include "platform/FileIo.h"
#include "platform/SilentAbort.h"
#include "shell/Keywords.h"
#include "shell/PrintLayout.h"
#include "shell/SXCUnit.h"
#include "shell/ui/Colors.h"
#include "shell/ui/OriginalEditorView.h"
#include "shell/ui/QtPlacedWindow.h"
#include "shell/ui/TFindReplaceForm.h"
#include "shell/ui/TPrintForm.h"
#include "shell/ui/TPrintStatusForm.h"
#include "shell/ui/TSearchDialog.h"
#include "shell/ui/ToolIcons.h"

namespace pellix {

namespace {

constexpr const char* kEmptyEditor = "Current editor is empty.  There is no code to assemble.";
constexpr const char* kBufferFull =
    "The text does not fit: the original editor holds at most 1,000,000 characters.";
constexpr const char* kReadOnlyAssemble =
    "Current file is READ ONLY and must be saved under a new name before assembling.";
constexpr const char* kNeverSaved =
    "Current file has never been saved.  ORDA assembles the file on disk, so save it before "
    "assembling.";

QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// "Programming Successful" and how long it took, to a tenth of a second.
std::string ProgrammingSuccessText(uint32_t milliseconds) {
    const uint32_t tenths = (milliseconds + 50) / 100;
    return "Programming Successful (" + std::to_string(tenths / 10) + "." +
           std::to_string(tenths % 10) + " s)";
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Sets the hourglass for the life of a command.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Keys the window's menus use that the editor component would otherwise take for itself.
// Undo, redo and the clipboard keys stay with the editor: both do the same.
const std::vector<int> kMenuKeys = {
    (Qt::CTRL | Qt::Key_A).toCombined(),
    (Qt::CTRL | Qt::Key_D).toCombined(),
    (Qt::CTRL | Qt::ALT | Qt::Key_D).toCombined(),
    (Qt::CTRL | Qt::Key_F).toCombined(),
    (Qt::CTRL | Qt::Key_G).toCombined(),
    (Qt::CTRL | Qt::Key_H).toCombined(),
    (Qt::CTRL | Qt::Key_I).toCombined(),
    (Qt::CTRL | Qt::Key_K).toCombined(),
    (Qt::CTRL | Qt::Key_L).toCombined(),
    (Qt::CTRL | Qt::Key_O).toCombined(),
    (Qt::CTRL | Qt::Key_P).toCombined(),
    (Qt::CTRL | Qt::Key_R).toCombined(),
    (Qt::CTRL | Qt::Key_S).toCombined(),
    (Qt::CTRL | Qt::Key_U).toCombined(),
    int(Qt::Key_F3),
    int(Qt::Key_F4),
    int(Qt::Key_F5),
    int(Qt::Key_F6),
    int(Qt::Key_F7),
    int(Qt::Key_F8),
    int(Qt::Key_F9),
    int(Qt::Key_F10),
    (Qt::SHIFT | Qt::Key_F5).toCombined(),
};

} // namespace

TEditorForm::TEditorForm(EditorFormContext c, QWidget* parent)
    : QMainWindow(parent), record_(c.record), registry_(c.registry), settings_(c.settings),
      prompter_(c.prompter), services_(c.services), arguments_(std::move(c.arguments)) {
    setObjectName(QStringLiteral("EditorForm"));
    ticks_ = c.ticks ? c.ticks : &steadyTicks_;
    setWindowTitle(QString::fromLatin1(kMainCaption));
    terminate_ = [this] {
        hide();
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };

    // The shared record, the settings root, this window's placement.
    record_.StartUp();
    registry_.SetRoot(kProgramRoot);
    resize(800, 600);
    QtPlacedWindow placed(*this);
    registry_.RestoreWindow(setting::EditorWindow, placed);
    int32_t listWidth = kDefaultFileListWidth;
    registry_.ReadInteger(setting::FileListWidth, listWidth);

    BuildMenus();
    BuildToolbar();
    BuildClient();
    BuildStatusBar();
    fileListSplit_->setSizes({std::max(listWidth, 20), std::max(width() - listWidth, 100)});

    findDialog_ = new TSearchDialog(TSearchDialog::Kind::Find, this);
    replaceDialog_ = new TSearchDialog(TSearchDialog::Kind::Replace, this);
    connect(findDialog_, &TSearchDialog::FindNextRequested, this,
            [this] { Command([this] { FindDialogFind(*findDialog_); }); });
    connect(replaceDialog_, &TSearchDialog::FindNextRequested, this,
            [this] { Command([this] { FindDialogFind(*replaceDialog_); }); });
    connect(replaceDialog_, &TSearchDialog::ReplaceRequested, this,
            [this] { Command([this] { ReplaceDialogReplace(); }); });
    connect(replaceDialog_, &TSearchDialog::ReplaceAllRequested, this,
            [this] { Command([this] { ReplaceDialogReplaceAll(); }); });

    // The open files with their one start-up editor, coloured by the keyword list.
    bool fromFile = false;
    std::vector<std::string> words = LoadKeywords({}, &fromFile);
    keywords_ = std::make_shared<const KeywordSet>(words.begin(), words.end());
    template_->SetLook(MakeLook());
    files_ = std::make_unique<OpenFiles>(static_cast<OpenFilesView&>(*this), prompter_, registry_,
                                         settings_, kMainCaption);
    files_->SetOriginalBuffer(&buffer_);
    files_->StartUp();

    if (services_.externalAssembler) services_.externalAssembler->Init();
    ParseCommandLine();

    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) ApplicationActivated();
    });
    UpdateDebugCommands();
}

TEditorForm::~TEditorForm() {
    if (files_) files_->Recent().Store(registry_);
    registry_.Flush();
    if (services_.externalAssembler) services_.externalAssembler->Shutdown();
    // The editors are children of the stack; the array must let go of them first.
    files_.reset();
}

// ---- construction --------------------------------------------------------------------

QAction* TEditorForm::Item(QMenu* menu, const char* name, const QString& caption,
                           const QString& hint, const QKeySequence& shortcut,
                           void (TEditorForm::*handler)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setStatusTip(hint);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
    if (handler) connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    menu->addAction(a);
    items_[name] = a;
    return a;
}

void TEditorForm::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    using K = QKeySequence;
    auto ctrl = [](Qt::Key key) { return K(Qt::CTRL | key); };

    QMenu* file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    Item(file, "FileNewItem", tr("&New"), tr("Create a new file"), {},
         &TEditorForm::FileNewItemClick);
    Item(file, "FileOpenItem", tr("&Open..."), tr("Open an existing file"), ctrl(Qt::Key_O),
         &TEditorForm::FileOpenItemClick);
    Item(file, "Close1", tr("&Close"), tr("Close the current file"), {}, &TEditorForm::Close1Click);
    Item(file, "FileSaveItem", tr("&Save"), tr("Save the current file"), ctrl(Qt::Key_S),
         &TEditorForm::FileSaveItemClick);
    Item(file, "FileSaveAsItem", tr("Save &As..."), tr("Save the current file under a new name"),
         {}, &TEditorForm::FileSaveAsItemClick);
    reopenMenu_ = file->addMenu(tr("&Reopen"));
    reopenMenu_->setObjectName(QStringLiteral("ReOpenMenu"));
    reopenMenu_->menuAction()->setObjectName(QStringLiteral("ReOpenItem"));
    items_["ReOpenItem"] = reopenMenu_->menuAction();
    static const char* const kSlotNames[kRecentFileSlots] = {
        "FileZeroItem", "FileOneItem", "FileTwoItem", "FileThreeItem", "FileFourItem"};
    for (int i = 0; i < kRecentFileSlots; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QString::fromLatin1(kSlotNames[i]));
        a->setData(i);
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, i] { ReopenItemClick(i); });
        reopenMenu_->addAction(a);
        reopenItems_[i] = a;
        items_[kSlotNames[i]] = a;
    }
    Item(file, "FileListToggleItem", tr("&List Toggle"), tr("Toggle between source and list"), {},
         &TEditorForm::FileListToggleItemClick);
    Item(file, "FilePrintItem", tr("&Print..."), tr("Print the current file"), {},
         &TEditorForm::FilePrintItemClick);
    file->addSeparator();
    Item(file, "FileExitItem", tr("E&xit"), tr("Exit this application"), {},
         &TEditorForm::FileExitItemClick);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    Item(edit, "UndoMenuItem", tr("&Undo"), tr("Undo the last action"), ctrl(Qt::Key_Z),
         &TEditorForm::UndoMenuItemClick);
    Item(edit, "RedoMenuItem", tr("R&edo"), tr("Cancel the last undo action"), ctrl(Qt::Key_Y),
         &TEditorForm::RedoMenuItemClick);
    edit->addSeparator();
    Item(edit, "EditCutItem", tr("Cu&t"), {}, ctrl(Qt::Key_X), &TEditorForm::EditCutItemClick);
    Item(edit, "EditCopyItem", tr("&Copy"), {}, ctrl(Qt::Key_C), &TEditorForm::EditCopyItemClick);
    Item(edit, "EditPasteItem", tr("&Paste"), {}, ctrl(Qt::Key_V),
         &TEditorForm::EditPasteItemClick);
    edit->addSeparator();
    Item(edit, "EditFindItem", tr("Fin&d"), tr("Find specified text"), ctrl(Qt::Key_F),
         &TEditorForm::EditFindItemClick);
    Item(edit, "EditFindNextMenuItem", tr("Find &Next"),
         tr("Find next occurence of specified text"), K(Qt::Key_F3),
         &TEditorForm::EditFindNextMenuItemClick);
    Item(edit, "EditFindReplaceItem", tr("&Find/Replace..."), tr("Find and replace specified text"),
         ctrl(Qt::Key_H), &TEditorForm::EditFindReplaceItemClick);
    Item(edit, "EditReplaceItem", tr("&Replace"), tr("Perform subsequent replace"), K(Qt::Key_F4),
         &TEditorForm::EditReplaceItemClick)
        ->setVisible(false);
    edit->addSeparator();
    Item(edit, "EditTextBiggerItem", tr("Text &Bigger"), {}, ctrl(Qt::Key_Up),
         &TEditorForm::EditTextBiggerItemClick);
    Item(edit, "EditTextSmallerItem", tr("Text &Smaller"), {}, ctrl(Qt::Key_Down),
         &TEditorForm::EditTextSmallerItemClick);
    Item(edit, "GoToLineMENUITM", tr("&Go to Line Number"), tr("Go to specified line number"),
         ctrl(Qt::Key_G), &TEditorForm::GoToLineMENUITMClick);
    Item(edit, "ClearErrorsMENUITM", tr("C&lear Errors"), tr("Clear and hide error messages"), {},
         &TEditorForm::ClearErrorsMENUITMClick);

    QMenu* run = bar->addMenu(tr("&Run"));
    run->setObjectName(QStringLiteral("RunMenu"));
    Item(run, "RunAssembleItem", tr("&Assemble"), tr("Assemble source"), ctrl(Qt::Key_A),
         &TEditorForm::RunAssembleItemClick);
    Item(run, "RunProgramItem", tr("&Program"), tr("Assemble source + Program device"),
         ctrl(Qt::Key_P), &TEditorForm::RunProgramItemClick);
    Item(run, "RunRunItem", tr("&Run"), tr("Assemble source + Program device + Generate clock"),
         ctrl(Qt::Key_R), &TEditorForm::RunRunItemClick);
    Item(run, "RunDebugItem", tr("&Debug"),
         tr("Assemble source + Program device + Generate clock + Enter debugger"), ctrl(Qt::Key_D),
         &TEditorForm::RunDebugItemClick);
    Item(run, "RunDebugAgainItem", tr("D&ebug (reenter)"),
         tr("Assemble source + (assume device already programmed per debug) + Generate clock + "
            "Enter debugger"),
         K(Qt::CTRL | Qt::ALT | Qt::Key_D), &TEditorForm::RunDebugAgainItemClick);
    Item(run, "ViewDebugCodeMNUITEM", tr("&View List"), tr("View assembled list file"),
         ctrl(Qt::Key_L), &TEditorForm::ViewDebugCodeMNUITEMClick);
    run->addSeparator();
    Item(run, "RunClockItem", tr("Cloc&k..."), tr("Control clock generation"), ctrl(Qt::Key_K),
         &TEditorForm::RunClockItemClick);
    Item(run, "RunDeviceItem", tr("Dev&ice..."), tr("Show the device window"), ctrl(Qt::Key_I),
         &TEditorForm::RunDeviceItemClick);
    // Ours: the virtual key's pins.
    Item(run, "RunPinsItem", tr("Pi&ns..."), tr("Show and drive the virtual key's pins"), {},
         &TEditorForm::RunPinsItemClick);
    // Ours, the virtual lab.
    Item(run, "RunTerminalItem", tr("&Terminal..."),
         tr("Talk serial to the virtual key's chip through two of its pins"), {},
         &TEditorForm::RunTerminalItemClick);
    Item(run, "RunConfigureItem", tr("Config&ure..."),
         tr("Configure erase/program times and serial port"), ctrl(Qt::Key_U),
         &TEditorForm::RunConfigureItemClick);
    // Kept for its place in the menu; it does nothing.
    Item(run, "ShowPreProcessingDebugWindowItem", tr("&Show Pre-Processing Debug Window"), {}, {},
         nullptr)
        ->setVisible(false);

    debugMenu_ = bar->addMenu(tr("De&bug"));
    debugMenu_->setObjectName(QStringLiteral("DebugMenu"));
    BuildDebugMenu(debugMenu_);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    Item(help, "HelpContentsItem", tr("&Contents"), {}, {}, &TEditorForm::HelpContentsItemClick);
    Item(help, "HelpAboutItem", tr("&About"), {}, {}, &TEditorForm::HelpAboutItemClick);
}

// Ours: the debug window's commands on function keys that no other command uses, so
// they work from here and from every debug window (the Run menu sleeps during a session).
void TEditorForm::BuildDebugMenu(QMenu* menu) {
    struct Row {
        DebugCommand command;
        const char* name;
        const char* caption;
        QKeySequence key;
        const char* hint;
    };
    const Row rows[] = {
        {DebugCommand::Run, "DebugRunItem", "&Run", QKeySequence(Qt::Key_F5),
         "Run the chip to the breakpoint, or freely without one"},
        {DebugCommand::Halt, "DebugHaltItem", "&Halt", QKeySequence(Qt::Key_F6),
         "Stop the chip where it is, whatever it runs"},
        {DebugCommand::Step, "DebugStepItem", "&Step", QKeySequence(Qt::Key_F7),
         "Execute one instruction"},
        {DebugCommand::Walk, "DebugWalkItem", "&Walk", QKeySequence(Qt::Key_F8),
         "Step again and again, showing each stop, until Stop"},
        {DebugCommand::ToggleBreakpoint, "DebugBreakpointItem", "Toggle &Breakpoint",
         QKeySequence(Qt::Key_F9), "Set or clear the breakpoint at the caret's line"},
        {DebugCommand::Hop, "DebugHopItem", "H&op", QKeySequence(Qt::Key_F10),
         "Step until the source line changes"},
        {DebugCommand::Quit, "DebugQuitItem", "&Quit Debugging",
         QKeySequence(Qt::SHIFT | Qt::Key_F5), "End the debug session and release the key"},
    };
    for (const Row& r : rows) {
        auto* a = new QAction(tr(r.caption), this);
        a->setObjectName(QString::fromLatin1(r.name));
        a->setStatusTip(tr(r.hint));
        a->setShortcut(r.key);
        a->setShortcutContext(Qt::WindowShortcut);
        const DebugCommand command = r.command;
        connect(a, &QAction::triggered, this, [this, command] {
            Command([this, command] {
                if (services_.debugCommands && services_.debugCommands->CanRun(command))
                    services_.debugCommands->Execute(command);
            });
        });
        menu->addAction(a);
        if (r.command == DebugCommand::ToggleBreakpoint || r.command == DebugCommand::Quit)
            menu->addSeparator();
        items_[r.name] = a;
        debugActions_.push_back(a);
    }
}

void TEditorForm::SetDebugCommands(DebugCommandService* commands) {
    services_.debugCommands = commands;
    UpdateDebugCommands();
}

void TEditorForm::UpdateDebugCommands() {
    const IdeOptions& x = settings_.extras;
    debugMenu_->menuAction()->setVisible(x.debugKeys);
    for (size_t i = 0; i < debugActions_.size(); ++i) {
        const auto command = DebugCommand(i);
        QAction* a = debugActions_[i];
        if (command == DebugCommand::Halt) a->setVisible(x.haltAction);
        if (command == DebugCommand::ToggleBreakpoint) a->setVisible(x.editorBreakpoints);
        a->setEnabled(x.debugKeys && a->isVisible() && services_.debugCommands &&
                      services_.debugCommands->CanRun(command));
    }
}

QToolButton* TEditorForm::Button(const char* name, const QString& hint, int icon,
                                 void (TEditorForm::*handler)()) {
    auto* b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setFixedSize(25, 24);
    b->setIconSize(QSize(16, 16));
    b->setAutoRaise(true);
    if (icon >= 0) b->setIcon(MakeToolIcon(ToolIcon(icon)));
    if (handler) connect(b, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
    buttons_[name] = b;
    return b;
}

void TEditorForm::BuildToolbar() {
    auto* bar = new QToolBar(tr("Toolbar"), this);
    bar->setObjectName(QStringLiteral("EditorToolbar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(28);
    bar->setIconSize(QSize(16, 16));
    bar->setContentsMargins(0, 0, 0, 0);
    addToolBar(Qt::TopToolBarArea, bar);
    bar->addWidget(Button("NewTBTN", tr("Create a new file"), int(ToolIcon::New),
                          &TEditorForm::FileNewItemClick));
    bar->addWidget(Button("OpenTBTN", tr("Open a file (Ctrl-O)"), int(ToolIcon::Open),
                          &TEditorForm::FileOpenItemClick));
    bar->addWidget(Button("SaveTBTN", tr("Save the current file (Ctrl-S)"), int(ToolIcon::Save),
                          &TEditorForm::FileSaveItemClick));
    bar->addSeparator();
    bar->addWidget(Button("AssemblyTBTN", tr("Assemble (Ctrl-A)"), int(ToolIcon::Assemble),
                          &TEditorForm::RunAssembleItemClick));
    bar->addWidget(Button("ProgramTBTN", tr("Program (Ctrl-P)"), int(ToolIcon::Program),
                          &TEditorForm::RunProgramItemClick));
    bar->addWidget(
        Button("RunTBTN", tr("Run (Ctrl-R)"), int(ToolIcon::Run), &TEditorForm::RunRunItemClick));
    bar->addWidget(Button("DebugTBTN", tr("Debug (Ctrl-D)"), int(ToolIcon::Debug),
                          &TEditorForm::RunDebugItemClick));
    bar->addWidget(Button("DebugAgainTBTN", tr("Debug Again (Ctrl-Alt-D)"),
                          int(ToolIcon::DebugAgain), &TEditorForm::RunDebugAgainItemClick));
    bar->addSeparator();
    bar->addWidget(Button("DeviceTBTN", tr("Device"), int(ToolIcon::Device),
                          &TEditorForm::RunDeviceItemClick));
    bar->addWidget(
        Button("ClockTBTN", tr("Clock"), int(ToolIcon::Clock), &TEditorForm::RunClockItemClick));
    // Hidden: chooses the assembler from its state.
    QToolButton* toggle = Button("ToggleAssemblerTBTN", tr("Toggle Active Assembler"), -1, nullptr);
    toggle->setText(tr("Toggle Active Assembler"));
    toggle->setCheckable(true);
    toggle->setChecked(settings_.useOrda);
    connect(toggle, &QToolButton::toggled, this, &TEditorForm::ToggleAssemblerClick);
    bar->addWidget(toggle)->setVisible(false);
    buttons_["SaveTBTN"]->setEnabled(false);
}

void TEditorForm::BuildClient() {
    errorSplit_ = new QSplitter(Qt::Vertical, this);
    errorSplit_->setObjectName(QStringLiteral("ErrorSplitSPLT"));
    errorSplit_->setHandleWidth(3);
    errorSplit_->setChildrenCollapsible(false);

    fileListSplit_ = new QSplitter(Qt::Horizontal);
    fileListSplit_->setObjectName(QStringLiteral("FileListSPLT"));
    fileListSplit_->setChildrenCollapsible(false);
    filesList_ = new QListWidget;
    filesList_->setObjectName(QStringLiteral("FilesLoadedLB"));
    filesList_->setMinimumWidth(20);
    filesList_->setContextMenuPolicy(Qt::CustomContextMenu);
    filesList_->setTextElideMode(Qt::ElideMiddle);
    editorStack_ = new QStackedWidget;
    editorStack_->setObjectName(QStringLiteral("EditorStack"));
    fileListSplit_->addWidget(filesList_);
    fileListSplit_->addWidget(editorStack_);
    fileListSplit_->setStretchFactor(0, 0);
    fileListSplit_->setStretchFactor(1, 1);

    errorList_ = new QListWidget;
    errorList_->setObjectName(QStringLiteral("ErrorLB"));
    errorList_->setMinimumHeight(16);
    errorList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    errorList_->hide();
    // The enhanced editor's file list and editors, or the original editor, above the
    // error list.
    editorArea_ = new QWidget;
    editorArea_->setObjectName(QStringLiteral("EditorArea"));
    auto* area = new QVBoxLayout(editorArea_);
    area->setContentsMargins(0, 0, 0, 0);
    area->addWidget(fileListSplit_);
    originalView_ = new OriginalEditorView(buffer_, *ticks_);
    originalView_->hide();
    area->addWidget(originalView_);
    errorSplit_->addWidget(editorArea_);
    errorSplit_->addWidget(errorList_);
    errorSplit_->setStretchFactor(0, 1);
    errorSplit_->handle(1)->hide();
    setCentralWidget(errorSplit_);

    // Holds the look every visible editor is given.
    template_ = new TPlusMemo(this);
    template_->setObjectName(QStringLiteral("TemplateEditor"));
    template_->hide();
    pasteHolder_ = new QLineEdit(this);
    pasteHolder_->setObjectName(QStringLiteral("ClipboardPasteHolderEdit"));
    pasteHolder_->hide();

    cursorTimer_ = new QTimer(this);
    cursorTimer_->setObjectName(QStringLiteral("CursorTimer"));
    cursorTimer_->setInterval(125);
    selectTimer_ = new QTimer(this);
    selectTimer_->setObjectName(QStringLiteral("SelectTimer"));
    selectTimer_->setInterval(100);
    sxcModeTimer_ = new QTimer(this);
    sxcModeTimer_->setObjectName(QStringLiteral("SxcModeFixitTimer"));
    sxcModeTimer_->setInterval(125);
    connect(sxcModeTimer_, &QTimer::timeout, this, [this] {
        sxcModeTimer_->stop();
        hide();
    });
    auto* appEvents = new QObject(this);
    appEvents->setObjectName(QStringLiteral("MainFormEventsAPPEV"));
    originalView_->SetTimers(cursorTimer_, selectTimer_);
    connect(originalView_, &OriginalEditorView::CaretMoved, this, &TEditorForm::OriginalCaretMoved);

    connect(errorList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { ErrorLBDblClick(errorList_->row(item)); });
    connect(filesList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (syncingList_ || row < 0) return;
        Command([this, row] { files_->Select(row); });
    });
    connect(filesList_, &QListWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu popup(this);
        popup.setObjectName(QStringLiteral("FileListPopup"));
        QAction* close = popup.addAction(
            QStringLiteral("Close File: ") +
            Latin1(files_->CurrentFileName()).replace(QLatin1Char('&'), QStringLiteral("&&")));
        close->setObjectName(QStringLiteral("CloseFilePopupItem"));
        if (popup.exec(filesList_->viewport()->mapToGlobal(at)) == close) Close1Click();
    });
}

void TEditorForm::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    static const int kWidths[3] = {300, 50, 50};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel;
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(kWidths[i]);
        if (i < 2) l->setFixedWidth(kWidths[i]);
        if (i == 1) l->setAlignment(Qt::AlignCenter);
        bar->addWidget(l, i == 2 ? 1 : 0);
        panels_[i] = l;
    }
}

void TEditorForm::ParseCommandLine() {
    commandLine_ = CommandLine::Parse(arguments_);
    if (commandLine_.port) settings_.comPort = "COM" + std::to_string(commandLine_.port);
    if (commandLine_.compilerMode) settings_.useOrda = false;
    buffer_.SetCompilerMode(commandLine_.compilerMode);
    if (!commandLine_.fileName.empty()) {
        std::string full = FullPath(commandLine_.fileName);
        if (!FileExists(full)) {
            prompter_.Message("File on command line not found on disk:\r\"" +
                                  commandLine_.fileName + "\"",
                              "COMMAND LINE ERROR", PromptButtons::Ok, PromptIcon::Error);
            commandLine_.fileName.clear();
            commandLine_.readOnly = false;
        } else {
            commandLine_.fileName = full;
        }
    }
}

// ---- look and settings -----------------------------------------------------------------

EditorLook TEditorForm::MakeLook() const {
    EditorLook look;
    QPalette pal = palette();
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(settings_.fontSize);
    look.font = font;
    look.tabWidth = settings_.tabSize;
    look.boldKeywords = settings_.boldCode;
    look.text = ToQColor(kColorWindowText, pal);
    look.paper = ToQColor(kColorWindow, pal);
    look.keyword = settings_.coloredCode ? ToQColor(settings_.codeColor, pal) : look.text;
    look.comment = settings_.coloredComments ? ToQColor(settings_.commentColor, pal) : look.text;
    look.keywords = keywords_;
    look.lineNumbers = settings_.extras.lineNumbers;
    look.currentLine = settings_.extras.currentLine;
    look.markerMargin = settings_.extras.editorBreakpoints || settings_.extras.sourceLine;
    return look;
}

void TEditorForm::ApplyKeywordsAndColours(TPlusMemo& editor) {
    std::vector<std::string> words = LoadKeywords({});
    auto set = std::make_shared<const KeywordSet>(words.begin(), words.end());
    EditorLook look = MakeLook();
    look.keywords = set;
    editor.SetLook(look);
}

void TEditorForm::ApplyEditorChoice() {
    const bool enhanced = settings_.useNewEditor;
    // The current document goes across to the editor now in use.
    files_->UseOriginalEditor(!enhanced);
    filesList_->setVisible(enhanced);
    fileListSplit_->setVisible(enhanced);
    editorStack_->setVisible(enhanced);
    if (QToolBar* bar = findChild<QToolBar*>(QStringLiteral("EditorToolbar")))
        bar->setVisible(enhanced);
    originalView_->setVisible(!enhanced);
    if (enhanced) {
        ApplyErrorListRule();
        template_->SetLook(MakeLook());
        CurrentEditor().SetLook(template_->Look());
        if (isVisible()) CurrentEditor().setFocus();
    } else {
        errorList_->hide();
        errorSplit_->handle(1)->hide();
        if (services_.externalAssembler) services_.externalAssembler->RemoveIntermediateFiles();
        originalView_->Refresh();
        if (isVisible()) originalView_->setFocus();
        OriginalCaretMoved();
    }
    for (const char* name :
         {"UndoMenuItem", "RedoMenuItem", "GoToLineMENUITM", "ViewDebugCodeMNUITEM"})
        items_[name]->setVisible(enhanced);
    items_["ClearErrorsMENUITM"]->setVisible(enhanced || settings_.useOrda);
    for (const char* name : {"EditTextBiggerItem", "EditTextSmallerItem", "FileListToggleItem"})
        items_[name]->setVisible(!enhanced);
    items_["EditReplaceItem"]->setVisible(!enhanced && replaceUsed_);
    if (auto* toggle = buttons_["ToggleAssemblerTBTN"]) {
        QSignalBlocker block(toggle);
        toggle->setChecked(settings_.useOrda);
    }
    // The modified marks follow their setting and the editor in use.
    FileListChanged();
    ShowCaption();
    UpdateDebugCommands();
}

void TEditorForm::ApplyErrorListRule() {
    RefreshErrorList(false);
}

void TEditorForm::RefreshErrorList(bool reload) {
    if (services_.externalAssembler) {
        ExternalAssemblerService& orda = *services_.externalAssembler;
        if (reload) orda.LoadErrorList();
        const std::vector<std::string>& lines = orda.ErrorList();
        errorList_->clear();
        for (const std::string& line : lines)
            errorList_->addItem(QString::fromLocal8Bit(line.c_str()));
    }
    bool show = errorList_->count() > 0 && settings_.useOrda;
    bool appearing = show && errorList_->isHidden();
    errorList_->setVisible(show);
    // It comes up 64 pixels high; the splitter above it lets the user change that.
    if (appearing)
        errorSplit_->setSizes(
            {std::max(errorSplit_->height() - 64 - errorSplit_->handleWidth(), 1), 64});
    errorSplit_->handle(1)->setVisible(show);
}

// ---- OpenFilesView -----------------------------------------------------------------------

std::unique_ptr<SourceEditor> TEditorForm::CreateEditor(int index) {
    auto editor = std::make_unique<TPlusMemo>();
    editor->setObjectName(QStringLiteral("PlusMemo%1").arg(index));
    editor->setProperty("tag", index);
    editor->ReleaseKeys(kMenuKeys);
    editor->SetLook(template_->Look());
    editor->setTabWidth(2); // until it is shown and takes the template's tab stops
    TPlusMemo* e = editor.get();
    editorStack_->addWidget(e);
    connect(e, &TPlusMemo::CaretMoved, this, [this, e] { CaretMoved(e); });
    connect(e, &TPlusMemo::TextChanged, this, [this, e] {
        if (IsCurrent(e)) UpdateEditCommands();
    });
    connect(e, &TPlusMemo::ModifiedChanged, this, [this, e] {
        if (IsCurrent(e)) UpdateEditCommands();
        ModifiedChanged(e);
    });
    emit EditorCreated(e);
    return editor;
}

void TEditorForm::ShowEditor(SourceEditor& shown, SourceEditor* hidden) {
    auto* now = static_cast<TPlusMemo*>(&shown);
    // Font, tab stops and keyword list travel with the visible editor.
    now->SetLook(hidden ? static_cast<TPlusMemo*>(hidden)->Look() : template_->Look());
    editorStack_->setCurrentWidget(now);
    if (isVisible()) now->setFocus();
    CaretMoved(now);
}

void TEditorForm::FileListChanged() {
    syncingList_ = true;
    while (filesList_->count() > files_->Count())
        delete filesList_->takeItem(filesList_->count() - 1);
    for (int i = 0; i < files_->Count(); ++i) {
        const std::string& line = files_->Entry(i).listLine;
        QListWidgetItem* item = filesList_->item(i);
        if (!item) {
            item = new QListWidgetItem;
            filesList_->addItem(item);
        }
        item->setData(Qt::UserRole, Latin1(line));
        item->setText(ListText(i));
        item->setToolTip(Latin1(line));
    }
    int current = files_->CurrentIndex();
    if (current >= 0 && current < filesList_->count()) {
        filesList_->setCurrentRow(current);
        filesList_->setToolTip(Latin1(files_->Entry(current).listLine));
    }
    syncingList_ = false;
}

void TEditorForm::SetCaption(const std::string& caption) {
    caption_ = Latin1(caption);
    ShowCaption();
}

bool TEditorForm::ShowsModified(int index) const {
    if (!settings_.extras.modifiedMarks || !files_ || index < 0 || index >= files_->Count())
        return false;
    const EditorEntry& entry = files_->Entry(index);
    return entry.writable && entry.editor && entry.editor->Modified();
}

QString TEditorForm::ListText(int index) const {
    QString text = Latin1(FilePart(files_->Entry(index).listLine));
    return ShowsModified(index) ? text + QLatin1Char('*') : text;
}

void TEditorForm::ShowCaption() {
    if (compilerLoaded_) return;
    const bool marked =
        !OriginalEditorInUse() && ShowsModified(files_ ? files_->CurrentIndex() : -1);
    setWindowTitle(marked ? caption_ + QLatin1Char('*') : caption_);
}

void TEditorForm::ModifiedChanged(const TPlusMemo* editor) {
    for (int i = 0; files_ && i < files_->Count(); ++i)
        if (files_->Entry(i).editor.get() == static_cast<const SourceEditor*>(editor)) {
            if (QListWidgetItem* item = filesList_->item(i)) item->setText(ListText(i));
            if (i == files_->CurrentIndex()) ShowCaption();
        }
}

void TEditorForm::ClearAssemblyStatus() {
    SetStatus(2, {});
}

void TEditorForm::SetRunButtonsEnabled(bool enabled) {
    for (const char* name :
         {"AssemblyTBTN", "ProgramTBTN", "RunTBTN", "DebugTBTN", "DebugAgainTBTN"})
        buttons_[name]->setEnabled(enabled);
}

void TEditorForm::SetSaveButtonEnabled(bool enabled) {
    buttons_["SaveTBTN"]->setEnabled(enabled);
}

void TEditorForm::EditorStateChanged() {
    UpdateEditCommands();
}

void TEditorForm::RecentFilesChanged() {
    const RecentFiles& recent = files_->Recent();
    for (int i = 0; i < kRecentFileSlots; ++i) {
        const std::string& path = recent[i];
        // A "&" in a path is shown, not taken as the item's shortcut letter.
        reopenItems_[i]->setText(QStringLiteral("&%1 ").arg(i) +
                                 Latin1(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        reopenItems_[i]->setVisible(!path.empty());
    }
    reopenMenu_->menuAction()->setVisible(!recent[0].empty());
}

// ---- state helpers -----------------------------------------------------------------------

TPlusMemo& TEditorForm::CurrentEditor() {
    return static_cast<TPlusMemo&>(files_->CurrentEditor());
}

bool TEditorForm::IsCurrent(const TPlusMemo* editor) const {
    return files_ && files_->Count() > 0 &&
           static_cast<const SourceEditor*>(editor) ==
               files_->Entry(files_->CurrentIndex()).editor.get();
}

bool TEditorForm::RunButtonsEnabled() const {
    return buttons_.at("AssemblyTBTN")->isEnabled();
}

void TEditorForm::EnableRunButtons(bool enabled) {
    SetRunButtonsEnabled(enabled);
    buttons_["DeviceTBTN"]->setEnabled(enabled);
}

void TEditorForm::SetDebugging(bool debugging) {
    QMenu* run = menuBar()->findChild<QMenu*>(QStringLiteral("RunMenu"));
    std::vector<QAction*> actions{items_["EditTextBiggerItem"], items_["EditTextSmallerItem"]};
    // The menu's items too, so their shortcuts stay quiet; each gets its own state back.
    if (run)
        for (QAction* a : run->actions())
            if (!a->isSeparator()) actions.push_back(a);
    if (debugging) {
        for (QAction* a : actions)
            if (enabledBeforeDebugging_.emplace(a, a->isEnabled()).second) a->setEnabled(false);
    } else {
        for (auto& [a, enabled] : enabledBeforeDebugging_)
            a->setEnabled(enabled);
        enabledBeforeDebugging_.clear();
    }
    if (run) run->menuAction()->setEnabled(!debugging);
    EnableRunButtons(!debugging);
    buttons_["ClockTBTN"]->setEnabled(!debugging);
    if (compilerLoaded_) DisableForCompilerMode();
}

std::string TEditorForm::SxcFileName() const {
    return commandLine_.compilerMode ? commandLine_.fileName : std::string();
}

QString TEditorForm::StatusText(int panel) const {
    return panel >= 0 && panel < 3 ? panels_[panel]->text() : QString();
}

void TEditorForm::SetStatus(int panel, const std::string& text) {
    panels_[panel]->setText(Latin1(text));
    if (panel == 0) {
        int w = panels_[0]->fontMetrics().horizontalAdvance(panels_[0]->text()) + 20;
        panels_[0]->setFixedWidth(w > 290 ? w : 300);
    }
}

void TEditorForm::UpdateEditCommands() {
    if (!files_ || files_->Count() == 0 || OriginalEditorInUse()) return;
    TPlusMemo& e = CurrentEditor();
    items_["UndoMenuItem"]->setEnabled(e.CanUndo());
    items_["RedoMenuItem"]->setEnabled(e.CanRedo());
    buttons_["SaveTBTN"]->setEnabled(e.CanUndo());
}

void TEditorForm::CaretMoved(TPlusMemo* editor) {
    if (!IsCurrent(editor)) return;
    ShowCaretPosition(editor->CurrentLine() + 1, editor->CaretCharacterColumn() + 1);
    // Moving past the highlighted range on its line takes the highlight away.
    if (highlightLine_ >= 0 && editor->CurrentLine() == highlightLine_ &&
        editor->CaretPosition() > highlightEnd_)
        RemoveErrorHighlight();
}

void TEditorForm::NotAvailable(const std::string& what) {
    prompter_.Message(what + " is not available in this version yet.", "Not Available",
                      PromptButtons::Ok, PromptIcon::Information);
}

ChipService& TEditorForm::Chip(const std::string& what) {
    if (!services_.chip) {
        NotAvailable(what);
        throw SilentAbort();
    }
    return *services_.chip;
}

WindowService& TEditorForm::Windows() {
    if (!services_.windows) {
        NotAvailable("This window");
        throw SilentAbort();
    }
    return *services_.windows;
}

void TEditorForm::Command(const std::function<void()>& body) {
    try {
        body();
    } catch (const SilentAbort&) {
        // Reported where it failed.
    } catch (const std::exception& e) {
        prompter_.Message(std::string("The command failed: ") + e.what(), "Pellix ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
    }
}

// ---- window events -------------------------------------------------------------------------

void TEditorForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Command([this] { FormShow(); });
    }
}

void TEditorForm::FormShow() {
    int32_t warranty = 0;
    registry_.ReadInteger(setting::ShowWarranty, warranty);
    if (warranty < kWarrantyAccepted) {
        if (!Windows().AskDisclaimer()) {
            terminated_ = true;
            terminate_();
            return;
        }
        registry_.WriteInteger(setting::ShowWarranty, kWarrantyAccepted);
        registry_.Flush();
    }
    if (!registry_.KeyExists(setting::EditorWindow)) {
        QRect screen = QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->geometry()
                           : QRect(0, 0, 1024, 768);
        Placement p{screen.height() / 8, screen.width() / 4, true, screen.width() / 2,
                    screen.height() * 3 / 4};
        registry_.StorePlacement(setting::EditorWindow, p);
        setGeometry(p.left, p.top, p.width, p.height);
    }
    setAcceptDrops(true);

    if (commandLine_.compilerMode) {
        StartCompilerMode();
        return;
    }
    if (!commandLine_.fileName.empty()) {
        std::string path = commandLine_.fileName;
        if (Lower(ExtensionOf(path)) == ".sxh") {
            bool readOnly = commandLine_.readOnly;
            // The device window takes the image once this window has painted.
            QTimer::singleShot(0, this, [this, path, readOnly] {
                Command([&] {
                    Windows().LoadDeviceImage(path, readOnly);
                    Windows().ShowDeviceWindow();
                });
            });
        } else {
            files_->SetReadOnlySwitch(commandLine_.readOnly);
            if (files_->OpenFile(path)) SetRunButtonsEnabled(true);
        }
    } else {
        files_->New();
    }
    if (OriginalEditorInUse()) originalView_->setFocus();
}

void TEditorForm::StartCompilerMode() {
    // A name that was not found was dropped and reported with the command line.
    if (commandLine_.fileName.empty()) return;
    const std::string base = sxc::BaseName(commandLine_.fileName);
    if (!sxc::FilesExist(base)) {
        prompter_.Message("Compiler output not found on disk:\r\"" + base + ".cod\" and \"" + base +
                              ".lst\" must both exist.",
                          "COMMAND LINE ERROR", PromptButtons::Ok, PromptIcon::Error);
        return;
    }
    if (!compilerLoad_ || !compilerLoad_(base)) return;
    compilerLoaded_ = true;
    files_->SetReadOnly(commandLine_.readOnly);
    setWindowTitle(QString::fromStdString(
        sxc::MainCaption(kMainCaption, commandLine_.fileName, commandLine_.readOnly)));
    DisableForCompilerMode();
    // Without a debug window (the key could not be reached, the kernel does not fit) the
    // main window stays, so the program is never left running with no window at all.
    if (StartDebugging(true)) sxcModeTimer_->start();
}

void TEditorForm::DisableForCompilerMode() {
    for (const char* item : {"FileNewItem", "FileOpenItem", "FileSaveItem", "FileSaveAsItem",
                             "FileListToggleItem", "FilePrintItem", "RunAssembleItem"})
        items_[item]->setEnabled(false);
    for (const char* button : {"NewTBTN", "OpenTBTN", "SaveTBTN", "AssemblyTBTN"})
        buttons_[button]->setEnabled(false);
    if (QMenu* edit = menuBar()->findChild<QMenu*>(QStringLiteral("EditMenu"))) {
        edit->menuAction()->setEnabled(false);
        // The items too, so their shortcuts stay quiet.
        for (QAction* a : edit->actions())
            a->setEnabled(false);
    }
}

void TEditorForm::closeEvent(QCloseEvent* event) {
    if (!terminated_ && !files_->CloseQuery()) {
        event->ignore();
        return;
    }
    if (services_.windows) services_.windows->CloseDebugWindows();
    QtPlacedWindow placed(*this);
    registry_.SaveWindow(setting::EditorWindow, placed);
    registry_.WriteInteger(setting::FileListWidth, filesList_->width());
    registry_.Flush();
    event->accept();
    // The main window is hidden in compiler-output mode, so closing it would not end the
    // event loop by itself.
    if (compilerLoaded_ && !terminated_) {
        terminated_ = true;
        terminate_();
    }
}

bool TEditorForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // Hints go to the first panel, leaving the other two in place.
        SetStatus(0, static_cast<QStatusTipEvent*>(event)->tip().toStdString());
        return true;
    }
    return QMainWindow::event(event);
}

void TEditorForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TEditorForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    FilesDropped(paths);
}

void TEditorForm::FilesDropped(const std::vector<std::string>& paths) {
    Command([&] { files_->DropFiles(paths); });
}

void TEditorForm::ApplicationActivated() {
    if (!shown_ || terminated_ || QApplication::activeModalWidget()) return;
    // With compiler output loaded there is no source to check, and re-selecting the blank
    // editor would replace the compiler-mode caption.
    if (compilerLoaded_) return;
    Command([this] { files_->Activate(); });
}

// ---- File menu -----------------------------------------------------------------------------

void TEditorForm::FileNewItemClick() {
    Command([this] { files_->New(); });
}
void TEditorForm::FileOpenItemClick() {
    Command([this] { files_->OpenCommand(); });
}
void TEditorForm::Close1Click() {
    Command([this] { files_->Close(); });
}
void TEditorForm::FileSaveItemClick() {
    Command([this] { files_->Save(); });
}
void TEditorForm::FileSaveAsItemClick() {
    Command([this] { files_->SaveAs(); });
}
void TEditorForm::ReopenItemClick(int slot) {
    Command([this, slot] { files_->Reopen(slot); });
}

void TEditorForm::FileListToggleItemClick() {
    ViewDebugCodeMNUITEMClick();
}

void TEditorForm::FilePrintItemClick() {
    Command([this] {
        if (OriginalEditorInUse())
            OriginalPrint();
        else
            EnhancedPrint();
    });
}

void TEditorForm::FileExitItemClick() {
    close();
}

// ---- Edit menu -----------------------------------------------------------------------------

void TEditorForm::UndoMenuItemClick() {
    if (OriginalEditorInUse()) return;
    CurrentEditor().Undo();
    UpdateEditCommands();
}

void TEditorForm::RedoMenuItemClick() {
    if (OriginalEditorInUse()) return;
    CurrentEditor().Redo();
    UpdateEditCommands();
}

void TEditorForm::EditCutItemClick() {
    if (!OriginalEditorInUse()) {
        CurrentEditor().Cut();
        return;
    }
    if (!buffer_.HasSelection()) return;
    QApplication::clipboard()->setText(Latin1(buffer_.CopyText()));
    buffer_.DeleteSelection();
    originalView_->Refresh();
    OriginalCaretMoved();
}
void TEditorForm::EditCopyItemClick() {
    if (!OriginalEditorInUse()) {
        CurrentEditor().Copy();
        return;
    }
    // Lines go out as CR LF, as other programs expect them.
    if (buffer_.HasSelection()) QApplication::clipboard()->setText(Latin1(buffer_.CopyText()));
}
void TEditorForm::EditPasteItemClick() {
    if (!OriginalEditorInUse()) {
        CurrentEditor().Paste();
        return;
    }
    QByteArray clip = QApplication::clipboard()->text().toLatin1();
    if (clip.isEmpty() || buffer_.ReadOnly()) return;
    if (!buffer_.Paste(std::string_view(clip.constData(), size_t(clip.size())))) BufferFull();
    originalView_->Refresh();
    OriginalCaretMoved();
}

void TEditorForm::EditFindItemClick() {
    if (OriginalEditorInUse()) {
        Command([this] { OriginalFindReplace(); });
        return;
    }
    findDialog_->SetFindString(CurrentEditor().Decode(CurrentEditor().SelectedText()));
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
}

void TEditorForm::EditFindReplaceItemClick() {
    if (OriginalEditorInUse()) {
        Command([this] { OriginalFindReplace(); });
        return;
    }
    replaceDialog_->SetFindString(CurrentEditor().Decode(CurrentEditor().SelectedText()));
    replaceDialog_->show();
    replaceDialog_->raise();
    replaceDialog_->activateWindow();
}

void TEditorForm::FindDialogFind(TSearchDialog& dialog) {
    lastSearch_ = CurrentEditor().Encode(dialog.FindString());
    lastOptions_ = dialog.Options();
    if (lastSearch_.empty()) return;
    if (CurrentEditor().Find(lastSearch_, lastOptions_)) return;
    bool quoted = dialog.GetKind() == TSearchDialog::Kind::Replace;
    prompter_.Message("Couldn't find: " + (quoted ? "\"" + lastSearch_ + "\"" : lastSearch_),
                      "Word Not Found", PromptButtons::Ok, PromptIcon::Information);
}

void TEditorForm::EditFindNextMenuItemClick() {
    if (OriginalEditorInUse()) {
        Command([this] { OriginalFind(false); });
        return;
    }
    if (lastSearch_.empty()) return;
    if (!CurrentEditor().Find(lastSearch_, lastOptions_))
        prompter_.Message("Couldn't find: \"" + lastSearch_ + "\"", "Word Not Found",
                          PromptButtons::Ok, PromptIcon::Information);
}

void TEditorForm::ReplaceDialogReplace() {
    TPlusMemo& e = CurrentEditor();
    std::string find = e.Encode(replaceDialog_->FindString());
    SearchOptions o = replaceDialog_->Options();
    std::string selected = e.SelectedText();
    // Only a selection that is the searched text is replaced; then the next one is found.
    bool matches = o.matchCase ? selected == find : Lower(selected) == Lower(find);
    if (!find.empty() && !selected.empty() && matches)
        e.ReplaceSelection(e.Encode(replaceDialog_->ReplaceString()));
    FindDialogFind(*replaceDialog_);
}

void TEditorForm::ReplaceDialogReplaceAll() {
    TPlusMemo& e = CurrentEditor();
    std::string find = e.Encode(replaceDialog_->FindString());
    std::string with = e.Encode(replaceDialog_->ReplaceString());
    SearchOptions o = replaceDialog_->Options();
    if (find.empty()) return;
    int line = e.CurrentLine(), column = e.CurrentColumn();
    e.SetCurrentLine(0);
    int count = 0;
    e.BeginUndoGroup();
    while (e.Find(find, o)) {
        e.ReplaceSelection(with);
        ++count;
    }
    e.EndUndoGroup();
    e.SetCaret(line, column);
    e.ScrollCaretIntoView();
    prompter_.Message("Replaced: " + find + "\rwith: " + with + "\r" + std::to_string(count) +
                          " times.",
                      o.matchCase ? "Case Sensitive Find and Replace" : "Find and Replace",
                      PromptButtons::Ok, PromptIcon::Information);
}

void TEditorForm::EditReplaceItemClick() {
    if (OriginalEditorInUse()) Command([this] { OriginalReplace(); });
}

void TEditorForm::EditTextBiggerItemClick() {
    OriginalTextSize(true);
}

void TEditorForm::EditTextSmallerItemClick() {
    OriginalTextSize(false);
}

void TEditorForm::GoToLineMENUITMClick() {
    if (OriginalEditorInUse()) return;
    Command([this] {
        std::optional<int> n = Windows().AskLineNumber();
        if (!n) return;
        TPlusMemo& e = CurrentEditor();
        int line = std::min(*n - 1, e.LineCount() - 1);
        if (e.CurrentLine() != line) e.SetCurrentLine(line);
        e.ScrollCaretIntoView();
    });
}

void TEditorForm::ClearErrorsMENUITMClick() {
    if (services_.externalAssembler) services_.externalAssembler->ClearErrors();
    errorList_->clear();
    ApplyErrorListRule();
    RemoveErrorHighlight();
    SetStatus(2, {});
}

void TEditorForm::ErrorLBDblClick(int row) {
    if (!settings_.useNewEditor || !settings_.useOrda) {
        prompter_.Message("Jumping to errors not supported with old editor.", "Double Click ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
        return;
    }
    Command([this, row] {
        // A jump only shows the line; it must not make the file look edited.
        SourceEditor& before = files_->CurrentEditor();
        bool modified = before.Modified();
        JumpToError(row);
        if (&files_->CurrentEditor() == &before) before.SetModified(modified);
    });
}

void TEditorForm::JumpToError(int row) {
    ExternalAssemblerService* orda = services_.externalAssembler;
    if (!orda || row < 0 || row >= int(orda->ErrorList().size())) return;
    std::string name = orda->ErrorFileName(row);
    if (name.empty()) return;
    // Names in the error file are as orda opened them, relative to the source's folder.
    std::string folder = FolderPart(orda->AssembledSource());
    std::string path = FullPath(name[0] == '/' || folder.empty() ? name : folder + "/" + name);
    auto find = [&]() {
        int exact = files_->Entries().Find(path);
        if (exact >= 0) return exact;
        for (int i = 0; i < files_->Count(); ++i)
            if (Lower(files_->Entry(i).fileName) == Lower(path)) return i;
        return -1;
    };
    int index = find();
    if (index < 0) {
        if (files_->OpenFile(path)) SetRunButtonsEnabled(true);
        index = find();
    }
    if (index < 0) return;
    if (index != files_->CurrentIndex()) files_->Select(index);
    int line = orda->ErrorLineNumber(row);
    TPlusMemo& e = CurrentEditor();
    if (line < 1 || line > e.LineCount()) return;
    ShowErrorHighlight(line - 1, e.PositionOfLine(line - 1), e.LineEndPosition(line - 1));
}

// ---- assembly ------------------------------------------------------------------------------

void TEditorForm::RemoveErrorHighlight() {
    if (files_ && files_->Count() > 0) CurrentEditor().ClearHighlight();
    highlightLine_ = highlightStart_ = highlightEnd_ = -1;
}

void TEditorForm::ShowErrorHighlight(int line, int start, int end) {
    RemoveErrorHighlight();
    TPlusMemo& e = CurrentEditor();
    if (e.CurrentLine() != line) e.SetCurrentLine(line);
    e.ScrollCaretIntoView();
    e.Highlight(start, end, settings_.errorBgColor & 0x00FFFFFF);
    highlightLine_ = line;
    highlightStart_ = start;
    highlightEnd_ = end;
}

void TEditorForm::LocateAssemblyError(const FilteredText& pasted) {
    // The buffer was made from this editor's text, and each of its characters knows where
    // it came from, so the offending range maps back exactly (a search for the line's text
    // would stop at an earlier line that reads the same).
    size_t n = pasted.text.size();
    size_t from = pasted.origin[std::min<size_t>(record_.errorStart, n)];
    size_t to = pasted.origin[std::min<size_t>(std::max(record_.errorEnd, record_.errorStart), n)];
    TPlusMemo& e = CurrentEditor();
    int line = e.LineOfPosition(int(from));
    int lineStart = e.PositionOfLine(line);
    int lineEnd = e.LineEndPosition(line);
    int start = std::clamp(int(from), lineStart, lineEnd);
    int end = std::clamp(int(to), start, lineEnd);
    // An error at the end of a line still shows on it.
    if (end <= start) {
        start = lineStart;
        end = lineEnd;
    }
    ShowErrorHighlight(line, start, end);
}

void TEditorForm::DoAssemble() {
    BusyCursor busy;
    SetStatus(2, {});
    const bool original = OriginalEditorInUse();
    TPlusMemo& e = CurrentEditor();
    RemoveErrorHighlight();
    if (original ? buffer_.Empty() : e.IsEmpty()) {
        SetStatus(2, "ASSEMBLY ERROR");
        prompter_.Message(kEmptyEditor, "Assembly ERROR", PromptButtons::Ok, PromptIcon::Error);
        throw SilentAbort();
    }
    if (settings_.useOrda) {
        AssembleWithOrda();
        return;
    }
    if (!services_.assembler) {
        NotAvailable("The built-in assembler");
        throw SilentAbort();
    }

    // The source goes into the original editor's buffer, with CR line ends and the
    // characters a paste takes, for the assembler; the original editor's buffer is the
    // source itself. The user's clipboard is not the way there: it keeps what it holds.
    FilteredText pasted;
    if (!original) {
        std::string text = e.Text();
        buffer_.Clear();
        if (!buffer_.Paste(text, &pasted)) {
            SetStatus(2, "ASSEMBLY ERROR");
            prompter_.Message("The source is too long to assemble: the assembler takes at most "
                              "1,000,000 characters.",
                              "Assembly ERROR", PromptButtons::Ok, PromptIcon::Error);
            throw SilentAbort();
        }
    }
    record_.source = std::string(buffer_.Text());
    record_.status = 1;
    record_.message.clear();
    services_.assembler->Assemble(record_);

    if (record_.status != 0) {
        SetStatus(2, "ASSEMBLY ERROR: " + record_.message);
        buffer_.Select(record_.errorStart, record_.errorEnd);
        if (original) {
            buffer_.EnsureCaretVisible();
            originalView_->Refresh();
            OriginalCaretMoved();
        } else {
            LocateAssemblyError(pasted);
        }
        throw SilentAbort();
    }
    AssemblySucceeded(original ? nullptr : &e, false, std::move(pasted));
}

void TEditorForm::AssemblySucceeded(TPlusMemo* editor, bool external, FilteredText pasted) {
    lastAssembly_ = {editor, files_->CurrentFileName(), external, std::move(pasted)};
    if (services_.windows) services_.windows->AssemblySucceeded();
    SetStatus(2, "Assembly Successful");
    emit Assembled();
}

void TEditorForm::AssembleWithOrda() {
    ExternalAssemblerService* orda = services_.externalAssembler;
    if (!orda) {
        NotAvailable("Assembling with the external assembler");
        throw SilentAbort();
    }
    bool ok = true;
    std::string message;
    if (files_->CurrentModified() && settings_.saveFileBeforeAssembly) {
        const std::string& name = files_->CurrentFileName();
        bool answer = services_.windows ? services_.windows->AskSaveBeforeAssembly(name) : true;
        if (answer) {
            bool attribute = name != kUntitledName && HasReadOnlyAttribute(name);
            if (attribute || files_->ReadOnly()) {
                message = kReadOnlyAssemble;
                ok = false;
            } else {
                files_->Save();
                // A cancelled Save As leaves it modified.
                if (files_->CurrentModified()) ok = false;
            }
        } else {
            ok = false;
            ClearErrorsMENUITMClick();
        }
    }
    // orda reads the file on disk; an editor that never had one has nothing there.
    if (ok && files_->CurrentFileName() == kUntitledName) {
        message = kNeverSaved;
        ok = false;
    }
    if (ok) {
        int result = orda->Run(files_->CurrentFileName());
        if (result >= 0 && result <= 5) RefreshErrorList(true);
        auto missing = [&](const char* text) {
            std::string detail = orda->FailureDetail();
            return detail.empty() ? std::string(text) : detail;
        };
        switch (result) {
        case 0:
        case 2:
            break;
        case 1:
            message = "Unable to assemble due to errors in source code.";
            break;
        case 3:
            message = missing(".MAP file not found on disk");
            break;
        case 4:
            message = missing(".OBJ file not found on disk");
            break;
        case 5:
            message = missing(".SYM file not found on disk");
            break;
        default:
            break;
        }
        ok = result == 0 || result == 2;
    }
    if (!message.empty())
        prompter_.Message(message, "Assembly ERROR", PromptButtons::Ok, PromptIcon::Error);
    if (!ok) {
        SetStatus(2, "ASSEMBLY ERROR");
        if (settings_.useNewEditor && settings_.jumpToAssemblyError && errorList_->count() > 0) {
            int first = orda->FirstErrorIndex();
            if (first >= 0) {
                JumpToError(first);
                errorList_->setCurrentRow(first);
            }
        }
        throw SilentAbort();
    }
    AssemblySucceeded(OriginalEditorInUse() ? nullptr : &CurrentEditor(), true, {});
    // Only orda lets a program name a clock the key cannot make; said once, here.
    std::string notice = services_.chip ? services_.chip->ClockNotice(record_.debug.frequency) : "";
    if (!notice.empty()) SetStatus(2, "Assembly Successful; " + notice);
}

// ---- Run menu ------------------------------------------------------------------------------

void TEditorForm::RunAssembleItemClick() {
    Command([this] { DoAssemble(); });
}

void TEditorForm::RunProgramItemClick() {
    Command([this] {
        BusyCursor busy;
        if (!CompilerMode()) DoAssemble();
        const uint32_t start = ticks_->Milliseconds();
        Chip("Programming the chip").ProgramChip(false);
        if (settings_.extras.programMessage)
            SetStatus(2, ProgrammingSuccessText(ticks_->Milliseconds() - start));
    });
}

void TEditorForm::RunRunItemClick() {
    Command([this] {
        BusyCursor busy;
        if (!CompilerMode()) DoAssemble();
        ChipService& chip = Chip("Running the program on the chip");
        RequireKeyClock(chip, "Run ERROR");
        chip.RequireFullKey();
        chip.ProgramChip(true);
        uint32_t f = record_.debug.frequency;
        Windows().ShowClockGenInfo(f);
        SetStatus(2, chip.ClockText(f));
    });
}

void TEditorForm::RequireKeyClock(ChipService& chip, const char* caption) {
    std::string notice = chip.ClockNotice(record_.debug.frequency);
    if (notice.empty()) return;
    notice[0] = char(std::toupper(static_cast<unsigned char>(notice[0])));
    prompter_.Message(notice + ".\rRun and Debug need that clock; Program writes the program "
                               "without it.",
                      caption, PromptButtons::Ok, PromptIcon::Error);
    throw SilentAbort();
}

void TEditorForm::RunDebugItemClick() {
    StartDebugging(true);
}

void TEditorForm::RunDebugAgainItemClick() {
    StartDebugging(false);
}

// Debug Again leaves the chip's program as it is: only the kernel's session starts anew.
bool TEditorForm::StartDebugging(bool program) {
    bool started = false;
    Command([this, program, &started] {
        BusyCursor busy;
        if (services_.windows) services_.windows->HideDebugWindow();
        if (!CompilerMode()) DoAssemble();
        ChipService& chip = Chip("Debugging on the chip");
        RequireKeyClock(chip, "Debug ERROR");
        if (!chip.PrepareDebug()) {
            prompter_.Message(record_.message, "Debug ERROR", PromptButtons::Ok, PromptIcon::Error);
            return;
        }
        chip.RequireFullKey();
        if (program) chip.ProgramChip(false);
        Windows().ShowDebugWindow();
        started = true;
    });
    return started;
}

void TEditorForm::ViewDebugCodeMNUITEMClick() {
    Command([this] {
        BusyCursor busy;
        if (!CompilerMode()) DoAssemble();
        if (settings_.useOrda && !CompilerMode()) {
            // The list file needs no chip; the debug preparation runs when there is one.
            if (services_.chip && !services_.chip->PrepareDebug()) {
                prompter_.Message(record_.message, "Debug ERROR", PromptButtons::Ok,
                                  PromptIcon::Error);
                return;
            }
            if (!Windows().BrowseList(files_->CurrentFileName()))
                prompter_.Message("Couldn't load file for viewing debug code", "View Debug ERROR",
                                  PromptButtons::Ok, PromptIcon::Error);
            return;
        }
        ChipService& chip = Chip("Viewing the assembled code");
        if (!chip.PrepareDebug()) {
            prompter_.Message(record_.message, "Debug ERROR", PromptButtons::Ok, PromptIcon::Error);
            return;
        }
        Windows().ToggleCodeView();
    });
}

void TEditorForm::RunClockItemClick() {
    Command([this] {
        ChipService& chip = Chip("The clock generator");
        chip.RequireFullKey();
        chip.ConnectKey();
        QToolButton* clock = buttons_["ClockTBTN"];
        clock->setEnabled(false);
        struct Reenable {
            QToolButton* b;
            ~Reenable() { b->setEnabled(true); }
        } reenable{clock};
        Windows().ShowClockWindow();
    });
}

void TEditorForm::RunDeviceItemClick() {
    Command([this] { Windows().ShowDeviceWindow(); });
}
void TEditorForm::RunPinsItemClick() {
    Command([this] { Windows().ShowPinsWindow(); });
}
void TEditorForm::RunTerminalItemClick() {
    Command([this] { Windows().ShowTerminalWindow(); });
}
void TEditorForm::RunConfigureItemClick() {
    Command([this] { Windows().ShowConfigure(); });
}
void TEditorForm::HelpContentsItemClick() {
    Command([this] { Windows().ShowHelp(); });
}
void TEditorForm::HelpAboutItemClick() {
    Command([this] { Windows().ShowAbout(); });
}

void TEditorForm::ToggleAssemblerClick(bool checked) {
    settings_.useOrda = checked;
}

// ---- the original editor ------------------------------------------------------------------

void TEditorForm::SetOriginalEditorWindows(TFindReplaceForm* findReplace, TPrintForm* print,
                                           TPrintStatusForm* printStatus) {
    findReplace_ = findReplace;
    printForm_ = print;
    printStatus_ = printStatus;
}

void TEditorForm::OriginalTextChanged() {
    originalView_->Refresh();
    OriginalCaretMoved();
}

void TEditorForm::OriginalCaretMoved() {
    if (!OriginalEditorInUse()) return;
    size_t caret = buffer_.Caret();
    ShowCaretPosition(int(buffer_.LineOf(caret)) + 1, int(caret - buffer_.LineStart(caret)) + 1);
}

void TEditorForm::ShowCaretPosition(int line, int column) {
    QLabel* panel = panels_[1];
    panel->setText(QStringLiteral("%1:%2").arg(line).arg(column));
    // Wide enough for the largest line number of the text and a column of three digits (or
    // the one shown), so the number is never cut; 50 pixels at least.
    int lines = OriginalEditorInUse()
                    ? int(buffer_.LineCount())
                    : (files_ && files_->Count() ? CurrentEditor().LineCount() : 1);
    const QString widest =
        QString(QString::number(std::max(lines, line)).size(), QLatin1Char('9')) +
        QLatin1Char(':') +
        QString(std::max<qsizetype>(3, QString::number(column).size()), QLatin1Char('9'));
    const int frame = 2 * panel->frameWidth() + panel->margin() * 2 + 6;
    const int width = std::max(50, panel->fontMetrics().horizontalAdvance(widest) + frame);
    if (width != panel->width()) panel->setFixedWidth(width);
}

void TEditorForm::BufferFull() {
    prompter_.Message(kBufferFull, "Original Editor", PromptButtons::Ok, PromptIcon::Warning);
}

void TEditorForm::OriginalFindReplace() {
    if (!findReplace_) {
        NotAvailable("Find/Replace");
        return;
    }
    int result = findReplace_->Ask(buffer_.SelectedText(), buffer_.HasSelection());
    if (result == 0) return;
    // From now on F4 repeats the replacement.
    replaceUsed_ = true;
    items_["EditReplaceItem"]->setVisible(true);
    switch (result) {
    case TFindReplaceForm::FindResult:
        OriginalFind(findReplace_->FromStart());
        break;
    case TFindReplaceForm::ReplaceResult:
        OriginalReplace();
        break;
    case TFindReplaceForm::AllResult:
        OriginalReplaceAll();
        break;
    default:
        break;
    }
}

void TEditorForm::OriginalFind(bool fromStart) {
    std::string what = findReplace_ ? findReplace_->FindText() : std::string();
    if (what.empty()) {
        prompter_.Message("Nothing to Find", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
        return;
    }
    if (!buffer_.Find(what, fromStart, findReplace_->WordOnly()))
        prompter_.Message("Nothing Found", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
    OriginalTextChanged();
}

void TEditorForm::OriginalReplace() {
    if (!buffer_.HasSelection()) {
        prompter_.Message("Nothing Selected", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
        return;
    }
    if (buffer_.ReadOnly()) {
        prompter_.Message("The file is READ ONLY: nothing was replaced.", "Find/Replace",
                          PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    if (!buffer_.ReplaceSelection(findReplace_ ? findReplace_->ReplaceText() : std::string())) {
        BufferFull();
        return;
    }
    // On to the next match, so F4 walks through them.
    std::string what = findReplace_ ? findReplace_->FindText() : std::string();
    if (!what.empty()) buffer_.Find(what, false, findReplace_->WordOnly());
    OriginalTextChanged();
}

void TEditorForm::OriginalReplaceAll() {
    if (buffer_.ReadOnly()) {
        prompter_.Message("The file is READ ONLY: nothing was replaced.", "Find/Replace",
                          PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    bool full = false;
    int count = buffer_.ReplaceAll(findReplace_->FindText(), findReplace_->ReplaceText(),
                                   findReplace_->FromStart(), findReplace_->WordOnly(), &full);
    OriginalTextChanged();
    if (full)
        prompter_.Message(std::string(kBufferFull) + "\r" + std::to_string(count) +
                              " replacements were made before it was full.",
                          "Find/Replace", PromptButtons::Ok, PromptIcon::Warning);
    else if (count == 0)
        prompter_.Message("Nothing Found", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
}

void TEditorForm::OriginalTextSize(bool bigger) {
    if (!OriginalEditorInUse()) return;
    if (bigger ? buffer_.TextBigger() : buffer_.TextSmaller()) originalView_->FontChanged();
}

void TEditorForm::OriginalPrint() {
    if (!printForm_ || !printStatus_) {
        NotAvailable("Printing");
        return;
    }
    const std::string text(buffer_.Text());
    const std::string selected = buffer_.SelectedText();
    printForm_->Prepare(PrintLineCount(text),
                        buffer_.HasSelection() ? PrintLineCount(selected) : 0);
    if (!printForm_->Ask()) return;
    QPrinter& printer = printForm_->Printer();
    if (printForm_->ToFile()) {
        const std::string& name = files_->CurrentFileName();
        std::string base = FilePart(name);
        base = base.substr(0, base.size() - ExtensionOf(base).size());
        FileDialogRequest request{
            "Print to File", name == kUntitledName ? std::string() : FolderPart(name),
            base + ".pdf", "PDF Files (*.pdf)|*.PDF|All Files (*.*)|*.*", "pdf"};
        std::optional<std::string> path = prompter_.SaveFileName(request);
        if (!path) return;
        printer.setOutputFileName(QString::fromStdString(*path));
    }
    PrintOutcome outcome =
        printForm_->Print(printForm_->SelectionChosen() ? selected : text, *printStatus_);
    if (outcome == PrintOutcome::Failed)
        prompter_.Message("Couldn't print \"" + files_->CurrentFileName() + "\".", "Print ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
}

void TEditorForm::EnhancedPrint() {
    TPlusMemo& e = CurrentEditor();
    QsciPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Pellix"));
    printer.setCreator(QStringLiteral("Pellix"));
    const bool hasSelection = e.SelectionLength() > 0;
    bool go = false;
    if (printDialog_) {
        go = printDialog_(printer, hasSelection);
    } else {
        QPrintDialog dialog(&printer, this);
        dialog.setObjectName(QStringLiteral("PrintDialog_PDLG"));
        dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
        go = dialog.exec() == QDialog::Accepted;
    }
    if (!go) return;
    int from = -1, to = -1;
    if (hasSelection && static_cast<QPrinter&>(printer).printRange() == QPrinter::Selection) {
        int lineFrom = 0, indexFrom = 0, lineTo = 0, indexTo = 0;
        e.Widget().getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        from = lineFrom;
        // A selection ending at a line's start does not take that line.
        to = indexTo == 0 && lineTo > lineFrom ? lineTo - 1 : lineTo;
    }
    // On paper comments are plain text; keywords keep their look.
    const EditorLook look = e.Look();
    EditorLook plain = look;
    plain.comment = look.text;
    e.SetLook(plain);
    long mode = e.SendScintilla(QsciScintillaBase::SCI_GETPRINTCOLOURMODE);
    e.SendScintilla(QsciScintillaBase::SCI_SETPRINTCOLOURMODE,
                    QsciScintillaBase::SC_PRINT_COLOURONWHITE);
    bool printed = printer.printRange(&e.Widget(), from, to);
    e.SendScintilla(QsciScintillaBase::SCI_SETPRINTCOLOURMODE, (unsigned long)mode);
    e.SetLook(look);
    if (!printed)
        prompter_.Message("Couldn't print \"" + files_->CurrentFileName() + "\".", "Print ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
}

} // namespace pellix
