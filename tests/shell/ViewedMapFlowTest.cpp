// A map only looked at in the running program is read where it is: zoomed and closed, it was
// never copied and its file never written; what it paints is what its working copy paints.
#include "ShellFixture.h"

#include "core/Config.h"
#include "core/Folders.h"
#include "document/Index.h"
#include "edit/widgets/MdiChild.h"
#include "shell/widgets/MainFm.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <fcntl.h>
#include <sys/stat.h>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr time_t OldTime = 1000000000;

class ViewedMap : public ShellTest {
protected:
    static QStringList WorkingCopies()
    {
        return QDir(StateFolder()).entryList({QStringLiteral("temp*.~md")}, QDir::Files);
    }
    static time_t ModifiedAt(const QString& path)
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mtim.tv_sec : 0;
    }
    QImage Painted()
    {
        Trigger(Cmd::ViewRedraw);
        Settle();
        return ActiveChild()->Surface().copy();
    }
};

} // namespace

TEST_F(ViewedMap, ZoomedAndClosedItIsNeverCopiedAndPaintsAsItsCopyWould)
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Line(10, 0, 100), TestSymbol::Area(20, 0)};
    w.objects = {TestObject::Line(10, {{-30 * Mm, 0}, {30 * Mm, 5 * Mm}}),
                 TestObject::Area(20, {{-9 * Mm, -9 * Mm}, {9 * Mm, -9 * Mm}, {0, 9 * Mm}})};
    const QString path = TempPath(QStringLiteral("looked.zmd"));
    ASSERT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString()));
    const timespec times[2] = {{OldTime, 0}, {OldTime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    const std::vector<uint8_t> before = ReadAll(path);

    ASSERT_TRUE(OpenMap(path));
    ShowAtTenthMillimetres();
    Trigger(Cmd::ViewZoomOut);
    Settle();
    const QImage looked = Painted();
    EXPECT_GT(looked.size().width(), 0);
    EXPECT_TRUE(WorkingCopies().isEmpty());

    // The copy a first change would make paints the same pixels.
    Index.ActiveZmd->WorkFile.MakeOwnCopy();
    ASSERT_EQ(WorkingCopies().size(), 1);
    EXPECT_EQ(Painted(), looked);
    messages.Clear();
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0) << "the copy holds no change";
    EXPECT_TRUE(WorkingCopies().isEmpty());

    // Once more without the copy: opened, zoomed, closed.
    ASSERT_TRUE(OpenMap(path));
    Trigger(Cmd::ViewEntire);
    Settle();
    Trigger(Cmd::FileClose);
    Settle();
    EXPECT_EQ(Index.ActiveZmd, nullptr);
    EXPECT_TRUE(WorkingCopies().isEmpty());
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(ModifiedAt(path), OldTime);
}
