#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "FakeEditor.h"
#include "TempFolder.h"
#include "platform/ScriptedPrompter.h"
#include "shell/OpenFiles.h"

using namespace pellix;
using pellix::test::FakeEditor;
using pellix::test::TempFolder;

namespace {

class FakeView final : public OpenFilesView {
public:
    std::unique_ptr<SourceEditor> CreateEditor(int) override {
        auto e = std::make_unique<FakeEditor>();
        created.push_back(e.get());
        return e;
    }
    void ShowEditor(SourceEditor& shown, SourceEditor*) override { visible = &shown; }
    void FileListChanged() override {}
    void SetCaption(const std::string& c) override { caption = c; }
    void ClearAssemblyStatus() override { ++statusCleared; }
    void SetRunButtonsEnabled(bool e) override { runButtons = e; }
    void SetSaveButtonEnabled(bool e) override { saveButton = e; }
    void EditorStateChanged() override {}
    void RecentFilesChanged() override {}

    std::vector<FakeEditor*> created;
    SourceEditor* visible = nullptr;
    std::string caption;
    int statusCleared = 0;
    bool runButtons = true;
    bool saveButton = true;
};

class OpenFilesTest : public ::testing::Test {
protected:
    OpenFilesTest() : registry(store), files(view, prompter, registry, settings, "Pellix v2.02") {
        files.StartUp();
    }

    FakeEditor& Current() { return static_cast<FakeEditor&>(files.CurrentEditor()); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < files.Count(); ++i)
            lines.push_back(files.Entry(i).listLine);
        return lines;
    }
    const ScriptedPrompter::Asked& LastMessage() const { return prompter.messages.back(); }

    TempFolder dir;
    MemorySettingsStore store;
    SettingsRegistry registry;
    WorkingSettings settings;
    ScriptedPrompter prompter;
    FakeView view;
    OpenFiles files;
};

TEST_F(OpenFilesTest, StartsWithOneBlankEditorAndTheFirstNewTakesIt) {
    EXPECT_EQ(Lines(), std::vector<std::string>{"{Blank_1}"});
    EXPECT_EQ(files.CurrentFileName(), "Untitled.SRC");
    EXPECT_EQ(files.Caption(), "Pellix v2.02 - Untitled.SRC");

    files.New(); // the one the window runs at its first showing
    EXPECT_EQ(files.Count(), 1);
    EXPECT_FALSE(view.runButtons);
    EXPECT_FALSE(view.saveButton);

    files.New(); // the user's
    EXPECT_EQ(Lines(), (std::vector<std::string>{"{Blank_1}", "{Blank_2}"}));
    EXPECT_EQ(files.CurrentIndex(), 1);
    files.New();
    EXPECT_EQ(Lines().back(), "{Blank_3}");
}

TEST_F(OpenFilesTest, FirstNewDoesNotHandOutTheStartEditorOnceAFileIsInIt) {
    std::string a = dir.Write("a.src", "A\r\n");
    ASSERT_TRUE(files.OpenFile(a)); // from the command line, into the start-up editor
    EXPECT_EQ(files.Count(), 1);
    files.New();
    ASSERT_EQ(files.Count(), 2);
    EXPECT_EQ(files.Entry(0).listLine, a);
    EXPECT_EQ(static_cast<FakeEditor&>(*files.Entry(0).editor).text, "A\r\n");
}

TEST_F(OpenFilesTest, OpeningReusesAnUntouchedBlankAndAddsOtherwise) {
    std::string a = dir.Write("a.src", "one");
    std::string b = dir.Write("b.src", "two");
    ASSERT_TRUE(files.OpenFile(a));
    EXPECT_EQ(Lines(), std::vector<std::string>{a});
    EXPECT_EQ(files.Caption(), "Pellix v2.02 - a.src");
    EXPECT_FALSE(files.CurrentModified());
    EXPECT_FALSE(Current().CanUndo());
    ASSERT_TRUE(files.OpenFile(b));
    EXPECT_EQ(Lines(), (std::vector<std::string>{a, b}));

    files.New();
    Current().Type("typed"); // a modified blank is not reused
    std::string c = dir.Write("c.src", "three");
    ASSERT_TRUE(files.OpenFile(c));
    EXPECT_EQ(files.Count(), 4);
    EXPECT_EQ(files.Entry(2).listLine.rfind("{Blank_", 0), 0u);
}

TEST_F(OpenFilesTest, AlreadyOpenOnlySwitchesUnlessNewerOnDisk) {
    std::string a = dir.Write("a.src", "one");
    std::string b = dir.Write("b.src", "two");
    files.OpenFile(a);
    files.OpenFile(b);
    Current().Type(" edited");
    size_t asked = prompter.messages.size();

    files.OpenFile(a);
    EXPECT_EQ(files.Count(), 2);
    EXPECT_EQ(files.CurrentIndex(), 0);
    EXPECT_EQ(prompter.messages.size(), asked);

    // Another program changes a.src: the user is asked, and No keeps what is in the editor.
    dir.Write("a.src", "changed");
    pellix::test::TouchLater(a);
    files.OpenFile(b);
    prompter.Answer(PromptAnswer::No);
    files.OpenFile(a);
    EXPECT_EQ(LastMessage().caption, "File Load Warning");
    EXPECT_EQ(LastMessage().text,
              "There is a newer version on disk of:\r\r" + a + "\r\rLoad the new version?");
    EXPECT_EQ(Current().text, "one");

    prompter.Answer(PromptAnswer::Yes);
    files.OpenFile(a);
    EXPECT_EQ(Current().text, "changed");
    EXPECT_EQ(files.Count(), 2);
    EXPECT_EQ(static_cast<FakeEditor&>(*files.Entry(1).editor).text, "two edited");
}

TEST_F(OpenFilesTest, ActivationAsksOnceAboutAFileChangedOnDisk) {
    std::string a = dir.Write("a.src", "one");
    files.OpenFile(a);
    size_t before = prompter.messages.size();
    files.Activate();
    EXPECT_EQ(prompter.messages.size(), before) << "unchanged file: no question";

    dir.Write("a.src", "two");
    pellix::test::TouchLater(a);
    prompter.Answer(PromptAnswer::Yes);
    files.Activate();
    ASSERT_EQ(prompter.messages.size(), before + 1) << "one question, not one per re-entry";
    EXPECT_EQ(LastMessage().caption, "File Load Warning");
    EXPECT_EQ(Current().text, "two");
    files.Activate();
    EXPECT_EQ(prompter.messages.size(), before + 1) << "after the reload it is up to date";
}

TEST_F(OpenFilesTest, OwnSavesAreNotChangesOnDisk) {
    std::string a = dir.Write("a.src", "one");
    files.OpenFile(a);
    Current().Type("!");
    ASSERT_TRUE(files.Save());
    size_t before = prompter.messages.size();
    files.Activate();
    EXPECT_EQ(prompter.messages.size(), before);
}

TEST_F(OpenFilesTest, MissingFileIsReportedWithoutAddingAnEditor) {
    std::string a = dir.Write("a.src", "one");
    files.OpenFile(a);
    EXPECT_FALSE(files.OpenFile(dir / "gone.src"));
    EXPECT_EQ(LastMessage().caption, "File NotFound");
    EXPECT_EQ(LastMessage().text, "\"" + (dir / "gone.src") + "\"\rNot found on disk.");
    EXPECT_EQ(files.Count(), 1);
}

TEST_F(OpenFilesTest, ReadOnlyAttributeIsReportedOnLoadAndRefusedOnSave) {
    std::string a = dir.Write("a.src", "one");
    ::chmod(a.c_str(), 0444);
    files.OpenFile(a);
    EXPECT_EQ(LastMessage().caption, "READ ONLY file loaded");
    EXPECT_EQ(LastMessage().text, "This file is READ ONLY.  To assemble or save it, "
                                  "either\rsave it under a new name or change it to Read/Write");
    Current().Type("x");
    EXPECT_FALSE(files.Save());
    EXPECT_EQ(LastMessage().text,
              "This is a READ ONLY file and must be saved under a different name.");
    EXPECT_EQ(TempFolder::Read(a), "one");

    // Save As onto itself is refused by the file system check, not written around.
    prompter.AnswerFile(a);
    prompter.Answer(PromptAnswer::Yes); // OK to overwrite
    EXPECT_FALSE(files.SaveAs());
    EXPECT_EQ(LastMessage().caption, "File Save ERROR");
    EXPECT_EQ(TempFolder::Read(a), "one");
}

TEST_F(OpenFilesTest, OpenedWithTheReadOnlySwitch) {
    std::string a = dir.Write("a.src", "one");
    files.SetReadOnlySwitch(true);
    files.OpenFile(a);
    EXPECT_TRUE(files.ReadOnly());
    EXPECT_TRUE(Current().readOnly);
    EXPECT_EQ(files.Caption(), "Pellix v2.02 - a.src : READ ONLY");
    EXPECT_FALSE(files.CurrentModified());
    EXPECT_FALSE(files.Save());

    // The same name again is refused; a new name saves it and lifts the protection.
    prompter.AnswerFile(a);
    EXPECT_FALSE(files.SaveAs());
    EXPECT_EQ(LastMessage().text, "Choose a different name to save the READ ONLY file:");
    std::string copy = dir / "copy.src";
    prompter.AnswerFile(copy);
    EXPECT_TRUE(files.SaveAs());
    EXPECT_EQ(TempFolder::Read(copy), "one");
    EXPECT_FALSE(files.ReadOnly());
    EXPECT_EQ(files.Caption(), "Pellix v2.02 - copy.src");
    EXPECT_EQ(TempFolder::Read(a), "one");

    // The switch applied to that one file only.
    std::string b = dir.Write("b.src", "two");
    files.OpenFile(b);
    EXPECT_FALSE(files.ReadOnly());
}

TEST_F(OpenFilesTest, SaveMakesABackupOfThePreviousContents) {
    std::string a = dir.Write("a.src", "old\r\n");
    files.OpenFile(a);
    Current().text = "new\r\n";
    Current().modified = true;
    ASSERT_TRUE(files.Save());
    EXPECT_EQ(TempFolder::Read(a), "new\r\n");
    EXPECT_EQ(TempFolder::Read(dir / "a.bak"), "old\r\n");
    EXPECT_FALSE(files.CurrentModified());
    EXPECT_TRUE(view.runButtons);

    settings.createBackups = false;
    Current().text = "newer";
    files.Save();
    EXPECT_EQ(TempFolder::Read(dir / "a.bak"), "old\r\n");
}

TEST_F(OpenFilesTest, SaveAsAsksBeforeOverwritingAndUsesTheChosenName) {
    files.New();
    Current().Type("text");
    std::string target = dir.Write("t.src", "precious");
    prompter.AnswerFile(target);
    prompter.Answer(PromptAnswer::No);
    EXPECT_FALSE(files.Save()) << "Untitled saves as";
    EXPECT_EQ(prompter.dialogs.back().caption, "Save Source as...");
    EXPECT_EQ(LastMessage().text, "OK to overwrite " + target);
    EXPECT_EQ(LastMessage().buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(TempFolder::Read(target), "precious");

    prompter.AnswerFile(target);
    prompter.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(files.SaveAs());
    EXPECT_EQ(TempFolder::Read(target), "text");
    EXPECT_EQ(TempFolder::Read(dir / "t.bak"), "precious");
    EXPECT_EQ(files.CurrentFileName(), target);
    EXPECT_EQ(files.Entry(files.CurrentIndex()).listLine, target);
}

TEST_F(OpenFilesTest, SaveAsOntoAFileOpenInAnotherEditorIsRefused) {
    std::string a = dir.Write("a.src", "one");
    files.OpenFile(a);
    files.New();
    Current().Type("other");
    prompter.AnswerFile(a);
    EXPECT_FALSE(files.SaveAs());
    EXPECT_EQ(TempFolder::Read(a), "one");
}

TEST_F(OpenFilesTest, FailedSaveKeepsTheOldFileAndTheChanges) {
    std::string a = dir.Write("a.src", "old");
    files.OpenFile(a);
    Current().Type(std::string(100000, 'n'));
    settings.createBackups = false;
    // A file size limit makes the write fail part-way, for root as for anyone.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool saved = files.Save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(TempFolder::Read(a), "old");
    EXPECT_TRUE(files.CurrentModified());
    EXPECT_EQ(LastMessage().caption, "File Save ERROR");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "the temporary file is gone";
}

TEST_F(OpenFilesTest, ClosingTheOnlyFileLeavesOneEmptyEditor) {
    std::string a = dir.Write("a.src", "one");
    files.OpenFile(a);
    view.runButtons = true;
    files.Close();
    ASSERT_EQ(files.Count(), 1);
    EXPECT_TRUE(IsBlankLine(files.Entry(0).listLine));
    EXPECT_TRUE(Current().IsEmpty());
    EXPECT_FALSE(view.runButtons);
    EXPECT_EQ(files.CurrentFileName(), "Untitled.SRC");

    // And closing that one again works the same way.
    files.Close();
    EXPECT_EQ(files.Count(), 1);
    EXPECT_TRUE(Current().IsEmpty());
}

TEST_F(OpenFilesTest, CloseSelectsThePreviousEntryOrTheNextForTheFirst) {
    std::string a = dir.Write("a.src", "a"), b = dir.Write("b.src", "b"),
                c = dir.Write("c.src", "c");
    files.OpenFile(a);
    files.OpenFile(b);
    files.OpenFile(c);
    view.runButtons = true; // as the Open command leaves them
    files.Select(1);
    files.Close();
    EXPECT_EQ(Lines(), (std::vector<std::string>{a, c}));
    EXPECT_EQ(files.CurrentFileName(), a);
    files.Select(0);
    files.Close();
    EXPECT_EQ(Lines(), std::vector<std::string>{c});
    EXPECT_EQ(files.CurrentFileName(), c);
    EXPECT_TRUE(view.runButtons) << "only closing the last file disables them";
}

TEST_F(OpenFilesTest, CloseAsksAboutChangesAndCancelKeepsTheFile) {
    std::string a = dir.Write("a.src", "a"), b = dir.Write("b.src", "b");
    files.OpenFile(a);
    files.OpenFile(b);
    Current().Type("!");
    prompter.Answer(PromptAnswer::Cancel);
    files.Close();
    EXPECT_EQ(LastMessage().text, "Save changes to " + b);
    EXPECT_EQ(files.Count(), 2);

    prompter.Answer(PromptAnswer::Yes);
    files.Close();
    EXPECT_EQ(files.Count(), 1);
    EXPECT_EQ(TempFolder::Read(b), "b!");
}

TEST_F(OpenFilesTest, YesWithACancelledSaveAsStopsTheClose) {
    files.OpenFile(dir.Write("a.src", "a"));
    files.New();
    Current().Type("unsaved work");
    prompter.Answer(PromptAnswer::Yes);
    prompter.AnswerFile(std::nullopt);
    files.Close();
    EXPECT_EQ(files.Count(), 2);
    EXPECT_EQ(Current().text, "unsaved work");
}

TEST_F(OpenFilesTest, CloseQueryAsksAboutEveryModifiedFile) {
    std::string a = dir.Write("a.src", "a"), b = dir.Write("b.src", "b"),
                c = dir.Write("c.src", "c");
    files.OpenFile(a);
    Current().Type("1");
    files.OpenFile(b);
    files.OpenFile(c);
    Current().Type("3");
    files.Select(1);
    prompter.Answer(PromptAnswer::No);
    prompter.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(files.CloseQuery());
    ASSERT_GE(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[prompter.messages.size() - 2].text, "Save changes to " + a);
    EXPECT_EQ(LastMessage().text, "Save changes to " + c);
    EXPECT_EQ(TempFolder::Read(a), "a");
    EXPECT_EQ(TempFolder::Read(c), "c3");
    EXPECT_EQ(files.CurrentIndex(), 1) << "the current file is selected again";

    Current().Type("2");
    prompter.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(files.CloseQuery());
}

TEST_F(OpenFilesTest, RecentFilesKeepFiveMostRecentFirst) {
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(dir.Write("f" + std::to_string(i) + ".src", "x"));
    for (const auto& p : paths)
        files.OpenFile(p);
    const RecentFiles& r = files.Recent();
    EXPECT_EQ(r.Count(), 5);
    EXPECT_EQ(r[0], paths[5]);
    EXPECT_EQ(r[4], paths[1]) << "the sixth file pushed the first out";
    EXPECT_EQ(*store.ReadString("LastFilesOpened\\File0"), paths[5]);

    files.Reopen(3); // paths[2] moves to the top
    EXPECT_EQ(r[0], paths[2]);
    EXPECT_EQ(r[1], paths[5]);
    EXPECT_EQ(r[4], paths[1]);
}

TEST_F(OpenFilesTest, ReopeningAMissingFileRemovesIt) {
    std::string a = dir.Write("a.src", "x"), b = dir.Write("b.src", "y");
    files.OpenFile(a);
    files.OpenFile(b);
    std::filesystem::remove(a);
    files.Reopen(1);
    EXPECT_EQ(LastMessage().caption, "File Not Found ERROR");
    EXPECT_EQ(LastMessage().text, "Couldn't find previously opened file:\r\r" + a +
                                      "\r\rFile will be removed from list.");
    EXPECT_EQ(files.Recent().Count(), 1);
    EXPECT_EQ(*store.ReadString("LastFilesOpened\\File1"), "");
}

TEST_F(OpenFilesTest, RecentFilesAreReadBackAtStartUp) {
    store.WriteString("LastFilesOpened\\File0", "/x/one.src");
    store.WriteString("LastFilesOpened\\File1", "/x/two.src");
    OpenFiles again(view, prompter, registry, settings, "Pellix v2.02");
    again.StartUp();
    EXPECT_EQ(again.Recent()[0], "/x/one.src");
    EXPECT_EQ(again.Recent()[1], "/x/two.src");
    EXPECT_EQ(again.Recent().Count(), 2);
}

TEST_F(OpenFilesTest, DroppedFileOpensAndEnablesTheRunButtons) {
    files.New();
    std::string a = dir.Write("a.src", "x");
    files.DropFiles({a, dir.Write("b.src", "y")});
    EXPECT_EQ(Lines(), std::vector<std::string>{a});
    EXPECT_TRUE(view.runButtons);
}

TEST_F(OpenFilesTest, RelativeNamesAreOpenedUnderTheirFullPath) {
    std::string a = dir.Write("a.src", "x");
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    files.OpenFile("a.src");
    files.OpenFile("./a.src");
    std::filesystem::current_path(old);
    EXPECT_EQ(Lines(), std::vector<std::string>{a});
}

TEST(EditorArray, GrowsAndShrinksAndNeverRunsEmpty) {
    T_PMEditorArray a;
    EXPECT_EQ(a.Capacity(), 2u);
    for (int i = 0; i < 5; ++i)
        a.Add(std::make_unique<FakeEditor>(), BlankLine(i + 1));
    EXPECT_EQ(a.Capacity(), 8u);
    EXPECT_EQ(a[0].fileName, "Untitled.src");
    EXPECT_TRUE(a[0].writable);
    a.Remove(4);
    EXPECT_EQ(a.Capacity(), 4u);
    a.Remove(3);
    EXPECT_EQ(a.Capacity(), 4u);
    a.Remove(2);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.Capacity(), 2u);
    a.Remove(1);
    static_cast<FakeEditor&>(*a[0].editor).text = "left";
    a.Remove(0);
    EXPECT_EQ(a.Count(), 1);
    EXPECT_EQ(static_cast<FakeEditor&>(*a[0].editor).text, "");
}

} // namespace
