// Old maps opened by File > Open in the running program: converted into a current map in a
// window, the frames of old texts measured with the map fonts.
#include "ShellFixture.h"

#include "../support/OldMapWriter.h"
#include "../support/TestMapReader.h"
#include "render/GraphSys.h"

#include <QRawFont>

namespace zemo::test {
namespace {

using OldMapsFlow = ShellTest;

TEST_F(OldMapsFlow, AVersion5TextWithALineBelowIsFramedAtLeastAsWideAsItsText)
{
    Version5Writer w;
    const int16_t font = w.AddTableText("Arial");
    V5Symbol s = V5Symbol::Make(10, 4, 0);
    for (const auto& [at, v] : std::vector<std::pair<size_t, int16_t>>{
             {V5Symbol::FontIndex, font}, {V5Symbol::W1, 200}, {V5Symbol::Theta, 1}, {V5Symbol::W2, 40}})
        s.Set(at, v);
    w.symbols = {s};
    // A narrow box: the frame grows to the text.
    const std::string text = "Wide Meadow";
    w.objects = {OldObject::Text(10, {Pt(0, 0), Pt(0, -10), Pt(10, -10), Pt(10, 100), Pt(0, 100)}, text)};
    const QString path = TempPath("v5text.zmd");
    ASSERT_TRUE(WriteFileBytes(QFile::encodeName(path).toStdString(), w.Build()));
    messages.SetDefaultAnswer(IdOk);
    ASSERT_TRUE(OpenMap(path));
    ASSERT_NE(ActiveChild(), nullptr);
    ASSERT_TRUE(ReadElement(1, CurElement));
    ASSERT_EQ(CurElement.ObjectType, RectangleObject);
    ASSERT_EQ(CurElement.nItem, 4);
    // 20 points in 0.01 mm; the text's advances in the substitute of Arial.
    const int height = int(std::nearbyint(200 / 72.0 * 254.0));
    const QRawFont f = CreateMapFont(QStringLiteral("Arial"), height, 400, false);
    ASSERT_TRUE(f.isValid());
    double advance = 0;
    for (const QPointF& a : f.advancesForGlyphIndexes(f.glyphIndexesForString(QString::fromStdString(text))))
        advance += a.x();
    const int64_t width = int64_t(CurElement.Slots[1].x & CoordMask) - (CurElement.Slots[0].x & CoordMask);
    EXPECT_GE(width, int64_t(advance * 256));
    EXPECT_LE(width, int64_t(advance * 256) + 1024 + 256 * int64_t(text.size()));
    // As high as the font's ascent and internal leading.
    EXPECT_GE(CurElement.Slots[2].y & CoordMask, int32_t(f.ascent() * 256));
}

// File > Open's "*.elt" entry: the pair opens in a window on the standard symbols.
TEST_F(OldMapsFlow, AVersion3PairOpensInAWindow)
{
    Version3Writer w;
    w.objects = {OldObject::Point(1403, 72, 72), OldObject::Line(51, {Pt(0, 0), Pt(720, 720)})};
    w.objects[1].classBits = 0x02;
    const auto [elt, idx] = w.Build();
    const QString path = TempPath("FOREST.ELT");
    ASSERT_TRUE(WriteFileBytes(QFile::encodeName(path).toStdString(), elt));
    ASSERT_TRUE(WriteFileBytes(QFile::encodeName(TempPath("FOREST.IDX")).toStdString(), idx));
    messages.SetDefaultAnswer(IdOk);
    ASSERT_TRUE(OpenMap(path));
    ASSERT_NE(ActiveChild(), nullptr);
    // Untitled, so that it is saved under a new name, but shown under its old one.
    EXPECT_TRUE(DocumentPath(Index.ActiveZmd).isEmpty());
    EXPECT_TRUE(ActiveChild()->windowTitle().contains(QStringLiteral("FOREST.ELT"))) << ActiveChild()->windowTitle().toStdString();
    EXPECT_EQ(CountObjects(), 2);
    SymbolBytes* s = nullptr;
    EXPECT_TRUE(GetSymbol(3060, s));
    ASSERT_TRUE(ReadElement(2, CurElement));
    EXPECT_EQ(CurElement.Symbol, 3060);
}

} // namespace
} // namespace zemo::test
