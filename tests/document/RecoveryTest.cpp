#include "DocumentFixture.h"

#include "core/LangTexts.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <cstdio>

namespace zemo::test {

namespace {

constexpr int ChildEdits = 20;

QString CopyName(int n)
{
    return StateFolder() + QString("temp%1.~md").arg(n, 4, 10, QLatin1Char('0'));
}

bool WriteCopy(int n, const std::vector<uint8_t>& bytes)
{
    return WriteFileBytes(QFile::encodeName(CopyName(n)).toStdString(), bytes);
}

std::vector<uint8_t> CopyBytes(const std::string& mapPath, uint16_t fileType = 2)
{
    TestMapWriter w = TestMapWriter::Sample(8);
    w.fileType = fileType;
    PutShortString(w.setup, setup::MapPath, mapPath, 255);
    return w.Build();
}

// Runs one of the child tests below in a process of its own.
std::unique_ptr<QProcess> StartChild(const QString& test, const QString& file)
{
    auto p = std::make_unique<QProcess>();
    p->setProgram(QCoreApplication::applicationFilePath());
    p->setArguments({"--gtest_filter=RecoveryChild.DISABLED_" + test, "--gtest_also_run_disabled_tests"});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZEMO_CHILD_FILE", file);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start();
    return p;
}

// Reads the child's output until a line equal to `line`; false on timeout or exit.
bool WaitForLine(QProcess& p, const QByteArray& line, QByteArrayList* seen = nullptr)
{
    for (int rounds = 0; rounds < 600; ++rounds) {
        while (p.canReadLine()) {
            const QByteArray l = p.readLine().trimmed();
            if (seen)
                seen->append(l);
            if (l == line)
                return true;
        }
        if (p.state() == QProcess::NotRunning)
            return false;
        p.waitForReadyRead(100);
    }
    return false;
}

void Say(const char* text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

} // namespace

// ---- The child processes ----

TEST(RecoveryChild, DISABLED_HoldLock)
{
    const QString file = qEnvironmentVariable("ZEMO_CHILD_FILE");
    TFileClass f;
    f.Open(file);
    Say("locked");
    QThread::sleep(60);
}

TEST(RecoveryChild, DISABLED_EditUntilKilled)
{
    RecordingMessages messages;
    ResetOpenUnit();
    ResetIndexState();
    DefaultConfig(ProgramConfig);
    ProgramConfig.AutoSave = false;
    ASSERT_TRUE(OpenMapByName(qEnvironmentVariable("ZEMO_CHILD_FILE")));
    Say("opened");
    const int base = Index.ActiveZmd->HighestObject;
    for (int i = 1; i <= ChildEdits; ++i) {
        ElementRecord& e = Index.CurElement;
        e = ElementRecord{};
        e.Symbol = 10;
        e.ObjectType = PointObject;
        e.nItem = 1;
        e.Slots[0] = {i * 1024, -i * 512};
        ASSERT_TRUE(AppendElement());
        FlushMapFile();
        Say(QByteArray("edit ").append(QByteArray::number(i)).constData());
    }
    // A change and a deletion.
    ASSERT_TRUE(ReadElement(base + 1, Index.CurElement));
    BeginElementEdit(base + 1);
    Index.CurElement.Slots[0] = {7680, 8960};
    ASSERT_TRUE(SaveElement(base + 1));
    DeleteElement(base + 2);
    FlushMapFile();
    Say("done");
    QThread::sleep(60);
}

// ---- Recovery ----

TEST_F(DocTest, LeftoverCopiesAreOfferedAndRefusedOrInvalidOnesDeleted)
{
    ASSERT_TRUE(WriteCopy(0, CopyBytes(MapPath("lost.zmd").toStdString())));
    ASSERT_TRUE(WriteCopy(1, CopyBytes("")));
    ASSERT_TRUE(WriteCopy(2, std::vector<uint8_t>(100, 0x5E)));
    ASSERT_TRUE(WriteCopy(3, CopyBytes("/x/template.zmd", 0x102)));  // a template's copy
    ASSERT_TRUE(WriteCopy(4, TestMapWriter::Sample(7).Build()));
    ASSERT_TRUE(WriteCopy(5, Truncated(CopyBytes("/x/cut.zmd"), 20000)));
    messages.SetDefaultAnswer(std::nullopt);
    messages.QueueAnswer(IdOk);
    messages.QueueAnswer(IdCancel);

    RecoverWorkingCopies();

    ASSERT_EQ(messages.CountOf(TextKey::SessionAborted), 2);
    EXPECT_EQ(messages.Entries()[0].msg.params, "lost.zmd");
    EXPECT_EQ(messages.Entries()[0].msg.helpContext, 53);
    EXPECT_EQ(messages.Entries()[1].msg.params, Text(TextKey::Untitled));
    EXPECT_EQ(WorkingCopies(), QStringList({"temp0000.~md"}));
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_EQ(Opening.OpenDocuments[0].Name, MapPath("lost.zmd"));
    EXPECT_EQ(Index.ActiveZmd, Opening.OpenDocuments[0].Zmd.get());
    EXPECT_TRUE(Index.MapOpen);
    EXPECT_EQ(Z().Modified, 1);
    EXPECT_GT(CountObjects(), 0);
    // Closing the recovered map deletes its copy.
    CloseDocument(Index.ActiveZmd);
    EXPECT_TRUE(WorkingCopies().isEmpty());
}

TEST_F(DocTest, NextWorkingCopyFollowsTheExistingOnes)
{
    ASSERT_TRUE(WriteCopy(0, {1}));
    ASSERT_TRUE(WriteCopy(1, {2}));
    EXPECT_EQ(TempWorkFileName(), CopyName(2));
    const QString path = Write(TestMapWriter::Sample(8), "n.zmd");
    ASSERT_TRUE(OpenMapByName(path));
    AppendPoint(10, 0, 0);  // the first change makes the copy
    EXPECT_EQ(Z().WorkFile.FileName(), CopyName(2));
    ASSERT_TRUE(OpenMapByName(Write(TestMapWriter::Sample(8), "m.zmd")));
    AppendPoint(10, 0, 0);
    EXPECT_EQ(Z().WorkFile.FileName(), CopyName(3));
}

TEST_F(DocTest, ACopyAnotherProcessHoldsIsLeftAlone)
{
    const auto bytes = CopyBytes("/x/busy.zmd");
    ASSERT_TRUE(WriteCopy(0, bytes));
    ASSERT_TRUE(WriteCopy(1, std::vector<uint8_t>(10, 1)));  // not locked, invalid
    auto child = StartChild("HoldLock", CopyName(0));
    ASSERT_TRUE(WaitForLine(*child, "locked")) << child->readAllStandardError().toStdString();

    RecoverWorkingCopies();

    EXPECT_EQ(messages.Count(), 0);
    EXPECT_TRUE(Opening.OpenDocuments.empty());
    EXPECT_EQ(WorkingCopies(), QStringList({"temp0000.~md"}));
    EXPECT_EQ(ReadAll(CopyName(0)), bytes);
    child->kill();
    child->waitForFinished(10000);
}

TEST_F(DocTest, AKilledSessionLeavesEveryCompletedEditForRecovery)
{
    const QString path = Write(TestMapWriter::Sample(8), "killed.zmd");
    const auto original = ReadAll(path);
    int base = 0;
    {
        ASSERT_TRUE(OpenMapByName(path));
        base = Z().HighestObject;
        CloseMapFile(path);
    }
    auto child = StartChild("EditUntilKilled", path);
    QByteArrayList seen;
    ASSERT_TRUE(WaitForLine(*child, "done", &seen)) << seen.join('|').toStdString()
                                                    << child->readAllStandardError().toStdString();
    ASSERT_TRUE(seen.contains(QByteArray("edit ") + QByteArray::number(ChildEdits)));
    child->kill();  // SIGKILL
    ASSERT_TRUE(child->waitForFinished(10000));
    EXPECT_EQ(child->exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(WorkingCopies().size(), 1);
    EXPECT_EQ(ReadAll(path), original);

    // Enter: the box's own default button recovers.
    messages.SetDefaultAnswer(std::nullopt);
    RecoverWorkingCopies();
    ASSERT_EQ(messages.CountOf(TextKey::SessionAborted), 1);
    EXPECT_EQ(messages.Last().params, "killed.zmd");
    EXPECT_EQ(messages.Entries().back().answer, int(IdOk));
    ASSERT_EQ(Opening.OpenDocuments.size(), 1u);
    EXPECT_EQ(DocumentPath(Index.ActiveZmd), path);
    EXPECT_EQ(Z().HighestObject, base + ChildEdits);
    ASSERT_TRUE(ReadElement(base + 1, Index.CurElement));
    EXPECT_EQ(Index.CurElement.Slots[0].x, 7680);
    EXPECT_EQ(Index.CurElement.Slots[0].y, 8960);
    EXPECT_FALSE(EntryLive(Z().Entry(base + 2)));
    for (int i = 3; i <= ChildEdits; ++i) {
        ASSERT_TRUE(ReadElement(base + i, Index.CurElement)) << i;
        EXPECT_EQ(Index.CurElement.Slots[0].x, i * 1024);
        EXPECT_EQ(Index.CurElement.Slots[0].y, -i * 512);
    }
    // Saving the recovered map writes it to its own file.
    ASSERT_TRUE(SaveMap(false));
    EXPECT_EQ(ReadAll(path), ReadAll(Z().WorkFile.FileName()));
}

} // namespace zemo::test
