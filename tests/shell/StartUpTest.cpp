// The start-up opening of the first showing: the undo file, recovery, the command-line map
// and the configured start-up map, first instance or not.
#include "../support/ProgramFixture.h"

#include "core/Config.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Undo.h"
#include "shell/CommandFrame.h"
#include "shell/StartUp.h"
#include "shell/widgets/MainFm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

class StartupOpenTest : public test::ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        test::TestMapWriter w(8);
        w.symbols = {test::TestSymbol::Point(101)};
        for (const char* name : {"last.zmd", "given.zmd"})
            ASSERT_TRUE(w.WriteTo(QFile::encodeName(TempPath(QLatin1String(name))).toStdString()));
        // Left by an earlier run: a working copy and an undo file.
        ASSERT_TRUE(QDir().mkpath(StateFolder()));
        ASSERT_TRUE(w.WriteTo(QFile::encodeName(StateFolder() + QStringLiteral("temp0007.~md")).toStdString()));
        QFile stale(StaleUndo());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.close();
        ProgramConfig.AutoLoad = true;
        ProgramConfig.File = TempPath(QStringLiteral("last.zmd"));
        NoOtherInstance = true;
        CloseUndoFile();
        // The copy is not recovered.
        messages.QueueAnswer(IdCancel);
    }
    void Run(const QString& file)
    {
        ASSERT_TRUE(RunInFrame([&] { StartupOpen(file); }, "FormPaint"));
    }
    static QString StaleUndo() { return StateFolder() + QStringLiteral("undo0003.tmp"); }
    static QStringList Open()
    {
        QStringList names;
        for (const OpenDocument& d : Opening.OpenDocuments)
            names << QFileInfo(d.Name).fileName();
        return names;
    }
};

} // namespace

TEST_F(StartupOpenTest, TheFirstInstanceRecoversAndOpensTheStartupMap)
{
    Run(QString());
    EXPECT_EQ(messages.CountOf(TextKey::SessionAborted), 1);
    EXPECT_EQ(Open(), QStringList{QStringLiteral("last.zmd")});
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
    EXPECT_GE(UndoUnit.FileHandle, 0) << "the undo file is made";
    EXPECT_FALSE(QFileInfo::exists(StaleUndo())) << "an earlier run's undo file is removed";
}

TEST_F(StartupOpenTest, ACommandLineMapWinsOverTheStartupMap)
{
    Run(TempPath(QStringLiteral("given.zmd")));
    EXPECT_EQ(Open(), QStringList{QStringLiteral("given.zmd")});
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
}

TEST_F(StartupOpenTest, ASecondInstanceNeitherRecoversNorOpensTheStartupMap)
{
    NoOtherInstance = false;
    Run(QString());
    EXPECT_EQ(messages.CountOf(TextKey::SessionAborted), 0);
    EXPECT_TRUE(Open().isEmpty());
    EXPECT_TRUE(ProgramConfig.File.isEmpty());
    EXPECT_GE(UndoUnit.FileHandle, 0);
    EXPECT_TRUE(QFileInfo::exists(StaleUndo())) << "it may be the first instance's";

    Run(TempPath(QStringLiteral("given.zmd")));
    EXPECT_EQ(Open(), QStringList{QStringLiteral("given.zmd")}) << "always opens";
}

TEST_F(StartupOpenTest, WithoutAutoLoadNoStartupMapOpens)
{
    ProgramConfig.AutoLoad = false;
    Run(QString());
    EXPECT_EQ(messages.CountOf(TextKey::SessionAborted), 1);
    EXPECT_TRUE(Open().isEmpty());
}

TEST(CommandLineFile, ParametersJoinIntoOneAbsolutePath)
{
    EXPECT_EQ(CommandLineFile({}, QStringLiteral("/home/u")), QString());
    EXPECT_EQ(CommandLineFile({QStringLiteral("maps/a.zmd")}, QStringLiteral("/home/u")),
              QStringLiteral("/home/u/maps/a.zmd"));
    EXPECT_EQ(CommandLineFile({QStringLiteral("/data/My"), QStringLiteral("Maps/b.zmd")},
                              QStringLiteral("/home/u")),
              QStringLiteral("/data/My Maps/b.zmd"));
    EXPECT_EQ(CommandLineFile({QStringLiteral("../x.zmd")}, QStringLiteral("/home/u")),
              QStringLiteral("/home/x.zmd"));
}
