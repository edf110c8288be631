// Edit > Paste in the running program with metafile pictures of other programs on the
// clipboard: an enhanced metafile written by libEMF and a Windows metafile come in centred on
// the view as one undo step; a picture that does not open pastes nothing.
#include "../support/ProgramFixture.h"
#include "../support/WmfBuilder.h"
#include "EmfDrawing.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "edit/ObjClip.h"
#include "shell/widgets/MainFm.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace zemo::test {
namespace {

class MetafilePaste : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(1010)};
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("target.zmd")));
    }
    void Offer(const char* type, const QByteArray& picture)
    {
        auto* mime = new QMimeData;
        mime->setData(QString::fromLatin1(type), picture);
        QGuiApplication::clipboard()->setMimeData(mime);
        Settle();
        Frame().UpdateCommandStates();
    }
    bool PasteEnabled() { return Frame().Action(Cmd::EditPaste)->isEnabled(); }
    // The box of every pasted point.
    static CordRect Box()
    {
        CordRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (int n = 1; n <= Index.ActiveZmd->HighestObject; ++n) {
            if (!GetIndex(n) || !ReadElement(n, AuxElement1))
                continue;
            for (int k = 0; k < AuxElement1.nItem; ++k) {
                const Cord c = AuxElement1.Cords()[k];
                r = {std::min(r.x1, Masked(c.x)), std::min(r.y1, Masked(c.y)), std::max(r.x2, Masked(c.x)),
                     std::max(r.y2, Masked(c.y))};
            }
        }
        return r;
    }
    // The box has this size and its centre is the view's, to the unit.
    static void ExpectCentred(int32_t width, int32_t height)
    {
        const CordRect r = Box();
        EXPECT_EQ(r.x2 - r.x1, width);
        EXPECT_EQ(r.y2 - r.y1, height);
        EXPECT_EQ((int64_t(r.x1) + r.x2) / 2, Masked(Stp()->ViewCenterX));
        EXPECT_EQ((int64_t(r.y1) + r.y2) / 2, Masked(Stp()->ViewCenterY));
    }
};

TEST_F(MetafilePaste, AnEnhancedMetafileComesInCentredOnTheView)
{
    const QString path = TempPath(QStringLiteral("picture.emf"));
    {
        // 1000 x 500 logical units over the whole 81 x 40 pixels of the frame.
        EmfDrawing d(path.toStdString(), 0, 0, 2540, 1270);
        d.MapMode(8).WindowExt(1000, 500).ViewportExt(81, 40).Pen(1);
        d.Polygon({{0, 0}, {1000, 0}, {1000, 500}, {0, 500}}).Polyline({{0, 250}, {1000, 250}});
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    Offer(EmfMimeType, f.readAll());
    ASSERT_TRUE(PasteEnabled());
    Trigger(Cmd::EditPaste);
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 2);
    EXPECT_EQ(Index.SelectionCount, 2);
    ASSERT_TRUE(GetIndex(1) && ReadElement(1, AuxElement1));
    EXPECT_EQ(AuxElement1.ObjectType, AreaObject);
    EXPECT_EQ(AuxElement1.Symbol, -1);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(AuxElement1.LayerName.data() + 1), AuxElement1.LayerName[0]),
              "EMF 2");
    // 25.4 x 12.7 mm (to the rounding of 40 pixels at 81 an inch) around the view's centre.
    ExpectCentred(2540 * 256, 1254 * 256);
    Trigger(Cmd::EditUndo);
    EXPECT_FALSE(GetIndex(1) && GetIndex(2)) << "one undo takes the paste back";
}

TEST_F(MetafilePaste, AWindowsMetafileComesInAndADamagedOneDoesNot)
{
    WmfBuilder b(0, 0, 1440, 720, 1440);
    b.Record(259, {8}).Record(524, {720, 1440}).Poly(804, {{0, 0}, {1440, 0}, {1440, 720}, {0, 720}});
    Offer(WmfMimeType, b.Bytes());
    ASSERT_TRUE(PasteEnabled());
    Trigger(Cmd::EditPaste);
    ASSERT_EQ(Index.ActiveZmd->HighestObject, 1);
    ExpectCentred(2540 * 256, 1270 * 256);

    Offer(EmfMimeType, QByteArray(200, '\x01'));
    ASSERT_TRUE(PasteEnabled());
    Trigger(Cmd::EditPaste);
    EXPECT_EQ(messages.CountOf(TextKey::CannotOpenEmf), 1);
    EXPECT_EQ(Index.ActiveZmd->HighestObject, 1);
}

} // namespace
} // namespace zemo::test
