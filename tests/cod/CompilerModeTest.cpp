// A whole compiler-output session from the main window: pellix /B on a small compiler's
// .COD and .LST, on the program's own virtual key.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "app/Environment.h"
#include "asm/Disassembler.h"
#include "cod/CodWriter.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "platform/ScriptedPrompter.h"
#include "shell/TempFolder.h"
#include "shell/WorkingSettings.h"
#include "shell/ui/TEditorForm.h"

using namespace pellix;
using pellix::test::CodWriter;
using pellix::test::TempFolder;

namespace {

// MOV W,#5A; MOV 08,W; JMP 0, and the reset vector jumping to 0, on an SX28 at 4 MHz.
void WriteProgram(TempFolder& dir) {
    CodWriter w;
    w.ShortSymbols({{"__RESET", 1, 0x7FF}, {"counter", 1, 0x08}});
    w.LongSymbols({});
    w.LocalEntries({});
    w.SourceFiles({"main.c"});
    w.Word(0, 0xC5A), w.Word(1, 0x028), w.Word(2, 0xA00), w.Word(0x7FF, 0xA00);
    w.Word(4112, 0x0F3A), w.Word(4113, 0x0FFF);
    w.Word(4114, 0x0900), w.Word(4115, 0x003D); // 4,000,000 Hz
    w.MemoryMap({{0, 5}, {0xFFE, 0xFFF}});
    w.LineRecords({{0, 0x80, 10, 0}, {0, 0, 11, 1}, {0, 0, 12, 2}, {0, 0, 13, 0x7FF}});
    w.DebugMessages({{2, 'w', "counter, 8, uhex"}});
    w.Write((dir / "prog.cod"));
    dir.Write("prog.lst", "0000 0C5A  w = 0x5A;\r\n0001 0028  counter = w;\r\n"
                          "0002 0A00  for (;;);\r\n07FF 0A00  reset\r\n");
}

QAction* Item(TEditorForm& f, const char* name) {
    return f.findChild<QAction*>(QString::fromLatin1(name));
}

// Ticks the debug window until its run buttons come back; false when they never do.
bool TicksUntilIdle(TDebugForm& debug, FakeTickSource& ticks, int limit = 200) {
    auto* step = debug.findChild<QPushButton*>(QStringLiteral("StepButton"));
    for (int i = 0; i < limit; ++i) {
        ticks.Advance(40);
        debug.TimerTick();
        if (step->isEnabled()) return true;
    }
    return false;
}

} // namespace

class CompilerModeTest : public QObject {
    Q_OBJECT
private slots:
    void wholeSessionEndsWithTheDebugWindow();
    void missingListIsReported();
    void gputilsOutputMarksItsOwnListing();
};

void CompilerModeTest::wholeSessionEndsWithTheDebugWindow() {
    TempFolder dir;
    WriteProgram(dir);
    MemorySettingsStore store;
    store.WriteInt(setting::ShowWarranty, 2);
    store.WriteString(setting::ComPort, "sim");
    ScriptedPrompter prompter;
    FakeTickSource ticks;
    Environment env(store, prompter, {"/B", (dir / "prog"), "/R"}, {}, {},
                    HardwareOptions{&ticks, {}});
    bool ended = false;
    TEditorForm& form = env.EditorForm();
    form.SetTerminate([&] { ended = true; });
    TDebugForm& debug = env.DebugForm();
    debug.SetAutomaticTimer(false);
    form.show();
    QCoreApplication::processEvents();

    QVERIFY2(prompter.messages.empty(),
             prompter.messages.empty() ? "" : prompter.messages[0].text.c_str());
    QCOMPARE(form.windowTitle(), QStringLiteral("Pellix v2.02 - ByteCraft SXC Mode - ") +
                                     QString::fromStdString((dir / "prog.cod")) +
                                     QStringLiteral(" : READ ONLY"));
    for (const char* name : {"FileNewItem", "FileOpenItem", "FileSaveItem", "FileSaveAsItem",
                             "FileListToggleItem", "FilePrintItem", "RunAssembleItem"})
        QVERIFY2(!Item(form, name)->isEnabled(), name);
    QVERIFY(!form.findChild<QToolButton*>(QStringLiteral("AssemblyTBTN"))->isEnabled());
    QVERIFY(!form.findChild<QMenu*>(QStringLiteral("EditMenu"))->menuAction()->isEnabled());

    // Debug ran without assembling: the compiler's image is in the chip, the list in the view.
    QVERIFY(debug.isVisible());
    QCOMPARE(env.Record().debug.watchCount, 1);
    TCodeForm& code = env.CodeForm();
    QVERIFY(code.isVisible());
    QVERIFY(code.windowTitle().startsWith(QStringLiteral("prog.cod -  ")));
    QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 2000); // the main window steps aside

    auto* step = debug.findChild<QPushButton*>(QStringLiteral("StepButton"));
    auto idle = [&] { return TicksUntilIdle(debug, ticks); };
    QVERIFY(idle());
    QCOMPARE(env.Hardware().Debug().live.programCounter, 0x7FFu);
    step->click();
    QVERIFY(idle());
    QCOMPARE(env.Hardware().Debug().live.programCounter, 0u);
    step->click();
    QVERIFY(idle());
    step->click();
    QVERIFY(idle());
    QCOMPARE(int(env.Hardware().Debug().live.Register(0x08)), 0x5A);

    // The compiler's commands stay off when the session gives the Run menu back, and
    // closing the debug window ends the program.
    QVERIFY(!ended);
    debug.findChild<QPushButton*>(QStringLiteral("QuitButton"))->click();
    QCoreApplication::processEvents();
    QVERIFY(ended);
}

void CompilerModeTest::missingListIsReported() {
    TempFolder dir;
    WriteProgram(dir);
    std::filesystem::remove((dir / "prog.lst"));
    MemorySettingsStore store;
    store.WriteInt(setting::ShowWarranty, 2);
    store.WriteString(setting::ComPort, "sim");
    ScriptedPrompter prompter;
    FakeTickSource ticks;
    Environment env(store, prompter, {"/B", (dir / "prog")}, {}, {}, HardwareOptions{&ticks, {}});
    env.EditorForm().SetTerminate([] {});
    env.EditorForm().show();
    QCoreApplication::processEvents();
    QVERIFY(!prompter.messages.empty());
    QCOMPARE(QString::fromStdString(prompter.messages.back().caption),
             QStringLiteral("COMMAND LINE ERROR"));
    QVERIFY(!env.DebugForm().isVisible());
}

// What gplink wrote (tests/cod/gputils): the code view marks its listing's lines, and a
// run to the BREAK stops once the NOP there has run.
void CompilerModeTest::gputilsOutputMarksItsOwnListing() {
    TempFolder dir;
    const std::string from = std::string(std::getenv("PELLIX_SOURCE_DIR")) + "/tests/cod/gputils/";
    for (const char* name : {"linked.cod", "linked.lst"})
        std::filesystem::copy_file(from + name, dir / name);
    MemorySettingsStore store;
    store.WriteInt(setting::ShowWarranty, 2);
    store.WriteString(setting::ComPort, "sim");
    ScriptedPrompter prompter;
    FakeTickSource ticks;
    Environment env(store, prompter, {"/B", (dir / "linked")}, {}, {}, HardwareOptions{&ticks, {}});
    env.EditorForm().SetTerminate([] {});
    TDebugForm& debug = env.DebugForm();
    debug.SetAutomaticTimer(false);
    env.EditorForm().show();
    QCoreApplication::processEvents();
    QVERIFY2(prompter.messages.empty(),
             prompter.messages.empty() ? "" : prompter.messages[0].text.c_str());
    QVERIFY(debug.isVisible());
    QCOMPARE(env.Record().debug.watchCount, 2);

    auto idle = [&] { return TicksUntilIdle(debug, ticks); };
    auto lineText = [&](int line) { return ListingLine(env.Record(), line); };
    TCodeForm& code = env.CodeForm();
    QVERIFY(idle());
    QCOMPARE(env.Hardware().Debug().live.programCounter, 0x7FFu);
    QCOMPARE(lineText(code.Marks().next).substr(0, 16), std::string("0007ff   0a00   "));
    QCOMPARE(lineText(code.Marks().breakLine).substr(0, 6), std::string("000007"));

    debug.findChild<QPushButton*>(QStringLiteral("RunButton"))->click();
    QVERIFY(idle());
    QCOMPARE(env.Hardware().Debug().live.programCounter, 8u);
    QCOMPARE(lineText(code.Marks().next).substr(0, 6), std::string("000008"));
    QCOMPARE(lineText(code.Marks().breakLine).substr(0, 6), std::string("000007"));
    QCOMPARE(int(env.Hardware().Debug().live.Register(0x09)), 12); // total
    debug.findChild<QPushButton*>(QStringLiteral("QuitButton"))->click();
}

QTEST_MAIN(CompilerModeTest)
#include "CompilerModeTest.moc"
