// Unsaved changes and the main frame: File > Close, File > Exit and closing the frame all
// ask through the document window's question; Cancel anywhere keeps the program, every
// window and every change.
#include "ShellFixture.h"

#include "core/Folders.h"
#include "core/LangTexts.h"

#include <QDir>

using namespace zemo;
using zemo::test::GetI16;
using zemo::test::ReadAll;

namespace {

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

class CloseQueryShell : public zemo::test::ShellTest {
protected:
    // Opened in its own window and changed (its object deleted).
    QString OpenChanged(const QString& name)
    {
        const QString path = WriteSample(name, &layout);
        EXPECT_TRUE(OpenMapByName(path));
        Settle();
        DeleteElement(1);
        EXPECT_TRUE(Index.ActiveZmd->Modified);
        Frame().UpdateCommandStates();
        return path;
    }
    bool ObjectDeletedIn(const QString& path) const
    {
        return uint16_t(GetI16(ReadAll(path), layout.ObjectEntryPos(0) + 22)) == 0;
    }
    QStringList WorkingCopies() const
    {
        return QDir(StateFolder()).entryList({"temp*.~md"}, QDir::Files, QDir::Name);
    }
    // The map names the questions were about, in order; each one with its help context and
    // the frame busy while it was up.
    QStringList Questions() const
    {
        QStringList names;
        for (size_t i = 0; i < messages.Entries().size(); ++i) {
            const auto& e = messages.Entries()[i];
            if (e.msg.key != TextKey::FileModified)
                continue;
            EXPECT_EQ(e.msg.kind, MsgKind::YesNoCancel);
            EXPECT_EQ(e.msg.helpContext, FileModifiedHelpContext);
            EXPECT_TRUE(messages.busyWhileUp.at(i));
            names << e.msg.params.trimmed();
        }
        return names;
    }

    zemo::test::TestMapLayout layout;
    // Installed after the fixture's own recorder, so it is the one that answers.
    BusyNotingMessages messages;
};

TEST_F(CloseQueryShell, ClosingTheFrameOrFileExitAsksEveryWindowAndCancelInAnyKeepsEverything)
{
    const QString a = OpenChanged(QStringLiteral("a.zmd"));
    const QString b = OpenChanged(QStringLiteral("b.zmd"));
    const auto beforeA = ReadAll(a);
    const auto beforeB = ReadAll(b);
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

    // File > Exit asks the same way: Yes for the first, No for the second, and the program ends.
    messages.Clear();
    messages.busyWhileUp.clear();
    messages.QueueAnswer(IdYes);
    messages.QueueAnswer(IdNo);
    Trigger(Cmd::FileExit);
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(Questions(), (QStringList{a, b}));
    EXPECT_TRUE(ObjectDeletedIn(a));
    EXPECT_EQ(ReadAll(b), beforeB);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ProgramConfig.File, a) << "the first map closed opens at the next start";
    EXPECT_TRUE(ProgramConfig.RecentFiles[0] == a || ProgramConfig.RecentFiles[1] == a);
    EXPECT_TRUE(ProgramConfig.RecentFiles[0] == b || ProgramConfig.RecentFiles[1] == b);
}

TEST_F(CloseQueryShell, MapsWithoutChangesCloseWithTheFrameWithoutAQuestion)
{
    const QString a = WriteSample(QStringLiteral("a.zmd"));
    ASSERT_TRUE(OpenMapByName(a));
    Settle();
    EXPECT_TRUE(Frame().close());
    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_EQ(ProgramConfig.File, a);
}

} // namespace
