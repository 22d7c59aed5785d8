// The main window with the original editor: switching editors, the painted editor's keys
// and mouse, its find/replace window, printing, and the small windows.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

#include "FakeServices.h"
#include "ModalWatcher.h"
#include "TempFolder.h"
#include "platform/ScriptedPrompter.h"
#include "shell/ui/OriginalEditorView.h"
#include "shell/ui/TAboutForm.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/TFindReplaceForm.h"
#include "shell/ui/THelpForm.h"
#include "shell/ui/THintForm.h"
#include "shell/ui/TPrintForm.h"
#include "shell/ui/TPrintStatusForm.h"

using namespace pellix;
using namespace pellix::test;

namespace {

class FakeExternal final : public ExternalAssemblerService {
public:
    void Init() override {}
    void Shutdown() override {}
    int Run(const std::string&) override { return 0; }
    void RemoveIntermediateFiles() override { ++removed; }
    int removed = 0;
};

struct Rig {
    explicit Rig(bool original = true) {
        store.WriteInt(setting::ShowWarranty, 2);
        store.WriteInt("EditorWindow\\Top", 10);
        settings.useOrda = false;
        record = std::make_unique<AssemblyRecord>();
        ShellServices services{&assembler, &external, &chip, &windows};
        EditorFormContext context{*record, registry, settings, prompter, services, {}};
        context.ticks = &ticks;
        form = std::make_unique<TEditorForm>(std::move(context));
        form->SetTerminate([] {});
        form->SetOriginalEditorWindows(&findReplace, &print, &printStatus);
        settings.useNewEditor = !original;
        form->ApplyEditorChoice(); // as the Configure dialog does at start-up
        form->resize(640, 420);
    }
    void Show() {
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        View().setFocus();
        QCoreApplication::processEvents();
    }
    QAction* Item(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }
    OriginalEditorView& View() { return form->OriginalView(); }
    OriginalEditorBuffer& Buffer() { return form->Buffer(); }
    std::string Text() { return std::string(Buffer().Text()); }
    void SetText(const std::string& text) {
        Buffer().Load(text);
        View().Refresh();
    }
    QString LastText() const {
        return prompter.messages.empty() ? QString()
                                         : QString::fromStdString(prompter.messages.back().text);
    }
    // The viewport point of the middle of the character at `pos`.
    QPoint At(size_t pos) {
        QPoint p = View().PointOf(pos);
        return p + QPoint(View().CharWidth() / 2, View().CharHeight() / 2);
    }

    FakeTickSource ticks{0, 10000};
    MemorySettingsStore store;
    SettingsRegistry registry{store};
    WorkingSettings settings;
    ScriptedPrompter prompter;
    std::unique_ptr<AssemblyRecord> record;
    FakeAssembler assembler;
    FakeExternal external;
    FakeChip chip;
    FakeWindows windows;
    TFindReplaceForm findReplace;
    TPrintForm print;
    TPrintStatusForm printStatus;
    std::unique_ptr<TEditorForm> form;
};

QString L(const char* s) {
    return QString::fromLatin1(s);
}

void MaybeGrab(QWidget& w, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

// The number of pages in a PDF file that Qt wrote.
int PdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    QByteArray pdf = f.readAll();
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page/") +
               pdf.count("/Type /Page "));
}

// What a PDF file that Qt wrote draws: its content streams, inflated.
QByteArray PdfDrawing(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray pdf = f.readAll(), out;
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at)) {
        at += 7;
        qsizetype end = pdf.indexOf("endstream", at);
        if (end < 0) break;
        QByteArray data = pdf.mid(at, end - at);
        // Font programs and images are not all deflated; only zlib streams are drawing.
        if (data.startsWith('\x78')) {
            // qUncompress wants the size first; it grows its buffer beyond it when needed.
            out += qUncompress(QByteArray("\x00\x10\x00\x00", 4) + data);
        }
        at = end;
    }
    return out;
}

} // namespace

class OriginalEditorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void switchingShowsAndHidesWhatBelongsToEachEditor();
    void typingKeysAndTextSize();
    void clicksSelectWordsAndLines();
    void dragSelectsAndScrollsOutsideTheText();
    void clipboardTakesCrLfOutAndDropsLineFeedsComingIn();
    void assemblyReadsTheBufferAndSelectsTheError();
    void findReplaceWindowAndItsMessages();
    void printOptionsAndPrintingToAFile();
    void cancellingThePrintLeavesNoFile();
    void printedSectionsHaveRulesBetweenThem();
    void printingFromTheEnhancedEditor();
    void helpAboutAndHint();
};

void OriginalEditorWindowTest::switchingShowsAndHidesWhatBelongsToEachEditor() {
    Rig rig(false);
    rig.Show();
    TPlusMemo& e = rig.form->CurrentEditor();
    e.SetText("\tMOV W,#1\n");
    auto* toolbar = rig.form->findChild<QToolBar*>(L("EditorToolbar"));
    auto* list = rig.form->findChild<QListWidget*>(L("FilesLoadedLB"));
    QVERIFY(toolbar->isVisible());
    QVERIFY(!rig.View().isVisible());
    QVERIFY(!rig.Item("FileListToggleItem")->isVisible());

    rig.settings.useNewEditor = false;
    rig.form->ApplyEditorChoice();
    QVERIFY(rig.View().isVisible());
    QVERIFY(!toolbar->isVisible());
    QVERIFY(!list->isVisible());
    QVERIFY(!e.isVisible());
    QCOMPARE(rig.external.removed, 1);
    for (const char* hidden : {"UndoMenuItem", "RedoMenuItem", "GoToLineMENUITM",
                               "ViewDebugCodeMNUITEM", "ClearErrorsMENUITM", "EditReplaceItem"})
        QVERIFY2(!rig.Item(hidden)->isVisible(), hidden);
    for (const char* shown : {"EditTextBiggerItem", "EditTextSmallerItem", "FileListToggleItem"})
        QVERIFY2(rig.Item(shown)->isVisible(), shown);
    QCOMPARE(rig.Text(), std::string("\tMOV W,#1\r"));
    rig.settings.useOrda = true;
    rig.form->ApplyEditorChoice();
    QVERIFY2(rig.Item("ClearErrorsMENUITM")->isVisible(), "errors of the external assembler");
    QCOMPARE(rig.external.removed, 2); // each time the choice is applied

    // List Toggle is View List.
    rig.settings.useOrda = false;
    rig.Item("FileListToggleItem")->trigger();
    QVERIFY(std::count(rig.windows.calls.begin(), rig.windows.calls.end(), "ToggleCodeView"));

    rig.Buffer().SetCaret(rig.Buffer().Length());
    rig.Buffer().Type('!');
    rig.settings.useNewEditor = true;
    rig.form->ApplyEditorChoice();
    QVERIFY(toolbar->isVisible());
    QVERIFY(list->isVisible());
    QVERIFY(!rig.View().isVisible());
    QCOMPARE(e.Text(), std::string("\tMOV W,#1\n!"));
    for (const char* shown :
         {"UndoMenuItem", "RedoMenuItem", "GoToLineMENUITM", "ViewDebugCodeMNUITEM"})
        QVERIFY2(rig.Item(shown)->isVisible(), shown);
    for (const char* hidden : {"EditTextBiggerItem", "EditTextSmallerItem", "FileListToggleItem"})
        QVERIFY2(!rig.Item(hidden)->isVisible(), hidden);
}

void OriginalEditorWindowTest::typingKeysAndTextSize() {
    Rig rig;
    rig.Show();
    OriginalEditorView& v = rig.View();
    QVERIFY(v.hasFocus());
    QTest::keyClicks(&v, "start");
    QTest::keyClick(&v, Qt::Key_Tab);
    QVERIFY2(v.hasFocus(), "the editor takes Tab itself");
    QTest::keyClicks(&v, "JMP start");
    QTest::keyClick(&v, Qt::Key_Return);
    QTest::keyClicks(&v, "x");
    QTest::keyClick(&v, Qt::Key_Q, Qt::AltModifier);             // a menu's letter, not text
    QTest::keyClick(&v, Qt::Key_Backspace, Qt::ControlModifier); // the whole line
    QCOMPARE(rig.Text(), std::string("start\tJMP start\r"));
    QTest::keyClick(&v, Qt::Key_Left, Qt::ControlModifier); // to the end of line 1
    QTest::keyClick(&v, Qt::Key_Left, Qt::ControlModifier); // to "start"
    QTest::keyClick(&v, Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(rig.Buffer().SelectedText(), std::string("JMP "));
    QTest::keyClick(&v, Qt::Key_X, Qt::ControlModifier); // Cut
    QCOMPARE(rig.Text(), std::string("start\tstart\r"));
    QCOMPARE(rig.form->StatusText(1), L("1:7"));
    QVERIFY(rig.Buffer().Modified());

    // Ctrl+Up and Ctrl+Down are Text Bigger and Text Smaller.
    int width = v.CharWidth();
    QTest::keyClick(&v, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(rig.Buffer().FontSize(), 10);
    QCOMPARE(v.TextFont().pointSize(), 10);
    QVERIFY(v.CharWidth() >= width);
    QTest::keyClick(&v, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&v, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(rig.Buffer().FontSize(), 8);
    QCOMPARE(rig.Buffer().Caret(), size_t(6));

    // The caret blinks on the 125 ms timer, every fourth tick.
    auto* timer = rig.form->findChild<QTimer*>(L("CursorTimer"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 125);
    bool on = v.CaretShown();
    for (int i = 0; i < 3; ++i)
        QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(v.CaretShown(), on);
    QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(v.CaretShown(), !on);
    rig.Buffer().SetCaret(0);
    MaybeGrab(*rig.form, "original-editor-typed.png");
}

void OriginalEditorWindowTest::clicksSelectWordsAndLines() {
    Rig rig;
    rig.Show();
    rig.SetText("main\tMOV  W,#count_2\r\tRET\r");
    QWidget* port = rig.View().viewport();
    rig.ticks.SetStep(0);
    QTest::mouseClick(port, Qt::LeftButton, {}, rig.At(13));
    QCOMPARE(rig.Buffer().Caret(), size_t(13));
    rig.ticks.Advance(300);
    QTest::mouseClick(port, Qt::LeftButton, {}, rig.At(13));
    QCOMPARE(rig.Buffer().SelectedText(), std::string("count_2"));
    rig.ticks.Advance(499);
    QTest::mouseClick(port, Qt::LeftButton, {}, rig.At(13));
    QCOMPARE(rig.Buffer().SelectedText(), std::string("main\tMOV  W,#count_2\r"));
    MaybeGrab(*rig.form, "original-editor-line-selected.png");

    // A second press 500 ms later is a new click.
    rig.ticks.Advance(2000);
    QTest::mouseClick(port, Qt::LeftButton, {}, rig.At(2));
    rig.ticks.Advance(500);
    QTest::mouseClick(port, Qt::LeftButton, {}, rig.At(2));
    QVERIFY(!rig.Buffer().HasSelection());
    // Shift+click extends.
    rig.ticks.Advance(2000);
    QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, rig.At(23));
    QCOMPARE(rig.Buffer().SelectedText(), std::string("in\tMOV  W,#count_2\r\tR"));
    QCOMPARE(rig.form->StatusText(1), L("2:3"));
}

void OriginalEditorWindowTest::dragSelectsAndScrollsOutsideTheText() {
    Rig rig;
    rig.Show();
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "line " + std::to_string(i) + "\r";
    rig.SetText(text);
    OriginalEditorView& v = rig.View();
    QWidget* port = v.viewport();
    int visible = rig.Buffer().VisibleLines();
    QVERIFY(visible > 3);
    QTest::mousePress(port, Qt::LeftButton, {}, rig.At(2));
    QTest::mouseMove(port, rig.At(rig.Buffer().StartOfLine(2) + 3));
    QCOMPARE(rig.Buffer().SelectedText(), std::string("ne 0\rline 1\rlin"));

    // Below the text the timer scrolls a line per tick and the selection follows.
    auto* select = rig.form->findChild<QTimer*>(L("SelectTimer"));
    QCOMPARE(select->interval(), 100);
    QMouseEvent below(QEvent::MouseMove, QPointF(20, port->height() + 30),
                      port->mapToGlobal(QPointF(20, port->height() + 30)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(port, &below);
    QVERIFY(select->isActive());
    size_t first = rig.Buffer().FirstLine();
    for (int i = 0; i < 5; ++i)
        QMetaObject::invokeMethod(select, "timeout");
    QVERIFY(rig.Buffer().FirstLine() >= first + 5);
    QCOMPARE(rig.Buffer().CaretLine(), rig.Buffer().FirstLine() + size_t(visible) - 1);
    QCOMPARE(rig.Buffer().SelectionStart(), size_t(2));
    QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(20, port->height() + 30));
    QVERIFY(!select->isActive());
    QCOMPARE(v.verticalScrollBar()->value(), int(rig.Buffer().FirstLine()));

    // The wheel scrolls by the visible line count / 8 + 1 per notch.
    rig.Buffer().ScrollTo(50, 0);
    QWheelEvent wheel(QPointF(10, 10), port->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(port, &wheel);
    QCOMPARE(rig.Buffer().FirstLine(), size_t(50 + 2 * (visible / 8 + 1)));
}

void OriginalEditorWindowTest::clipboardTakesCrLfOutAndDropsLineFeedsComingIn() {
    Rig rig;
    rig.Show();
    rig.SetText("one\rtwo\r");
    rig.Buffer().SelectAll();
    rig.Item("EditCopyItem")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), L("one\r\ntwo\r\n"));
    rig.Buffer().SetCaret(rig.Buffer().Length());
    QApplication::clipboard()->setText(L("three\nfour\r\nfive"));
    rig.Item("EditPasteItem")->trigger();
    QCOMPARE(rig.Text(), std::string("one\rtwo\rthree\rfour\rfive"));
    rig.Buffer().Select(4, 8);
    rig.Item("EditCutItem")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), L("two\r\n"));
    QCOMPARE(rig.Text(), std::string("one\rthree\rfour\rfive"));
}

void OriginalEditorWindowTest::assemblyReadsTheBufferAndSelectsTheError() {
    Rig rig;
    rig.Show();
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.LastText(), L("Current editor is empty.  There is no code to assemble."));
    QVERIFY(rig.assembler.sources.empty());

    QApplication::clipboard()->setText(L("left alone"));
    rig.SetText("\tDEVICE SX28\r\tMOV W,#bad\r");
    rig.assembler.failMessage = "Undefined symbol";
    rig.assembler.failStart = 21;
    rig.assembler.failEnd = 24;
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.assembler.sources.back(), std::string("\tDEVICE SX28\r\tMOV W,#bad\r"));
    QCOMPARE(rig.form->StatusText(2), L("ASSEMBLY ERROR: Undefined symbol"));
    QCOMPARE(rig.Buffer().SelectedText(), std::string("bad"));
    QCOMPARE(QApplication::clipboard()->text(), L("left alone"));
    rig.assembler.failMessage.clear();
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.form->StatusText(2), L("Assembly Successful"));
}

void OriginalEditorWindowTest::findReplaceWindowAndItsMessages() {
    Rig rig;
    rig.Show();
    TFindReplaceForm& fr = rig.findReplace;
    QCOMPARE(fr.windowTitle(), L("Find/Replace"));
    QVERIFY(fr.windowFlags() & Qt::WindowStaysOnTopHint);

    // Find and All want a find text; Word Only wants one word; Replace a selection.
    fr.Prepare({}, false);
    fr.FindEdit()->clear();
    QVERIFY(!fr.FindButton()->isEnabled());
    QVERIFY(!fr.AllButton()->isEnabled());
    QVERIFY(!fr.ReplaceButton()->isEnabled());
    fr.FindEdit()->setText(L("a b"));
    QVERIFY(fr.FindButton()->isEnabled());
    QVERIFY(!fr.WordOnlyBox()->isEnabled());
    fr.FindEdit()->setText(L("count_1"));
    QVERIFY(fr.WordOnlyBox()->isEnabled());
    fr.Prepare({}, true);
    QVERIFY(fr.ReplaceButton()->isEnabled());
    fr.FindEdit()->clear();

    // F3 and F4 before anything was entered.
    rig.SetText("count COUNT recount count\r");
    rig.Item("EditFindNextMenuItem")->trigger();
    QCOMPARE(rig.LastText(), L("Nothing to Find"));
    rig.Buffer().SetCaret(0);
    rig.form->EditReplaceItemClick();
    QCOMPARE(rig.LastText(), L("Nothing Selected"));

    // The window answers 1, 4 or 8; the main window searches.
    bool preselected = true;
    auto press = [&](const char* find, const char* with,
                     QPushButton* (TFindReplaceForm::*button)() const, bool wordOnly = false,
                     bool fromStart = false) {
        ModalWatcher watcher;
        watcher.handler = [&](QDialog& d) {
            if (&d != &fr) return false;
            preselected &= fr.FindEdit()->hasSelectedText() || fr.FindEdit()->text().isEmpty();
            MaybeGrab(d, "find-replace.png");
            fr.FindEdit()->setText(L(find));
            fr.ReplaceEdit()->setText(L(with));
            fr.WordOnlyBox()->setChecked(wordOnly);
            fr.FromStartBox()->setChecked(fromStart);
            (fr.*button)()->click();
            return true;
        };
        rig.Item("EditFindReplaceItem")->trigger();
    };
    press("Count", "", &TFindReplaceForm::FindButton);
    QCOMPARE(rig.Buffer().SelectionStart(), size_t(0));
    QVERIFY(rig.Item("EditReplaceItem")->isVisible());
    rig.Item("EditFindNextMenuItem")->trigger();
    QCOMPARE(rig.Buffer().SelectionStart(), size_t(6));
    press("count", "", &TFindReplaceForm::FindButton, true);
    QCOMPARE(rig.Buffer().SelectionStart(), size_t(20));
    size_t before = rig.prompter.messages.size();
    press("count", "", &TFindReplaceForm::FindButton, true);
    QCOMPARE(rig.prompter.messages.size(), before + 1);
    QCOMPARE(rig.LastText(), L("Nothing Found"));

    // Replace takes the selection and goes on to the next match; F4 repeats it.
    press("count", "N", &TFindReplaceForm::FindButton, false, true);
    press("count", "N", &TFindReplaceForm::ReplaceButton);
    QCOMPARE(rig.Text(), std::string("N COUNT recount count\r"));
    QCOMPARE(rig.Buffer().SelectedText(), std::string("COUNT"));
    rig.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QTest::keyClick(&rig.View(), Qt::Key_F4);
    QCOMPARE(rig.Text(), std::string("N N recount count\r"));
    press("count", "#", &TFindReplaceForm::AllButton, true, true);
    QCOMPARE(rig.Text(), std::string("N N recount #\r"));
    press("zzz", "#", &TFindReplaceForm::AllButton, false, true);
    QCOMPARE(rig.LastText(), L("Nothing Found"));
    QVERIFY2(preselected, "the find box comes up with its text selected");
}

void OriginalEditorWindowTest::printOptionsAndPrintingToAFile() {
    TempFolder dir;
    Rig rig;
    rig.Show();
    TPrintForm& p = rig.print;
    QCOMPARE(p.windowTitle(), L("Print"));
    p.PrinterBox()->setCurrentText(L(TPrintForm::kPdfFileItem));
    p.Prepare(0, 0);
    QVERIFY2(!p.OkayButton()->isEnabled(), "nothing to print");
    QCOMPARE(p.PagesLabel()->text(), L("0 Lines = 0 Pages"));
    QVERIFY(!p.SelectionButton()->isEnabled());

    std::string text;
    for (int i = 1; i <= 150; ++i)
        text += "line\t" + std::to_string(i) + "\r";
    rig.SetText(text);
    rig.Buffer().Select(0, 10);
    p.Prepare(150, 2);
    QVERIFY2(p.SelectionButton()->isChecked(), "a selection is the first choice");
    QCOMPARE(p.PagesLabel()->text(), L("2 Lines = 1 Page"));
    p.AllButton()->setChecked(true);
    PrintMetrics m = p.Metrics();
    PrintLayout l = p.Layout();
    QVERIFY(m.charWidth > 0 && m.charHeight > 0);
    QCOMPARE(l.columns, m.pageWidth / m.charWidth);
    QCOMPARE(l.linesPerPage, m.pageHeight / m.charHeight);
    QCOMPARE(p.ColumnsLabel()->text(),
             QStringLiteral("%1 Column x %2 Line Page").arg(l.columns).arg(l.linesPerPage));
    QCOMPARE(p.CharacterLabel()->text(),
             QStringLiteral("%1 x %2 Pixel Characters").arg(m.charWidth).arg(m.charHeight));
    int pages = (150 + l.linesPerPage - 1) / l.linesPerPage;
    QCOMPARE(p.PagesLabel()->text(),
             QStringLiteral("150 Lines = %1 Page%2").arg(pages).arg(pages == 1 ? "" : "s"));
    p.SectionsBox()->setValue(2);
    QCOMPARE(p.Layout().columns, (m.pageWidth / m.charWidth - 3) / 2);
    QCOMPARE(
        p.ColumnsLabel()->text(),
        QStringLiteral("%1 Column x %2 Line Page").arg(p.Layout().columns).arg(2 * l.linesPerPage));
    p.SectionsBox()->setValue(1);
    int portraitColumns = p.Layout().columns;
    p.LandscapeButton()->setChecked(true);
    QVERIFY(p.Layout().columns > portraitColumns);
    p.PortraitButton()->setChecked(true);
    p.FontSizeBox()->setValue(72);
    p.SectionsBox()->setValue(8);
    QVERIFY2(!p.OkayButton()->isEnabled(), "no column fits");
    p.SectionsBox()->setValue(1);
    p.FontSizeBox()->setValue(9);

    // File, Print: the options, then where the PDF file goes, then the pages.
    rig.Buffer().SetCaret(0);
    std::string pdf = dir / "listing.pdf";
    rig.prompter.AnswerFile(pdf);
    QStringList counted;
    connect(&rig.printStatus, &TPrintStatusForm::PageStarted, &rig.printStatus,
            [&] { counted << rig.printStatus.PageLabel()->text(); });
    ModalWatcher watcher("PrintForm", "OkayBTN");
    // The page count shows while printing: it is left alone.
    watcher.handler = [](QDialog& d) {
        MaybeGrab(d, d.objectName() == L("PrintForm") ? "print-form.png" : "print-status.png");
        return d.objectName() == L("PrintStatusForm");
    };
    rig.Item("FilePrintItem")->trigger();
    QCOMPARE(watcher.seen.value(0), L("PrintForm"));
    QVERIFY(!p.SelectionButton()->isEnabled());
    QCOMPARE(QString::fromStdString(rig.prompter.dialogs.back().fileName), L("Untitled.pdf"));
    QVERIFY(QFile::exists(QString::fromStdString(pdf)));
    QCOMPARE(PdfPages(QString::fromStdString(pdf)), pages);
    QStringList expected;
    for (int i = 1; i <= pages; ++i)
        expected << QStringLiteral("%1 of %2").arg(i).arg(pages);
    QCOMPARE(counted, expected);
    QVERIFY(!rig.printStatus.isVisible());
    QByteArray bytes;
    {
        QFile f(QString::fromStdString(pdf));
        QVERIFY(f.open(QIODevice::ReadOnly));
        bytes = f.readAll();
    }
    if (QByteArray shots = qgetenv("PELLIX_SCREENSHOTS"); !shots.isEmpty()) {
        QFile::copy(QString::fromStdString(pdf), QString::fromLocal8Bit(shots) + "/printed.pdf");
        p.SectionsBox()->setValue(3);
        p.LandscapeButton()->setChecked(true);
        p.Printer().setOutputFileName(QString::fromLocal8Bit(shots) + "/printed-sections.pdf");
        p.Print(rig.Buffer().Text(), rig.printStatus);
        p.SectionsBox()->setValue(1);
        p.PortraitButton()->setChecked(true);
    }
    QVERIFY2(bytes.contains(QByteArray("/Title (") + QByteArray("\xFE\xFF\0P\0e\0l\0l\0i\0x", 14)),
             "the document title");
}

void OriginalEditorWindowTest::cancellingThePrintLeavesNoFile() {
    TempFolder dir;
    Rig rig;
    rig.Show();
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "x\r";
    rig.SetText(text);
    rig.print.PrinterBox()->setCurrentText(L(TPrintForm::kPdfFileItem));
    rig.print.Prepare(400, 0);
    QVERIFY(rig.print.Layout().pages >= 3);
    QString pdf = QString::fromStdString(dir / "cancelled.pdf");
    rig.print.Printer().setOutputFileName(pdf);
    int started = 0;
    connect(&rig.printStatus, &TPrintStatusForm::PageStarted, &rig.printStatus, [&](int page) {
        started = page;
        if (page == 2) rig.printStatus.CancelButton()->click();
    });
    QCOMPARE(rig.print.Print(rig.Buffer().Text(), rig.printStatus), PrintOutcome::Cancelled);
    QCOMPARE(started, 2);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(rig.printStatus.windowTitle(), L("Printing"));
}

void OriginalEditorWindowTest::printedSectionsHaveRulesBetweenThem() {
    // A page drawn as the printer gets it: two sections, a rule between them only.
    PrintMetrics m{400, 300, 10, 20};
    PrintLayout l = ComputePrintLayout(m, 2, 20);
    QCOMPARE(l.columns, 18);
    QCOMPARE(l.linesPerPage, 15);
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i)
        lines.push_back(std::string(18, 'W'));
    QImage page(m.pageWidth, m.pageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(14);
        painter.setFont(font);
        TPrintForm::PaintPage(painter, l, m, 14, lines, 0);
    }
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    int rule = l.RuleX(1, m.charWidth);
    QVERIFY(dark(rule, l.top + 2));
    QVERIFY(dark(rule, l.top + l.height - 2));
    QVERIFY2(!dark(l.left + l.width - 1, l.top + 100), "no rule after the last section");
    int inkLeft = 0, inkRight = 0;
    for (int y = l.top; y < l.top + 15 * 20; ++y)
        for (int x = 0; x < m.pageWidth; ++x)
            if (dark(x, y) && x != rule) (x < rule ? inkLeft : inkRight) += 1;
    QVERIFY(inkLeft > 0);
    QVERIFY(inkRight > 0);
    QVERIFY2(inkRight < inkLeft, "the second section holds 5 lines, the first 15");
    // The second page holds nothing (20 lines fit on one), so it has no rule either.
    QImage second(page.size(), QImage::Format_RGB32);
    second.fill(Qt::white);
    {
        QPainter painter(&second);
        TPrintForm::PaintPage(painter, l, m, 14, lines, 1);
    }
    QCOMPARE(qGray(second.pixel(rule, l.top + 2)), 255);
}

void OriginalEditorWindowTest::printingFromTheEnhancedEditor() {
    TempFolder dir;
    Rig rig(false);
    rig.Show();
    TPlusMemo& e = rig.form->CurrentEditor();
    e.SetText("; a comment\n\tMOV W,#1\n\tRET\n");
    QList<bool> offered;
    QString pdf = QString::fromStdString(dir / "enhanced.pdf");
    rig.form->SetPrintDialog([&](QPrinter& printer, bool hasSelection) {
        offered << hasSelection;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        if (hasSelection) printer.setPrintRange(QPrinter::Selection);
        return true;
    });
    const QColor comment = e.Lexer().color(SxLexer::Comment);
    QCOMPARE(comment, QColor(0, 128, 0));
    rig.Item("FilePrintItem")->trigger();
    QCOMPARE(offered, QList<bool>{false});
    QVERIFY(QFile::exists(pdf));
    QCOMPARE(PdfPages(pdf), 1);
    // On paper the comment is in the text's colour: no green is drawn.
    QByteArray drawing = PdfDrawing(pdf);
    QVERIFY(drawing.contains("Tj") || drawing.contains("TJ"));
    QVERIFY2(!drawing.contains("0 0.50196"), "a comment printed in its screen colour");
    QCOMPARE(e.Lexer().color(SxLexer::Comment), comment);
    QFile::remove(pdf);
    e.SetSelection(0, 5);
    rig.Item("FilePrintItem")->trigger();
    QCOMPARE(offered, (QList<bool>{false, true}));
    QVERIFY(QFile::exists(pdf));
    // Cancelled: nothing printed.
    QFile::remove(pdf);
    rig.form->SetPrintDialog([](QPrinter&, bool) { return false; });
    rig.Item("FilePrintItem")->trigger();
    QVERIFY(!QFile::exists(pdf));
}

void OriginalEditorWindowTest::helpAboutAndHint() {
    THelpForm help;
    QCOMPARE(help.windowTitle(), L("Help"));
    const QStringList lines = help.Memo()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines[0], L("Symbolic Debugging"));
    for (const char* line :
         {"WATCH   BitAddress,Bits,UDEC   ;unsigned decimal",
          "WATCH   BitAddress,Bits,SDEC   ;signed decimal",
          "WATCH   BitAddress,Bits,UHEX   ;unsigned hex",
          "WATCH   BitAddress,Bits,SHEX   ;signed hex",
          "WATCH   BitAddress,Bits,UBIN   ;unsigned binary",
          "WATCH   BitAddress,Bits,SBIN   ;signed binary",
          "WATCH   RegAddress,Bytes,FSTR  ;fixed-length string",
          "WATCH   RegAddress,Bytes,ZSTR  ;zero-terminated string", "HighByte        equ     $08",
          "                watch   HighByte,8,shex", "DoubleWord      equ     $09",
          "                watch   DoubleWord,32,udec",
          "The 'BREAK' directive establishes the breakpoint."})
        QVERIFY2(lines.contains(L(line)), line);
    QVERIFY(help.Memo()->toPlainText().contains(L("\"reg\" means \"reg.0\"")));
    QVERIFY(help.Memo()->font().fixedPitch());
    QVERIFY(help.Memo()->isReadOnly());
    help.ShowCentred();
    QVERIFY(help.isVisible());
    MaybeGrab(help, "help.png");
    // The whole reference shows without scrolling sideways.
    QVERIFY(!help.Memo()->horizontalScrollBar()->isVisible());
    QVERIFY(!help.isModal());

    TAboutForm about;
    QVERIFY(about.findChild<QLabel*>(L("VersionLBL"))->text() == L("Version: 2.02"));
    ModalWatcher watcher;
    QString disclaimer;
    QStringList buttonTexts;
    watcher.handler = [&](QDialog& d) {
        if (d.objectName() == L("AboutForm")) {
            MaybeGrab(d, "about.png");
            about.MoreButton()->click();
            d.accept();
            return true;
        }
        if (d.objectName() == L("DisclaimerViewDLG")) {
            MaybeGrab(d, "about-more.png");
            disclaimer = d.findChild<QTextBrowser*>()->toPlainText();
            for (QPushButton* b : d.findChildren<QPushButton*>())
                buttonTexts << b->text();
            d.findChild<QPushButton*>()->click();
            return true;
        }
        return false;
    };
    about.Ask();
    QCOMPARE(watcher.seen, (QStringList{"AboutForm", "DisclaimerViewDLG"}));
    QVERIFY(disclaimer.startsWith(L("This software is provided \"as is\"")));
    QVERIFY(!disclaimer.contains(L("I Accept")));
    QCOMPARE(buttonTexts, QStringList{"Okay"});

    // The hint: sized to its text, black frame, hidden by its timer.
    THintForm hint;
    QWidget caller;
    caller.show();
    hint.ShowHint(L("W = 3A\rchanged"), 2, QPoint(100, 120), 1500, &caller);
    MaybeGrab(hint, "hint.png");
    QFontMetrics fm(hint.font());
    QCOMPARE(hint.width(), fm.horizontalAdvance(L("changed")) + 6);
    QCOMPARE(hint.height(), 2 * fm.height() + 5);
    QCOMPARE(hint.pos(), QPoint(100, 120));
    QVERIFY(hint.isVisible());
    QVERIFY(hint.Timer()->isActive());
    QCOMPARE(hint.Timer()->interval(), 1500);
    QImage drawn = hint.grab().toImage();
    QCOMPARE(QColor(drawn.pixel(0, 0)), QColor(Qt::black));
    QCOMPARE(QColor(drawn.pixel(1, drawn.height() / 2)),
             hint.palette().color(QPalette::ToolTipBase));
    QMetaObject::invokeMethod(hint.Timer(), "timeout");
    QVERIFY(!hint.isVisible());
    hint.ShowHint(L("one\rtwo\rthree"), 1, QPoint(0, 0), 10);
    QCOMPARE(hint.Lines(), QStringList{"one"});
    // Without a line count: every line, CR LF pairs counted once.
    hint.ShowHint(L("one\r\ntwo\nthree"), QPoint(0, 0), 10);
    QCOMPARE(hint.Text(), L("one\rtwo\rthree"));
    QCOMPARE(hint.height(), 3 * fm.height() + 5);
}

QTEST_MAIN(OriginalEditorWindowTest)
#include "OriginalEditorWindowTest.moc"
