// The object clipboard: the blocks at their literal offsets, paste into the same map and into
// one that lacks symbols, the size limit, forged blocks refused whole, and the picture for
// other programs checked by an independent SVG renderer.
#include "ObjectFixture.h"

#include "core/Folders.h"
#include "symbols/store/SymbolClipboard.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace zemo::test {
namespace {

using Clipboard = ObjectTest;

int32_t Le32(const QByteArray& b, qsizetype at)
{
    return int32_t(uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16
                   | uint32_t(uint8_t(b[at + 3])) << 24);
}
int Le16(const QByteArray& b, qsizetype at)
{
    return int16_t(uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8));
}

Cord Shifted(Cord c, int64_t dx, int64_t dy)
{
    return {int32_t(Masked(c.x) + dx) | Flags(c.x), int32_t(Masked(c.y) + dy) | Flags(c.y)};
}

void PutClipboard(const char* type, const QByteArray& block)
{
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(type), block);
    QGuiApplication::clipboard()->setMimeData(mime);
}

TEST_F(Clipboard, CopyPutsEachObjectMovedToTheCentreAndItsSymbolsAtTheirOffsets)
{
    ShowMap(ObjectMap());
    CordRect rect{};
    for (int n : AllObjects) {
        ASSERT_TRUE(GetIndex(n));
        rect = n == CutCircleObj ? Index.CurIndex.Rect : rect;
        ExtendRect(rect, Index.CurIndex.Rect);
    }
    const int32_t cx = Masked(rect.x1 / 2 + rect.x2 / 2), cy = Masked(rect.y1 / 2 + rect.y2 / 2);
    Select(AllObjects);
    ASSERT_TRUE(CopyObjects());

    const QByteArray block = Clip(ObjectMimeType);
    qsizetype at = 0;
    for (int n : AllObjects) {
        SCOPED_TRACE(n);
        const ElementRecord& e = Stored(n);
        ASSERT_LE(at + 32, block.size());
        EXPECT_EQ(Le16(block, at), e.Symbol);
        EXPECT_EQ(uint8_t(block[at + 2]), e.ObjectType);
        EXPECT_EQ(Le16(block, at + 4), e.nItem);
        EXPECT_EQ(Le16(block, at + 6), e.nText);
        EXPECT_EQ(Le16(block, at + 8), e.Angle);
        for (int i = 0; i < e.nItem; ++i) {
            // A point object's further Cords (the cut circle's gaps) stay as they are.
            const bool moves = e.ObjectType != PointObject || i == 0;
            const Cord want = moves ? Shifted(e.Cords()[i], -cx, -cy) : e.Cords()[i];
            EXPECT_EQ(Le32(block, at + 32 + 8 * i), want.x) << i;
            EXPECT_EQ(Le32(block, at + 36 + 8 * i), want.y) << i;
        }
        const QByteArray text = block.mid(at + 32 + 8 * e.nItem, 8 * e.nText);
        EXPECT_EQ(text, QByteArray(reinterpret_cast<const char*>(e.TextBytes()), 8 * e.nText));
        at += 32 + 8 * (e.nItem + e.nText);
    }
    EXPECT_EQ(block.size(), at + 4);
    EXPECT_EQ(Le32(block, at), 0);

    // The symbols used, in the map's order, each as long as its size word; then a zero.
    const QByteArray symbols = Clip(SymbolMimeType);
    qsizetype pos = 0;
    for (int number : {10, 20, 30, 40, 50}) {
        ASSERT_LT(pos + 4, symbols.size());
        EXPECT_EQ(Le16(symbols, pos + 2), number);
        pos += Le16(symbols, pos);
    }
    EXPECT_EQ(symbols.size(), pos + 4);

    // The symbol elements are drawn about the centre: the cut circle's two arcs start and end
    // on its ring (diameter 3 mm less the 0.3 mm pen: 1.35 mm radius) about its place.
    const QByteArray graphics = Clip(SymbolGraphicsMimeType);
    ASSERT_EQ(graphics.size(), 4096);
    int arcs = 0;
    for (qsizetype s = 0; s < 512 && Le32(graphics, s * 8) != 0; s += 2 + Le16(graphics, s * 8 + 10)) {
        const int n = Le16(graphics, s * 8 + 10);
        auto onRing = [&](int i) {
            const double dx = double(Masked(Le32(graphics, s * 8 + 16 + 8 * i))) - (-20 * Mm - cx);
            const double dy = double(Masked(Le32(graphics, s * 8 + 20 + 8 * i))) - (10 * Mm - cy);
            return std::fabs(std::hypot(dx, dy) - 135 * 256) < 512;
        };
        arcs += Le16(graphics, s * 8) == 1 && Le16(graphics, s * 8 + 6) == 30 && onRing(0) && onRing(n - 1) ? 1 : 0;
    }
    EXPECT_EQ(arcs, 2);
    EXPECT_TRUE(Clip(PictureMimeType).startsWith("<?xml"));
}

TEST_F(Clipboard, PasteIntoTheSameMapCentresOnTheViewWithRelativeCoordinatesAndGapsExact)
{
    ShowMap(ObjectMap());
    Select(AllObjects);
    ASSERT_TRUE(CopyObjects());
    const CordRect rect = Index.SelectionRect;
    const int32_t cx = Masked(rect.x1 / 2 + rect.x2 / 2), cy = Masked(rect.y1 / 2 + rect.y2 / 2);
    S().ViewCenterX = 7 * Mm + 77;  // the flag bits of the view position are not moved by
    S().ViewCenterY = -3 * Mm;
    const int first = zmd->HighestObject + 1;
    CheckUndo(PasteObjects);
    ASSERT_EQ(zmd->HighestObject, first + 5);
    const int64_t dx = 7 * Mm - int64_t(cx), dy = -3 * Mm - int64_t(cy);
    int k = 0;
    for (int n : AllObjects) {
        SCOPED_TRACE(n);
        const ElementRecord original = Stored(n);
        const ElementRecord& pasted = Stored(first + k++);
        EXPECT_EQ(pasted.Symbol, original.Symbol);
        EXPECT_EQ(pasted.ObjectType, original.ObjectType);
        ASSERT_EQ(pasted.nItem, original.nItem);
        for (int i = 0; i < original.nItem; ++i) {
            const bool moves = original.ObjectType != PointObject || i == 0;
            EXPECT_EQ(pasted.Cords()[i], moves ? Shifted(original.Cords()[i], dx, dy) : original.Cords()[i]) << i;
        }
        EXPECT_EQ(std::memcmp(pasted.TextBytes(), original.TextBytes(), 8 * original.nText), 0);
    }
    // Pasted objects are the selection; the edit-object tool follows.
    EXPECT_EQ(Index.SelectionCount, 6);
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(ProgramConfig.WorkMode, WorkModes::EditObject);
}

TEST_F(Clipboard, PasteIntoAMapLackingTwoSymbolsAddsThemOnceAndReusesTheOthers)
{
    ShowMap(ObjectMap());
    Select(AllObjects);
    ASSERT_TRUE(CopyObjects());
    const SymbolBytes lineText = zmd->Symbols[4];
    CloseMap();

    // The same first three symbols; no text symbol, and 5.0 is a point symbol here.
    TestMapWriter other = ObjectMap();
    other.objects.clear();
    other.symbols = {other.symbols[0], other.symbols[1], other.symbols[2], TestSymbol::Point(50)};
    ShowMap(other);
    ASSERT_EQ(zmd->SymbolCount(), 4);
    PasteObjects();
    ASSERT_EQ(zmd->SymbolCount(), 6);
    ASSERT_EQ(zmd->HighestObject, 6);
    // The line text got a number of its own; its record is the copied one.
    const int lineTextNumber = Stored(LineTextObj).Symbol;
    EXPECT_NE(lineTextNumber, 50);
    SymbolBytes* added = nullptr;
    ASSERT_TRUE(GetSymbol(lineTextNumber, added));
    EXPECT_TRUE(std::equal(added->begin() + 348, added->end(), lineText.begin() + 348));
    SymbolBytes* point = nullptr;
    ASSERT_TRUE(GetSymbol(50, point));
    EXPECT_EQ(SymI16(*point, SymObjectType), PointObject);
    EXPECT_EQ(Stored(PointTextObj).Symbol, Stored(TextBoxObj).Symbol);
    for (int n : {CutCircleObj, GapLineObj, HoledAreaObj})
        EXPECT_EQ(Stored(n).Symbol, n * 10);
    // A second paste finds every symbol.
    PasteObjects();
    EXPECT_EQ(zmd->SymbolCount(), 6);
    EXPECT_EQ(Stored(12).Symbol, Stored(6).Symbol);
    EXPECT_EQ(Stored(11).Symbol, lineTextNumber);
}

TEST_F(Clipboard, MoreThanTenMillionBytesAreRefusedAndCutDeletesNothing)
{
    TestMapWriter w = ObjectMap();
    w.objects.clear();
    std::vector<TestCord> long_;
    for (int i = 0; i < 4000; ++i)
        long_.push_back({i * 256, (i % 7) * 256});
    // Point objects of a symbol without elements, which draws nothing:
    // 313 x (32 + 32000) + 4 bytes > 10,000,000.
    w.symbols.push_back(TestSymbol::Point(70));
    TestObject big = TestObject::Line(70, long_);
    big.type = PointObject;
    for (int k = 0; k < 313; ++k)
        w.objects.push_back(big);
    ShowMap(w);
    StartElementScan(0);
    for (int n = 1; n <= 313; ++n) {
        ASSERT_TRUE(GetIndex(n));
        ToggleSelection(n);
    }
    PutClipboard("text/plain", "before");
    CutObjects();
    EXPECT_EQ(messages.CountOf(TextKey::TooManyForClb), 1);
    EXPECT_EQ(Live(), 313);
    EXPECT_EQ(Clip("text/plain"), "before");
    // One object fewer fits.
    ToggleSelection(313);
    EXPECT_TRUE(CopyObjects());
}

// Blocks another process wrote: a record that no object can be, or an element running past
// the buffer, refuses the block whole; nothing of it reaches the map.
TEST_F(Clipboard, ForgedBlocksPasteNothing)
{
    ShowMap(ObjectMap());
    Select({GapLineObj});
    ASSERT_TRUE(CopyObjects());
    const QByteArray good = Clip(ObjectMimeType);  // one line of 4 Cords
    auto patched = [&](qsizetype at, int value, int bytes) {
        QByteArray b = good;
        for (int k = 0; k < bytes; ++k)
            b[at + k] = char((value >> (8 * k)) & 0xFF);
        return b;
    };
    struct Row {
        const char* name;
        QByteArray block;
        bool pastes;
    };
    const std::vector<Row> rows{
        {"the copy itself", good, true},
        {"type 0", patched(2, 0, 1), false},
        {"type 6", patched(2, 6, 1), false},
        {"symbol 0", patched(0, 0, 2), false},
        {"symbol 1000.0", patched(0, 10000, 2), false},
        {"the deleted mark as symbol", patched(0, 0x8000, 2), false},
        {"an imported symbol of its own", patched(0, 0xFFF6, 2), true},
        {"no Cords", patched(4, 0, 2), false},
        {"more Cords than the block", patched(4, 5, 2), false},
        {"more slots than an object holds", patched(6, 32765, 2), false},
        {"Cords beyond an object", patched(4, 40000, 2), false},
        {"no zero head at the end", good.left(good.size() - 4), false},
        {"cut inside the head", good.left(20), false},
        {"a second record running past the end", good.left(good.size() - 4) + good.left(40), false},
        {"empty", QByteArray(), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const int before = zmd->HighestObject;
        PutClipboard(ObjectMimeType, r.block);
        PasteObjects();
        EXPECT_EQ(zmd->HighestObject, before + (r.pastes ? 1 : 0));
    }
    // A damaged symbol block stops the paste too.
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(ObjectMimeType), good);
    mime->setData(QString::fromLatin1(SymbolMimeType), QByteArray("\x60\x01", 2));
    QGuiApplication::clipboard()->setMimeData(mime);
    const int before = zmd->HighestObject;
    PasteObjects();
    EXPECT_EQ(zmd->HighestObject, before);
}

// Copied objects pasted into a symbol's graphics: their elements, each where it fits, selected;
// one undo step gives the buffer back.
TEST_F(Clipboard, PasteIntoASymbolsGraphicsAddsTheElementsThatFit)
{
    ShowMap(ObjectMap());
    Select({GapLineObj, HoledAreaObj});
    ASSERT_TRUE(CopyObjects());
    const QByteArray block = Clip(SymbolGraphicsMimeType);
    std::vector<int> slots;
    ASSERT_TRUE(UnpackSymbolGraphicsBlock(block, slots));
    ASSERT_GE(slots.size(), 2u);
    EnterSymbolGraphics();
    PasteObjects();
    const int elements = CountSymbolGraphicsElements();
    EXPECT_EQ(elements, int(slots.size()));
    EXPECT_EQ(Index.SelectionCount, elements);
    EXPECT_EQ(zmd->HighestObject, 6);  // the map's objects untouched
    const std::vector<uint8_t> once = GraphicsBytes();
    EXPECT_EQ(once, std::vector<uint8_t>(block.begin(), block.begin() + qsizetype(once.size())));
    // Again and again: only what still fits in the 512 slots.
    const int perPaste = view->SymbolGraphics.UsedSlots, times = 512 / perPaste + 1;
    std::vector<uint8_t> before;
    for (int k = 0; k < times; ++k) {
        before = GraphicsBytes();
        PasteObjects();
    }
    EXPECT_LE(view->SymbolGraphics.UsedSlots, 512);
    EXPECT_LT(CountSymbolGraphicsElements(), (times + 1) * elements);
    EXPECT_GT(view->SymbolGraphics.UsedSlots, 512 - perPaste);
    const std::vector<uint8_t> full = GraphicsBytes();
    ASSERT_TRUE(CanUndo());
    UndoWindowEdit();
    EXPECT_EQ(GraphicsBytes(), before);
    RedoWindowEdit();
    EXPECT_EQ(GraphicsBytes(), full);
    EXPECT_EQ(messages.Count(), 0);
}

TEST(ClipboardBlocks, SymbolGraphicsElementsMustFitTheirSlots)
{
    auto element = [](int kind, int n) {
        QByteArray e(16 + 8 * std::max(n, 0), '\0');
        e[0] = char(kind);
        e[10] = char(n & 0xFF);
        e[11] = char((n >> 8) & 0xFF);
        return e;
    };
    auto block = [](QByteArray content) {
        content.resize(4096, '\0');
        return content;
    };
    struct Row {
        const char* name;
        QByteArray block;
        bool ok;
        std::vector<int> slots;
    };
    const std::vector<Row> rows{
        {"a line and a circle", block(element(1, 2) + element(3, 1)), true, {0, 4}},
        {"a full buffer of one area", block(element(2, 510)), true, {0}},
        {"n + 2 slots past the 512", block(element(2, 511)), false, {}},
        {"past the block's bytes", element(1, 2).left(30), false, {}},
        {"an unknown kind", block(element(5, 2)), false, {}},
        {"no coordinates", block(element(1, 0)), false, {}},
        {"a negative count", block(element(1, -3)), false, {}},
        {"elements from slot 509 are not read", block(QByteArray(509 * 8 - 16, '\0').replace(0, 16, element(2, 507).left(16)) + element(4, 1)), true, {0}},
        {"empty", block({}), true, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<int> slots{99};
        EXPECT_EQ(UnpackSymbolGraphicsBlock(r.block, slots), r.ok);
        EXPECT_EQ(slots, r.slots);
    }
}

// The picture for other programs: rendered by rsvg-convert, its ink lies where the painters'
// own image has ink.
TEST_F(Clipboard, TheClipboardPictureRendersLikeThePaintersOwnImage)
{
    ShowMap(ObjectMap());
    Select(AllObjects);
    ASSERT_TRUE(CopyObjects());
    const QByteArray svg = Clip(PictureMimeType);
    ASSERT_FALSE(svg.isEmpty());
    EXPECT_TRUE(svg.contains("mm\""));  // sized in millimetres
    const QString samples = DataFolder() + QStringLiteral("samples/");
    QDir().mkpath(samples);
    const QString file = samples + QStringLiteral("clipboard-objects.svg");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(svg);
    }
    // The painters at the picture's transform: 300 dots per inch from the selection's corner.
    const CordRect r = Index.SelectionRect;
    const double scale = 300.0 / 2540.0 / 256.0;
    const int w = int(std::ceil((double(r.x2) - r.x1) * scale)), h = int(std::ceil((double(r.y2) - r.y1) * scale));
    QImage own(w, h, QImage::Format_RGB32);
    own.fill(Qt::white);
    {
        PainterDevice dc(&own);
        Scale.ViewOrigin = {r.x1, r.y2};
        Scale.ViewScaleX = scale;
        Scale.ViewScaleY = -scale;
        Graph.OutputDC = &dc;
        Graph.OutputMode = BitmapOutput;
        Graph.ClipRect = r;
        SetOutputAdjust(100, 100, false);
        BeginDrawing(false);
        for (int i = zmd->ColorBlock.ColorCount - 1; i >= 0; --i) {
            const auto& c = zmd->ColorBlock.Colors[size_t(i)];
            Graph.CurrentColor = c.Number;
            Graph.OutputCmyk = PackCmyk(c.Cmyk);
            for (int n : AllObjects) {
                SymbolBytes* sym = nullptr;
                GetIndex(n);
                GetSymbol(Index.CurIndex.Symbol, sym);
                if (SymbolHasColor(sym->data(), c.Number) && ReadElement(n, DrawElement)) {
                    DrawSymbol = sym->data();
                    DrawObjectByType();
                }
            }
        }
        EndDrawing();
        Graph.OutputDC = nullptr;
    }
    own.save(samples + QStringLiteral("clipboard-objects-painters.png"));
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    ASSERT_FALSE(rsvg.isEmpty()) << "needs rsvg-convert (Debian package librsvg2-bin)";
    QProcess p;
    p.start(rsvg, {"-w", QString::number(w), "-h", QString::number(h), "-b", "white", "-o", file + ".png", file});
    ASSERT_TRUE(p.waitForFinished(30000) && p.exitCode() == 0) << p.readAllStandardError().toStdString();
    const QImage theirs = QImage(file + ".png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(theirs.size(), own.size());
    auto ink = [](const QImage& img, int x, int y) {
        if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
            return false;
        return qGray(img.pixel(x, y)) < 200;
    };
    // Ink of one image with ink of the other within a pixel, counted both ways.
    auto covered = [&](const QImage& a, const QImage& b) {
        int inked = 0, hit = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                if (!ink(a, x, y))
                    continue;
                ++inked;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx)
                        near = ink(b, x + dx, y + dy);
                hit += near ? 1 : 0;
            }
        EXPECT_GT(inked, 500);
        return inked ? double(hit) / inked : 0.0;
    };
    EXPECT_GE(covered(own, theirs), 0.95);
    EXPECT_GE(covered(theirs, own), 0.95);
}

} // namespace
} // namespace zemo::test
