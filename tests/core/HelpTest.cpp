#include "core/FileDialogs.h"
#include "core/Help.h"
#include "core/Messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(HelpMap, ParsesPairsAndRefusesAnythingElse)
{
    HelpMap m;
    const int bad = m.Parse("# comment\n"
                            "2 symbol.html\n"
                            "  50\tout.html   # trailing comment\r\n"
                            "\n"
                            "x page.html\n"
                            "0 zero.html\n"
                            "-4 neg.html\n"
                            "7 ../etc/passwd\n"
                            "8 /abs.html\n"
                            "9 .hidden\n"
                            "10 a.html extra\n"
                            "99999999999 big.html\n"
                            "11\n");
    EXPECT_EQ(bad, 9);
    EXPECT_EQ(m.Count(), 2);
    EXPECT_EQ(m.PageFor(2), "symbol.html");
    EXPECT_EQ(m.PageFor(50), "out.html");
    EXPECT_EQ(m.PageFor(7), "");
}

TEST(HelpPages, PageThenIndexThenNothing)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    EXPECT_TRUE(FindHelpPage(2, folder).path.isEmpty());
    WriteFile(folder + "index.html", "<html></html>");
    WriteFile(folder + "contexts.txt", "2 two.html\n3 missing.html\n");
    WriteFile(folder + "two.html", "<html></html>");
    HelpTarget t = FindHelpPage(2, folder);
    EXPECT_EQ(t.path, folder + "two.html");
    EXPECT_TRUE(t.exact);
    t = FindHelpPage(3, folder); // mapped, but the page is not there
    EXPECT_EQ(t.path, folder + "index.html");
    EXPECT_FALSE(t.exact);
    EXPECT_EQ(FindHelpPage(4, folder).path, folder + "index.html");
}

TEST(HelpPages, ShippedHelpHasEveryPageItNames)
{
    const QString folder = HelpFolder();
    ASSERT_TRUE(QFileInfo(folder + "index.html").isFile()) << folder.toStdString();
    QFile f(folder + "contexts.txt");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    HelpMap m;
    EXPECT_EQ(m.Parse(f.readAll()), 0);
    EXPECT_GT(m.Count(), 5);
    for (int context : {2, 3, 24, 50, 71, 101, 226})
        EXPECT_TRUE(FindHelpPage(context).exact) << context;
}

TEST(HelpContext, AMessageBoxContextWinsAndBelowOneOpensNothing)
{
    RecordingHelp help;
    ShowHelpContext(12);
    ShowHelpContext(0);
    ShowHelpContext(-1);
    struct DuringBox : MessageService {
        int Show(const ShownMessage&) override
        {
            ShowHelpContext(12);
            ShowHelpContext(0);
            return IdOk;
        }
    } box;
    ScopedMessageService scope(&box);
    WarningMsg(TextKey::Ok, {}, 40);
    EXPECT_EQ(help.Topics(), (std::vector<int>{12, 40, 40}));
    EXPECT_EQ(MessageHelpContext(), 0);
    EXPECT_EQ(MainWindowHelpContext(), 40);
}

TEST(HelpFileDialogs, OpenDialogStartsInTheNamesFolderAndExpandsTheResult)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).canonicalPath();
    RecordingFileDialogs dialogs;
    dialogs.QueueAnswer(true, QStringLiteral("chosen.zmd"));
    QString name = folder + "/old.zmd";
    EXPECT_TRUE(ExecOpenDialog(QStringLiteral("Open"), QStringLiteral("Maps|*.zmd"),
                               QStringLiteral(".zmd"), 33, name));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    const FileDialogRequest& r = dialogs.Requests()[0];
    EXPECT_EQ(r.kind, FileDialogRequest::Open);
    EXPECT_EQ(r.initialFolder, folder);
    EXPECT_EQ(r.fileName, "old.zmd");
    EXPECT_EQ(r.defaultExt, "zmd");
    EXPECT_EQ(MainWindowHelpContext(), 33);
    // The current folder became the name's folder, so a bare answer lands there.
    EXPECT_EQ(name, folder + "/chosen.zmd");

    // Cancel still expands the dialog's name.
    name = folder + "/keep.zmd";
    EXPECT_FALSE(ExecSaveDialog(QStringLiteral("Save"), QString(), QString(), 0, name));
    EXPECT_EQ(dialogs.Requests()[1].kind, FileDialogRequest::Save);
    EXPECT_EQ(name, folder + "/keep.zmd");
}

TEST(HelpFileDialogs, FiltersInQtForm)
{
    EXPECT_EQ(DialogFilterToQt(QStringLiteral("Map files|*.zmd;*.zm|All files|*.*")),
              "Map files (*.zmd *.zm);;All files (*)");
    EXPECT_EQ(DialogFilterToQt(QStringLiteral("Maps (*.zmd)|*.zmd")), "Maps (*.zmd)");
    EXPECT_EQ(DialogFilterToQt(QStringLiteral("Odd|")), "Odd (*)");
    EXPECT_EQ(DialogFilterToQt(QStringLiteral("lonely")), "");
}
