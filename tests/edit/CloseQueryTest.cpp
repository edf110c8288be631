// Closing a document window with unsaved changes: the question, and what each answer does
// to the window, the open document, the map file on disk and the working copy.
#include "EditFixture.h"
#include "../support/FileState.h"

#include "core/FileDialogs.h"
#include "core/LangTexts.h"
#include "document/NewMap.h"
#include "document/Open.h"

#include <QDir>
#include <QFile>

#include <filesystem>

namespace zemo::test {

namespace {

// Also notes whether a command was marked as running while each box was up.
class BusyNotingMessages : public RecordingMessages {
public:
    int Show(const ShownMessage& m) override
    {
        busyWhileUp.push_back(CommandIsRunning());
        return RecordingMessages::Show(m);
    }
    std::vector<bool> busyWhileUp;
};

class CloseQuery : public EditTest {
protected:
    void SetUp() override
    {
        EditTest::SetUp();
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toUtf8());
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        ASSERT_TRUE(QDir().mkpath(dir.path() + "/maps/sub"));
        ASSERT_TRUE(LoadTexts());
        ResetOpenUnit();
        DefaultConfig(ProgramConfig);
        ProgramConfig.AutoSave = false;
        ProgramConfig.ScreenGrid = false;
        InstallEdit();
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TMdiChild*>(w))
                delete w;
        ResetOpenUnit();
        EditTest::TearDown();
        ResetIndexState();
    }

    // A map of two points (symbols 1.0 and 2.0) in the maps folder.
    QString WriteMap(const QString& name)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10), TestSymbol::Point(20)};
        w.objects.push_back(TestObject::Point(10, 0, 0));
        w.objects.push_back(TestObject::Point(20, 25600, 0));
        const QString p = dir.path() + "/maps/" + name;
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(p).toStdString(), &layout));
        return p;
    }
    // The current map's window (the one just opened).
    static TMdiChild* CurrentWindow()
    {
        return Work.ActiveView ? dynamic_cast<TMdiChild*>(Work.ActiveView->Form) : nullptr;
    }
    TMdiChild* Open(const QString& path)
    {
        EXPECT_TRUE(OpenMapByName(path));
        TMdiChild* w = CurrentWindow();
        EXPECT_NE(w, nullptr);
        if (w) {
            EXPECT_TRUE(w->View().MapShown);
        }
        return w;
    }
    // A real change: the first object is deleted.
    static void Change()
    {
        DeleteElement(1);
        ASSERT_TRUE(Index.ActiveZmd->Modified);
    }
    // The symbol word of the first index entry in the map file.
    uint16_t FirstEntrySymbol(const QString& path) const
    {
        return uint16_t(GetI16(ReadAll(path), layout.ObjectEntryPos(0) + 22));
    }
    QStringList WorkingCopies() const
    {
        return QDir(StateFolder()).entryList({"temp*.~md"}, QDir::Files, QDir::Name);
    }
    void ExpectQuestion(const QString& shownName) const
    {
        ASSERT_EQ(messages.Count(), 1);
        const ShownMessage& m = messages.Entries()[0].msg;
        EXPECT_EQ(m.key, TextKey::FileModified);
        EXPECT_EQ(m.kind, MsgKind::YesNoCancel);
        EXPECT_EQ(m.helpContext, FileModifiedHelpContext);
        EXPECT_EQ(messages.Entries()[0].helpContextWhileUp, FileModifiedHelpContext);
        EXPECT_EQ(m.params, shownName + "\r\n");
        EXPECT_TRUE(MessageText(m).contains(shownName));
        ASSERT_EQ(messages.busyWhileUp.size(), 1u);
        EXPECT_TRUE(messages.busyWhileUp[0]) << "no command may start while the question is up";
        EXPECT_FALSE(CommandIsRunning());
    }

    TestMapLayout layout;
    // Made after the fixture's own recorder, so it is the one that answers.
    BusyNotingMessages messages;
    RecordingFileDialogs dialogs;
};

TEST_F(CloseQuery, YesSavesTheChangeIntoTheMapFileNoLeavesItAndBothCloseTheWindow)
{
    for (const QString name : {"yes.zmd", "no.zmd"}) {
        const bool yes = name == "yes.zmd";
        const QString path = WriteMap(name);
        const auto before = ReadAll(path);
        TMdiChild* w = Open(path);
        ASSERT_TRUE(w);
        ASSERT_TRUE(WorkingCopies().isEmpty());
        Change();
        ASSERT_EQ(WorkingCopies().size(), 1);
        messages.Clear();
        messages.busyWhileUp.clear();
        messages.QueueAnswer(yes ? IdYes : IdNo);
        EXPECT_TRUE(w->close());
        ExpectQuestion(path);
        if (yes)
            EXPECT_EQ(FirstEntrySymbol(path), 0) << "the deletion reached the map file";
        else
            EXPECT_EQ(ReadAll(path), before);
        EXPECT_TRUE(Opening.OpenDocuments.empty());
        EXPECT_TRUE(WorkingCopies().isEmpty());
        EXPECT_FALSE(Index.MapOpen);
        EXPECT_EQ(ProgramConfig.RecentFiles[0], path);
    }
    // Read back through the store: one live object is left.
    messages.Clear();
    Open(dir.path() + "/maps/yes.zmd");
    EXPECT_EQ(CountObjects(), 1);
}

TEST_F(CloseQuery, CancelKeepsTheWindowAndTheChangedDocumentAndAsksAgainNextTime)
{
    const QString path = WriteMap("a.zmd");
    const auto before = ReadAll(path);
    TMdiChild* w = Open(path);
    ASSERT_TRUE(w);
    Change();
    int started = 0;
    ToolProcs procs;
    procs.Start = [&](const ToolStartArgs&) { ++started; Work.ToolMode = ToolModes::Edit; };
    procs.End = [] { Work.ToolMode = ToolModes::None; };
    RegisterTool(ToolModes::Edit, procs);
    ProgramConfig.WorkMode = WorkModes::EditPoint;
    messages.QueueAnswer(IdCancel);
    EXPECT_FALSE(w->close());
    ExpectQuestion(path);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->View().MapShown);
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_EQ(Index.ActiveZmd, w->View().Document);
    EXPECT_TRUE(Index.MapOpen);
    EXPECT_TRUE(Index.ActiveZmd->Modified);
    EXPECT_EQ(CountObjects(), 1);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(WorkingCopies().size(), 1);
    EXPECT_GE(started, 1) << "the tool starts again";
    EXPECT_EQ(Work.ToolMode, ToolModes::Edit);
    EXPECT_NE(ProgramConfig.RecentFiles[0], path);

    // The answer is not remembered: the next close asks again.
    messages.Clear();
    messages.busyWhileUp.clear();
    messages.QueueAnswer(IdNo);
    EXPECT_TRUE(w->close());
    ExpectQuestion(path);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
}

TEST_F(CloseQuery, ASaveThatFailsOnYesKeepsTheWindowAndTheChanges)
{
    const QString path = WriteMap("sub/a.zmd");
    TMdiChild* w = Open(path);
    ASSERT_TRUE(w);
    Change();
    // The map's folder is gone: the save cannot write its file.
    ASSERT_TRUE(QDir(dir.path() + "/maps/sub").removeRecursively());
    messages.QueueAnswer(IdYes);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 1);
    EXPECT_EQ(messages.CountOf(TextKey::CannotWrite), 1);
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_TRUE(Index.ActiveZmd->Modified);
    EXPECT_EQ(CountObjects(), 1);
    EXPECT_EQ(WorkingCopies().size(), 1) << "the only copy of the changes stays";
}

TEST_F(CloseQuery, AMapWithoutChangesClosesWithoutAQuestion)
{
    const QString path = WriteMap("a.zmd");
    const auto before = ReadAll(path);
    TMdiChild* w = Open(path);
    ASSERT_TRUE(w);
    ASSERT_FALSE(Index.ActiveZmd->Modified);
    EXPECT_TRUE(w->close());
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(ProgramConfig.RecentFiles[0], path);
    EXPECT_EQ(ProgramConfig.File, path) << "the start-up file was empty";
}

TEST_F(CloseQuery, AMapEditedInItsOwnFileClosesWithoutAQuestionAndKeepsTheFile)
{
    ProgramConfig.AutoSave = true;
    const QString path = WriteMap("a.zmd");
    TMdiChild* w = Open(path);
    ASSERT_TRUE(w);
    ASSERT_TRUE(WorkingCopies().isEmpty()) << "edited in place";
    Change();
    EXPECT_TRUE(w->close());
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(FirstEntrySymbol(path), 0);
    EXPECT_EQ(ProgramConfig.RecentFiles[0], path);
}

TEST_F(CloseQuery, ATruncatedMapIsOpenedAsACopyWithOneWarningAndItsFileIsNeverWritten)
{
    // Three objects and a string; the cut loses the third record and the string block.
    ProgramConfig.AutoSave = true;
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10), TestSymbol::Point(20)};
    for (int i = 0; i < 3; ++i)
        w.objects.push_back(TestObject::Point(10, i * 25600, 0));
    w.strings.push_back(TestPString::Make(2, 0, "Course A"));
    w.Build(&layout);
    w.truncateAt = size_t(layout.objectRecords[2]) + 5;
    const QString path = dir.path() + "/maps/cut.zmd";
    const std::string file = QFile::encodeName(path).toStdString();
    ASSERT_TRUE(w.WriteTo(file));
    const auto before = ReadAll(path);
    const auto stamp = std::filesystem::last_write_time(file);

    TMdiChild* win = Open(path);
    ASSERT_TRUE(win);
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::DamagedMap);
    EXPECT_EQ(WorkingCopies().size(), 1) << "never edited in place";

    messages.Clear();
    messages.busyWhileUp.clear();
    Change();
    EXPECT_TRUE(win->close());  // Enter: the default button
    ExpectQuestion(Text(TextKey::Untitled));  // what was read is a new map
    EXPECT_EQ(messages.Entries()[0].answer, int(IdNo));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::filesystem::last_write_time(file), stamp);
}

TEST_F(CloseQuery, AnUntitledMapIsAskedAboutAsUntitledAndYesSavesItUnderANewName)
{
    const QString set = WriteMap("set.zmd");
    ASSERT_TRUE(CreateNewMap(set, false));
    TMdiChild* w = CurrentWindow();
    ASSERT_TRUE(w);
    ASSERT_TRUE(DocumentPath(Index.ActiveZmd).isEmpty());
    ElementRecord& e = Index.CurElement;
    e = ElementRecord{};
    e.Symbol = 10;
    e.ObjectType = PointObject;
    e.nItem = 1;
    e.Slots[0] = {512, 1024};
    ASSERT_TRUE(AppendElement());
    ASSERT_TRUE(Index.ActiveZmd->Modified);

    // Cancel in the save dialog: nothing is saved and the window stays.
    messages.QueueAnswer(IdYes);
    dialogs.QueueAnswer(false, QString());
    EXPECT_FALSE(w->close());
    ExpectQuestion(Text(TextKey::Untitled));
    EXPECT_EQ(Opening.OpenDocuments.size(), 1u);

    const QString saved = dir.path() + "/maps/new.zmd";
    messages.Clear();
    messages.busyWhileUp.clear();
    messages.QueueAnswer(IdYes);
    dialogs.QueueAnswer(true, saved);
    EXPECT_TRUE(w->close());
    ExpectQuestion(Text(TextKey::Untitled));
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(WorkingCopies().isEmpty());
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(ProgramConfig.RecentFiles[0], saved);
    Open(saved);
    ASSERT_EQ(CountObjects(), 1);
    ASSERT_TRUE(ReadElement(1, AuxElement1));
    EXPECT_EQ(AuxElement1.Slots[0], (Cord{512, 1024}));
}

TEST_F(CloseQuery, ClosingIsRefusedWithoutAQuestionWhileACommandRuns)
{
    const QString path = WriteMap("a.zmd");
    TMdiChild* w = Open(path);
    ASSERT_TRUE(w);
    Change();
    Work.CommandBusy = true;
    EXPECT_FALSE(w->close());
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_EQ(Opening.OpenDocuments.size(), 1u);
    Work.CommandBusy = false;
    messages.QueueAnswer(IdNo);
    EXPECT_TRUE(w->close());
}

TEST_F(CloseQuery, TheWindowClosedIsMadeCurrentBeforeItsQuestion)
{
    const QString a = WriteMap("a.zmd");
    const QString b = WriteMap("b.zmd");
    TMdiChild* wa = Open(a);
    Change();
    TMdiChild* wb = Open(b);
    ASSERT_TRUE(wa && wb);
    ASSERT_EQ(Index.ActiveZmd, wb->View().Document);
    // The first map's window closes while the second is current: its own map is saved.
    messages.QueueAnswer(IdYes);
    EXPECT_TRUE(wa->close());
    ExpectQuestion(a);
    EXPECT_EQ(FirstEntrySymbol(a), 0);
    EXPECT_EQ(FirstEntrySymbol(b), 10);
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_EQ(Opening.OpenDocuments[0].Name, b);
}

} // namespace

} // namespace zemo::test
