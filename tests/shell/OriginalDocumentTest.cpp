// The documents while the original editor is in use: its commands, and the current file
// going across when the editors are switched.
#include <gtest/gtest.h>

#include "FakeEditor.h"
#include "TempFolder.h"
#include "platform/FileIo.h"
#include "platform/ScriptedPrompter.h"
#include "shell/OpenFiles.h"

using namespace pellix;
using pellix::test::FakeEditor;
using pellix::test::TempFolder;

namespace {

class View final : public OpenFilesView {
public:
    std::unique_ptr<SourceEditor> CreateEditor(int) override {
        return std::make_unique<FakeEditor>();
    }
    void ShowEditor(SourceEditor& shown, SourceEditor*) override { visible = &shown; }
    void FileListChanged() override {}
    void SetCaption(const std::string& c) override { caption = c; }
    void ClearAssemblyStatus() override {}
    void SetRunButtonsEnabled(bool e) override { runButtons = e; }
    void SetSaveButtonEnabled(bool) override {}
    void EditorStateChanged() override {}
    void RecentFilesChanged() override {}
    void OriginalTextChanged() override { ++textChanged; }

    SourceEditor* visible = nullptr;
    std::string caption;
    bool runButtons = false;
    int textChanged = 0;
};

class OriginalDocumentTest : public ::testing::Test {
protected:
    OriginalDocumentTest() : registry(store), files(view, prompter, registry, settings, "Pellix") {
        files.SetOriginalBuffer(&buffer);
        files.StartUp();
    }
    FakeEditor& Entry(int i) { return static_cast<FakeEditor&>(*files.Entry(i).editor); }
    std::string Text() const { return std::string(buffer.Text()); }
    const ScriptedPrompter::Asked& Last() const { return prompter.messages.back(); }

    TempFolder dir;
    MemorySettingsStore store;
    SettingsRegistry registry;
    WorkingSettings settings;
    ScriptedPrompter prompter;
    View view;
    OriginalEditorBuffer buffer;
    OpenFiles files;
};

} // namespace

TEST_F(OriginalDocumentTest, TheCurrentFileGoesAcrossBothWays) {
    std::string a = dir.Write("a.src", "one\r\ntwo\r\n");
    std::string b = dir.Write("b.src", "bee\n");
    files.OpenFile(a);
    files.OpenFile(b);
    Entry(1).Type("typed\n"); // b: modified, LF line ends
    files.UseOriginalEditor(true);
    EXPECT_TRUE(files.OriginalMode());
    EXPECT_EQ(Text(), "bee\rtyped\r");
    EXPECT_TRUE(buffer.Modified()) << "unsaved changes go across as changes";
    EXPECT_EQ(files.CurrentFileName(), b);
    EXPECT_EQ(view.caption, "Pellix - b.src");

    buffer.SetCaret(buffer.Length());
    buffer.Type('!');
    files.UseOriginalEditor(false);
    EXPECT_FALSE(files.OriginalMode());
    EXPECT_EQ(files.CurrentIndex(), 1);
    EXPECT_EQ(Entry(1).text, "bee\ntyped\n!") << "back in the file's own line ends";
    EXPECT_TRUE(files.CurrentModified());
    EXPECT_EQ(Entry(0).text, "one\r\ntwo\r\n") << "the other file stayed as it was";

    // Untouched, a file comes back byte for byte (control characters and all).
    Entry(0).text = "x\x01y\r\n";
    files.Select(0);
    files.UseOriginalEditor(true);
    EXPECT_EQ(Text(), "xy\r");
    files.UseOriginalEditor(false);
    EXPECT_EQ(Entry(0).text, "x\x01y\r\n");
}

TEST_F(OriginalDocumentTest, CommandsWorkOnTheBufferAndAskAboutItsChanges) {
    std::string a = dir.Write("a.src", "alpha\n\nbeta");
    files.UseOriginalEditor(true);
    ASSERT_TRUE(files.OpenFile(a));
    EXPECT_EQ(Text(), "alpha\r\rbeta");
    EXPECT_EQ(files.Count(), 1) << "no enhanced editor is made for it";
    EXPECT_TRUE(view.textChanged > 0);
    EXPECT_FALSE(files.CurrentModified());

    buffer.Type('>');
    prompter.Answer(PromptAnswer::Cancel);
    files.New();
    EXPECT_EQ(Last().text, "Save changes to " + a);
    EXPECT_EQ(Text(), ">alpha\r\rbeta") << "Cancel keeps the text";

    // Save writes CR LF, after the backup of the old file.
    settings.createBackups = true;
    ASSERT_TRUE(files.Save());
    EXPECT_EQ(TempFolder::Read(a), ">alpha\r\n\r\nbeta");
    EXPECT_EQ(TempFolder::Read(dir / "a.bak"), "alpha\n\nbeta");
    EXPECT_EQ(Text(), ">alpha\r\rbeta") << "the buffer keeps its lone CRs";
    EXPECT_FALSE(files.CurrentModified());

    files.Close(); // the same as New
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(files.CurrentFileName(), "Untitled.SRC");
    EXPECT_FALSE(view.runButtons);

    // Reopen and drop ask first, and a file too large for the buffer is refused whole.
    buffer.Type('x');
    prompter.Answer(PromptAnswer::No);
    files.Reopen(0);
    EXPECT_EQ(Text(), ">alpha\r\rbeta");
    std::string big = dir.Write("big.src", std::string(kOriginalEditorCapacity + 1, 'b'));
    EXPECT_FALSE(files.OpenFile(big));
    EXPECT_EQ(Last().caption, "File Open ERROR");
    EXPECT_EQ(Text(), ">alpha\r\rbeta");
    EXPECT_EQ(files.CurrentFileName(), a);
}

TEST_F(OriginalDocumentTest, ReadOnlyAndSaveAs) {
    std::string a = dir.Write("a.src", "ro");
    files.UseOriginalEditor(true);
    files.SetReadOnlySwitch(true);
    ASSERT_TRUE(files.OpenFile(a));
    EXPECT_TRUE(buffer.ReadOnly());
    EXPECT_EQ(view.caption, "Pellix - a.src : READ ONLY");
    EXPECT_FALSE(buffer.Type('x'));
    EXPECT_FALSE(files.Save());
    EXPECT_EQ(Last().text, "This is a READ ONLY file and must be saved under a different name.");

    std::string b = dir / "b.src";
    prompter.AnswerFile(b);
    ASSERT_TRUE(files.SaveAs());
    EXPECT_EQ(TempFolder::Read(b), "ro");
    EXPECT_FALSE(buffer.ReadOnly()) << "under a new name it may be edited";
    EXPECT_EQ(view.caption, "Pellix - b.src");
    EXPECT_TRUE(buffer.Type('!'));
}

TEST_F(OriginalDocumentTest, OpeningAFileTheEnhancedEditorChangedTakesThoseChanges) {
    std::string a = dir.Write("a.src", "disk\n");
    files.OpenFile(a);
    Entry(0).Type("edit\n");
    files.New();
    files.UseOriginalEditor(true);
    EXPECT_EQ(Text(), "");
    ASSERT_TRUE(files.OpenFile(a));
    EXPECT_EQ(Text(), "disk\redit\r");
    EXPECT_TRUE(buffer.Modified());
    buffer.SetCaret(buffer.Length());
    buffer.Type('+');
    files.UseOriginalEditor(false);
    EXPECT_EQ(files.CurrentIndex(), 0);
    EXPECT_EQ(Entry(0).text, "disk\nedit\n+");
    EXPECT_EQ(files.Count(), 2);
}

TEST_F(OriginalDocumentTest, SavedInTheOriginalEditorIsNotNewerWhenComingBack) {
    std::string a = dir.Write("a.src", "v1\r\n");
    pellix::test::TouchLater(a, -10); // loaded long before the save below
    files.OpenFile(a);
    files.UseOriginalEditor(true);
    buffer.SetCaret(buffer.Length());
    buffer.Type('2');
    ASSERT_TRUE(files.Save());
    size_t asked = prompter.messages.size();
    files.UseOriginalEditor(false);
    files.Activate();
    EXPECT_EQ(prompter.messages.size(), asked) << "its own save is not another program's";
    EXPECT_EQ(Entry(0).text, "v1\r\n2");
    EXPECT_FALSE(files.CurrentModified());
}

TEST_F(OriginalDocumentTest, AnotherProgramsChangeIsOfferedOnActivation) {
    std::string a = dir.Write("a.src", "mine");
    files.UseOriginalEditor(true);
    files.OpenFile(a);
    files.Activate();
    size_t asked = prompter.messages.size();
    dir.Write("a.src", "theirs");
    pellix::test::TouchLater(a);
    prompter.Answer(PromptAnswer::No);
    files.Activate();
    ASSERT_EQ(prompter.messages.size(), asked + 1);
    EXPECT_EQ(Last().caption, "File Load Warning");
    EXPECT_EQ(Text(), "mine");
    files.Activate();
    EXPECT_EQ(prompter.messages.size(), asked + 1) << "asked once per change";
    pellix::test::TouchLater(a, 10);
    prompter.Answer(PromptAnswer::Yes);
    files.Activate();
    EXPECT_EQ(Text(), "theirs");
}

TEST_F(OriginalDocumentTest, ClosingAsksAboutTheBufferAndTheHiddenEditors) {
    std::string a = dir.Write("a.src", "a");
    std::string b = dir.Write("b.src", "b");
    files.OpenFile(a);
    Entry(0).Type("1");
    files.OpenFile(b);
    files.UseOriginalEditor(true); // b goes across; a stays, changed, in the enhanced editor
    buffer.Type('2');
    prompter.Answer(PromptAnswer::No);     // the buffer (b)
    prompter.Answer(PromptAnswer::Cancel); // a
    EXPECT_FALSE(files.CloseQuery());
    ASSERT_GE(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[prompter.messages.size() - 2].text, "Save changes to " + b);
    EXPECT_EQ(Last().text, "Save changes to " + a);
    EXPECT_TRUE(files.OriginalMode());
    EXPECT_EQ(files.CurrentFileName(), b) << "still on the buffer's file after Cancel";

    prompter.Answer(PromptAnswer::No);
    prompter.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(files.CloseQuery());
    EXPECT_EQ(TempFolder::Read(a), "a1");
    EXPECT_EQ(TempFolder::Read(b), "b") << "No leaves the file alone";
}
