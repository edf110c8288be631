// Unsaved changes and the main frame: File > Close, File > Exit and closing the frame all
// ask through the document window's question; Cancel anywhere keeps the program, every
// window and every change.
#include "../support/ProgramFixture.h"
#include "../support/TestMapWriter.h"
#include "core/Config.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "document/Index.h"
#include "document/Open.h"
#include "shell/CommandFrame.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace zemo;
using zemo::test::GetI16;
using zemo::test::TestMapLayout;
using zemo::test::TestMapWriter;
using zemo::test::TestObject;
using zemo::test::TestSymbol;

namespace {

std::vector<uint8_t> ReadAll(const QString& path)
{
    std::ifstream f(QFile::encodeName(path).toStdString(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// Also notes whether the frame counted as busy while each box was up.
class BusyNotingMessages : public RecordingMessages {
public:
    int Show(const ShownMessage& m) override
    {
        busyWhileUp.push_back(IsBusy());
        return RecordingMessages::Show(m);
    }
    std::vector<bool> busyWhileUp;
};

class CloseQueryShell : public zemo::test::ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(TempPath(QStringLiteral("maps"))));
        ProgramConfig.AutoSave = false;
    }
    QString WriteMap(const QString& name)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10), TestSymbol::Point(20)};
        w.objects.push_back(TestObject::Point(10, 0, 0));
        w.objects.push_back(TestObject::Point(20, 25600, 0));
        const QString p = TempPath(QStringLiteral("maps/") + name);
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(p).toStdString(), &layout));
        return p;
    }
    // Opened in its own window and changed (its first object deleted).
    void OpenAndChange(const QString& path)
    {
        ASSERT_TRUE(OpenMapByName(path));
        Settle();
        DeleteElement(1);
        ASSERT_TRUE(Index.ActiveZmd->Modified);
        Frame().UpdateCommandStates();
    }
    bool FirstObjectDeletedIn(const QString& path) const
    {
        return uint16_t(GetI16(ReadAll(path), layout.ObjectEntryPos(0) + 22)) == 0;
    }
    int Windows() const { return int(Frame().MdiArea()->subWindowList().size()); }
    QStringList WorkingCopies() const
    {
        return QDir(StateFolder()).entryList({"temp*.~md"}, QDir::Files, QDir::Name);
    }
    // The map names the questions were about, in order; each one with help context 146 and
    // the frame busy while it was up.
    QStringList Questions() const
    {
        QStringList names;
        for (size_t i = 0; i < messages.Entries().size(); ++i) {
            const auto& e = messages.Entries()[i];
            if (e.msg.key != TextKey::FileModified)
                continue;
            EXPECT_EQ(e.msg.kind, MsgKind::YesNoCancel);
            EXPECT_EQ(e.msg.helpContext, 146);
            EXPECT_TRUE(messages.busyWhileUp.at(i));
            names << e.msg.params.trimmed();
        }
        return names;
    }

    TestMapLayout layout;
    // Installed after the fixture's own recorder, so it is the one that answers.
    BusyNotingMessages messages;
};

TEST_F(CloseQueryShell, FileCloseAsksCancelKeepsTheMapAndYesSavesAndCloses)
{
    const QString a = WriteMap(QStringLiteral("a.zmd"));
    OpenAndChange(a);
    ASSERT_EQ(Windows(), 1);

    messages.QueueAnswer(IdCancel);
    Frame().Action(Cmd::FileClose)->trigger();
    Settle();
    EXPECT_EQ(Questions(), QStringList{a});
    EXPECT_FALSE(IsBusy());
    EXPECT_EQ(Windows(), 1);
    EXPECT_TRUE(Index.MapOpen);
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_TRUE(Opening.OpenDocuments[0].Zmd->Modified);
    EXPECT_FALSE(FirstObjectDeletedIn(a));

    messages.Clear();
    messages.busyWhileUp.clear();
    messages.QueueAnswer(IdYes);
    Frame().Action(Cmd::FileClose)->trigger();
    Settle();
    EXPECT_EQ(Questions(), QStringList{a});
    EXPECT_EQ(Windows(), 0);
    EXPECT_FALSE(Index.MapOpen);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(FirstObjectDeletedIn(a));
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ProgramConfig.RecentFiles[0], a);
    EXPECT_TRUE(Frame().isVisible());
}

TEST_F(CloseQueryShell, ClosingTheFrameAsksEveryWindowAndCancelInAnyKeepsEverything)
{
    const QString a = WriteMap(QStringLiteral("a.zmd"));
    const QString b = WriteMap(QStringLiteral("b.zmd"));
    const auto beforeA = ReadAll(a);
    const auto beforeB = ReadAll(b);
    OpenAndChange(a);
    OpenAndChange(b);
    ASSERT_EQ(Windows(), 2);

    // No for the first map, Cancel for the second: nothing closes, not even the first.
    messages.QueueAnswer(IdNo);
    messages.QueueAnswer(IdCancel);
    EXPECT_FALSE(Frame().close());
    Settle();
    EXPECT_EQ(Questions(), (QStringList{a, b}));
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(Windows(), 2);
    ASSERT_EQ(Opening.OpenDocuments.size(), 2u);
    for (const OpenDocument& d : Opening.OpenDocuments)
        EXPECT_TRUE(d.Zmd->Modified) << d.Name.toStdString();
    EXPECT_EQ(WorkingCopies().size(), 2);
    EXPECT_EQ(ReadAll(a), beforeA);
    EXPECT_EQ(ReadAll(b), beforeB);

    // Asked again: Yes for the first, No for the second, and the program ends.
    messages.Clear();
    messages.busyWhileUp.clear();
    messages.QueueAnswer(IdYes);
    messages.QueueAnswer(IdNo);
    EXPECT_TRUE(Frame().close());
    Settle();
    EXPECT_EQ(Questions(), (QStringList{a, b}));
    EXPECT_TRUE(FirstObjectDeletedIn(a));
    EXPECT_EQ(ReadAll(b), beforeB);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ProgramConfig.File, a) << "the first map closed opens at the next start";
    EXPECT_TRUE(ProgramConfig.RecentFiles[0] == a || ProgramConfig.RecentFiles[1] == a);
    EXPECT_TRUE(ProgramConfig.RecentFiles[0] == b || ProgramConfig.RecentFiles[1] == b);
}

TEST_F(CloseQueryShell, FileExitAsksTheSameWay)
{
    const QString a = WriteMap(QStringLiteral("a.zmd"));
    OpenAndChange(a);
    messages.QueueAnswer(IdCancel);
    Frame().Action(Cmd::FileExit)->trigger();
    Settle();
    EXPECT_EQ(Questions(), QStringList{a});
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(Windows(), 1);
    EXPECT_EQ(Opening.OpenDocuments.size(), 1u);

    messages.Clear();
    messages.busyWhileUp.clear();
    messages.QueueAnswer(IdNo);
    Frame().Action(Cmd::FileExit)->trigger();
    Settle();
    EXPECT_EQ(Questions(), QStringList{a});
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_FALSE(FirstObjectDeletedIn(a));
    EXPECT_TRUE(WorkingCopies().isEmpty());
}

TEST_F(CloseQueryShell, MapsWithoutChangesCloseWithTheFrameWithoutAQuestion)
{
    const QString a = WriteMap(QStringLiteral("a.zmd"));
    ASSERT_TRUE(OpenMapByName(a));
    Settle();
    ASSERT_EQ(Windows(), 1);
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ProgramConfig.File, a);
}

} // namespace
