// A map only looked at is never changed: opening a map that the reader's rules set right,
// viewing it whole, zooming and scrolling leave nothing to save, and closing it neither asks
// nor touches its file. The values set right are said once at open and go into the file with
// the next real change that is saved.
#include "ShellFixture.h"

#include "edit/Work.h"
#include "shell/widgets/Panels.h"

#include <QCoreApplication>
#include <QWheelEvent>

using namespace zemo;
using namespace zemo::test;

namespace {

class UnchangedMap : public ShellTest {
protected:
    // As another program may leave a map: a colour count beyond the table, a zoom of 0, a
    // print range without size, and a shown template that is not there.
    QString WriteForeignMap(TestMapLayout* layout = nullptr)
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201)};
        w.objects.push_back(TestObject::Line(201, {{-20 * Mm, -10 * Mm}, {20 * Mm, 10 * Mm}}));
        w.colorCount = 300;
        PutF64(w.setup, setup::Zoom, 0.0);
        for (size_t i = 0; i < 4; ++i)
            PutI32(w.setup, setup::PrintRange + 4 * i, 0);
        w.strings.push_back(TestPString::Make(8, 0, "gone.bmp\ts1"));
        const QString path = TempPath(QStringLiteral("foreign.zmd"));
        EXPECT_TRUE(w.WriteTo(QFile::encodeName(path).toStdString(), layout));
        return path;
    }
    bool OpenForeign(const QString& path)
    {
        messages.QueueAnswer(IdCancel);  // no search for the missing template
        return OpenMap(path);
    }
    static bool Changed() { return Index.ActiveZmd && Index.ActiveZmd->Modified; }
    void Wheel(int delta)
    {
        const QPoint at = Surface()->rect().center();
        QWheelEvent e(at, Surface()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Surface(), &e);
        Settle();
    }
};

} // namespace

TEST_F(UnchangedMap, AMapSetRightWhileReadingThenViewedZoomedAndScrolledClosesWithoutAQuestion)
{
    const QString path = WriteForeignMap();
    const std::vector<uint8_t> before = ReadAll(path);
    ASSERT_TRUE(OpenForeign(path));
    ASSERT_EQ(messages.CountOf(TextKey::RepairedMap), 1);
    QString said;
    for (const auto& e : messages.Entries())
        if (e.msg.key == TextKey::RepairedMap)
            said = e.msg.params;
    EXPECT_TRUE(said.startsWith(path)) << said.toStdString();
    EXPECT_TRUE(said.contains(Text(TextKey::Colors))) << said.toStdString();
    EXPECT_FALSE(Changed()) << "opened";

    const double zoom = Index.ActiveZmd->Setup.Zoom;
    Trigger(Cmd::ViewEntire);
    EXPECT_NE(Index.ActiveZmd->Setup.Zoom, zoom) << "the whole map shown";
    Trigger(Cmd::ViewZoomIn);
    if (ActiveChild()->View().SwallowClick)
        Click(Surface(), {5, 5});
    Click(Surface(), Surface()->rect().center());
    const int32_t y = Index.ActiveZmd->Setup.ViewCenterY;
    Wheel(-120);
    EXPECT_NE(Index.ActiveZmd->Setup.ViewCenterY, y) << "scrolled";
    // The symbol box made wider: its layout is kept with the map, which it does not change.
    QWidget* bar = PanelsOf(Frame())->SymSplitter;
    DragPoint(bar, bar->rect().center(), bar->rect().center() - QPoint(60, 0));
    // Areas hatched and shown transparent: views of their own, kept with the map.
    Choose(Cmd::ViewHatch);
    Choose(Cmd::ViewTransp);
    ASSERT_TRUE(Index.ActiveZmd->Setup.HatchView);
    EXPECT_FALSE(Changed()) << "viewed, zoomed, scrolled, hatched, transparent and the symbol box widened";

    messages.Clear();
    Choose(Cmd::FileClose);
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    EXPECT_EQ(ReadAll(path), before) << "the file is as the other program left it";

    // Said again at the next open, as long as the file holds the values.
    messages.Clear();
    ASSERT_TRUE(OpenForeign(path));
    EXPECT_EQ(messages.CountOf(TextKey::RepairedMap), 1);
}

TEST_F(UnchangedMap, TheValuesSetRightAreWrittenWithTheNextChangeThatIsSaved)
{
    TestMapLayout layout;
    const QString path = WriteForeignMap(&layout);
    ASSERT_TRUE(OpenForeign(path));
    ASSERT_FALSE(Changed());
    DeleteTheLine();
    EXPECT_TRUE(Changed());
    messages.Clear();
    Trigger(Cmd::FileSave);
    EXPECT_FALSE(Changed());

    const std::vector<uint8_t> saved = ReadAll(path);
    EXPECT_EQ(GetI16(saved, kSymbolHeaderPos), 1) << "the colour count";
    const size_t at = size_t(GetI32(saved, hdr::SetupPos));
    ASSERT_LE(at + kSetupSize, saved.size());
    EXPECT_GE(GetF64(saved, at + setup::Zoom), 0.01);
    EXPECT_GE(GetI32(saved, at + setup::PrintRange + 8) - GetI32(saved, at + setup::PrintRange), Mm);
    EXPECT_EQ(GetI16(saved, layout.ObjectEntryPos(0) + 22), 0) << "the line is gone";
    messages.Clear();
    Choose(Cmd::FileClose);
    EXPECT_EQ(messages.CountOf(TextKey::FileModified), 0);
    messages.QueueAnswer(IdCancel);
    ASSERT_TRUE(OpenMap(path));
    EXPECT_EQ(messages.CountOf(TextKey::RepairedMap), 0) << "nothing left to set right";
}
