#include "shell/ui/TEditorForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/FileIo.h"
#include "platform/SilentAbort.h"
#include "platform/qt/QtPlacedWindow.h"
#include "shell/Keywords.h"
#include "shell/ui/Colors.h"
#include "shell/ui/OriginalEditorView.h"
#include "shell/ui/TEditorFormShared.h"
#include "shell/ui/TSearchDialog.h"
#include "shell/ui/ToolIcons.h"

namespace pellix {

using editor_form::Latin1;
using editor_form::Lower;

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

// ---- construction -----------------------------------------------------------------------

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

void TEditorForm::SetOriginalEditorWindows(TFindReplaceForm* findReplace, TPrintForm* print,
                                           TPrintStatusForm* printStatus) {
    findReplace_ = findReplace;
    printForm_ = print;
    printStatus_ = printStatus;
}

// ---- look and settings ------------------------------------------------------------------

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

// ---- state helpers ----------------------------------------------------------------------

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

// ---- window events ----------------------------------------------------------------------

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

void TEditorForm::ApplicationActivated() {
    if (!shown_ || terminated_ || QApplication::activeModalWidget()) return;
    // With compiler output loaded there is no source to check, and re-selecting the blank
    // editor would replace the compiler-mode caption.
    if (compilerLoaded_) return;
    Command([this] { files_->Activate(); });
}

// ---- Help menu --------------------------------------------------------------------------

void TEditorForm::HelpContentsItemClick() {
    Command([this] { Windows().ShowHelp(); });
}
void TEditorForm::HelpAboutItemClick() {
    Command([this] { Windows().ShowAbout(); });
}

} // namespace pellix
