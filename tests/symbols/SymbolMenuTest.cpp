// The Symbol menu's workers on a map file: status, copy and paste through the clipboard,
// duplicate, delete, the editors' store step and the hidden-symbol question.
#include "SymbolsFixture.h"
#include "core/Status.h"
#include "edit/Work.h"
#include "symbols/Ports.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <fcntl.h>
#include <unistd.h>

using namespace zemo;
using namespace zemo::test;

namespace {

class SymbolMenuTest : public SymbolsTest {
protected:
    void SetUp() override
    {
        SymbolsTest::SetUp();
        QGuiApplication::clipboard()->clear();
    }
    // The index slot of list position k in the file's chain.
    int32_t SlotInFile(const std::vector<uint8_t>& b, int k) const
    {
        int32_t block = GetI32(b, 8);
        for (int i = 0; i < k / 256; ++i)
            block = GetI32(b, size_t(block));
        return GetI32(b, size_t(block) + 4 + 4 * size_t(k % 256));
    }
};

std::vector<uint8_t> Bytes(const QByteArray& a)
{
    return std::vector<uint8_t>(a.begin(), a.end());
}

} // namespace

TEST_F(SymbolMenuTest, ClipboardBlockHoldsRecordsAsStoredThenAZeroWord)
{
    OpenNumbered({10, 20});
    SetSymU8(Z().Symbols[1], SymSelected, 1);
    SetSymU8(Z().Symbols[1], SymStatus, 1 | SymbolUsedBit);
    const QByteArray block = PackSymbolClipboard({Z().Symbols[0], Z().Symbols[1]});
    const size_t a = Z().Symbols[0].size(), b = Z().Symbols[1].size();
    ASSERT_EQ(size_t(block.size()), a + b + 4);
    const auto bytes = Bytes(block);
    EXPECT_EQ(size_t(GetI16(bytes, 0)), a);
    EXPECT_EQ(GetI16(bytes, 2), 10);
    EXPECT_EQ(size_t(GetI16(bytes, a)), b);
    EXPECT_EQ(GetI16(bytes, a + 2), 20);
    EXPECT_EQ(bytes[a + 10], 0);  // selected: memory only
    EXPECT_EQ(bytes[a + 11], 1);  // status kept, used bit dropped
    EXPECT_EQ(GetI32(bytes, a + b), 0);

    std::vector<SymbolBytes> back;
    ASSERT_TRUE(UnpackSymbolClipboard(block, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0], Z().Symbols[0]);
    EXPECT_EQ(SymI16(back[1], SymNumber), 20);
}

TEST_F(SymbolMenuTest, TruncatedOrForgedClipboardBlocksAreRefusedWhole)
{
    OpenNumbered({10, 20});
    const QByteArray good = PackSymbolClipboard({Z().Symbols[0], Z().Symbols[1]});
    const int first = int(Z().Symbols[0].size());
    std::vector<SymbolBytes> out;

    // The second record's size word forged: too large, smaller than a record head, negative,
    // or 20904 bytes where the block ends sooner.
    const auto forged = [&](const char* word, int pad = -1) {
        QByteArray b = good;
        b[first] = word[0];
        b[first + 1] = word[1];
        return pad < 0 ? b : good.left(first) + QByteArray(word, 2) + QByteArray(pad, '\0');
    };
    for (const QByteArray& block : {good.left(good.size() - 4), good.left(good.size() - 3),
                                    good.left(first + 100), QByteArray(), forged("\xFF\x7F"),
                                    forged("\x28\x00"), forged("\xFC\xFF"), forged("\xA8\x51", 400)}) {
        out.assign(1, SymbolBytes{1});
        EXPECT_FALSE(UnpackSymbolClipboard(block, out)) << block.size();
        EXPECT_TRUE(out.empty()) << block.size();
    }
    EXPECT_TRUE(UnpackSymbolClipboard(QByteArray(4, '\0'), out));
    EXPECT_TRUE(out.empty());

    // Pasting a refused block changes nothing.
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(SymbolMimeType), good.left(first + 100));
    QGuiApplication::clipboard()->setMimeData(mime);
    const auto before = FileBytes();
    EXPECT_FALSE(PasteSymbol());
    EXPECT_EQ(Z().SymbolCount(), 2);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(SymbolMenuTest, CopyThenPasteFollowsTheCurrentSymbolInClipboardOrder)
{
    OpenNumbered({10, 20, 30, 40, 50, 60, 70});
    Select({0, 2});
    ASSERT_TRUE(CopySymbol());
    ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(QString::fromLatin1(SymbolMimeType)));

    SetCurrentSymbolPos(5);
    for (auto& r : Z().Symbols)
        SetSymU8(r, SymSelected, 0);
    const size_t end = FileBytes().size();
    ASSERT_TRUE(PasteSymbol());
    // Positions 6 and 7, numbers the next free above their own; 5 stays current.
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 30, 40, 50, 60, 11, 31, 70}));
    EXPECT_EQ(CurrentSymbolPos(), 5);
    const auto b = FileBytes();
    EXPECT_GE(size_t(SymI32(Z().Symbols[6], SymFilePos)), end);
    for (int k = 0; k < Z().SymbolCount(); ++k)
        EXPECT_EQ(SlotInFile(b, k), SymI32(Z().Symbols[size_t(k)], SymFilePos)) << k;
    EXPECT_EQ(GetI16(b, size_t(SymI32(Z().Symbols[7], SymFilePos)) + 2), 31);

    // Without a current symbol they go to the end.
    SetCurrentSymbolPos(-1);
    ASSERT_TRUE(PasteSymbol());
    EXPECT_EQ(Numbers().back(), 32);
    EXPECT_EQ(Numbers()[9], 12);

    Reopen();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 30, 40, 50, 60, 11, 31, 70, 12, 32}));
}

TEST_F(SymbolMenuTest, PasteIsRefusedWhileSymbolGraphicsAreEdited)
{
    OpenNumbered({10});
    SetCurrentSymbolPos(0);
    ASSERT_TRUE(CopySymbol());
    SymbolGraphicsBuffer g;
    g.Active = true;
    Index.SymbolGraphics = &g;
    EXPECT_FALSE(PasteSymbol());
    Index.SymbolGraphics = nullptr;
    EXPECT_TRUE(PasteSymbol());
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 11}));
}

TEST_F(SymbolMenuTest, DuplicateNumbersTheCopyAboveItsOriginal)
{
    OpenNumbered({1010, 1011, 1012, 1013, 50});
    SetCurrentSymbolPos(0);
    DuplicateSymbol();
    EXPECT_EQ(Numbers(), (std::vector<int>{1010, 1014, 1011, 1012, 1013, 50}));
    EXPECT_EQ(CurrentSymbolPos(), 0);
    Select({0, 5});
    DuplicateSymbol();
    EXPECT_EQ(Numbers(), (std::vector<int>{1010, 1014, 1011, 1012, 1013, 50, 1015, 51}));
    Reopen();
    EXPECT_EQ(Numbers(), (std::vector<int>{1010, 1014, 1011, 1012, 1013, 50, 1015, 51}));
}

TEST_F(SymbolMenuTest, DeleteAsksAndMovesTheCurrentSymbol)
{
    OpenNumbered({10, 20, 30, 40, 50});
        messages.QueueAnswer(IdCancel);
    SetCurrentSymbolPos(4);
    DeleteSymbols();
    ASSERT_EQ(messages.Entries().size(), 1u);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::DeleteSymbol);
    EXPECT_EQ(messages.Entries()[0].msg.helpContext, DeleteSymbolHelpContext);
    EXPECT_EQ(Z().SymbolCount(), 5);

    // The last one while current: the new last becomes current.
    messages.QueueAnswer(IdOk);
    DeleteSymbols();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(CurrentSymbolPos(), 3);
    EXPECT_EQ(Z().NumberTable[50], -1);

    // A multi-selection: the lowest deleted position becomes current.
    Select({1, 3});
    messages.QueueAnswer(IdOk);
    DeleteSymbols();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 30}));
    EXPECT_EQ(CurrentSymbolPos(), 1);
    Reopen();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 30}));
}

TEST_F(SymbolMenuTest, StatusIsWrittenProtectingAndHidingDeselectAndHiddenRedrawsTheMap)
{
    TestMapWriter w(8);
    for (int16_t n : {10, 20, 30})
        w.symbols.push_back(TestSymbol::Point(n));
    w.objects.push_back(TestObject::Point(10, 0, 0));
    Open(w);
    int repaints = 0;
    SymbolsPorts().RepaintSymbolBox.Bind([&] { ++repaints; });
    // A window of the map: each redraw invalidates its whole surface.
    ImageMapWindow window(4, 4);
    MapView view;
    view.Form = &window;
    view.Document = zmd.get();
    RegisterMapView(&view);
    SetSymU8(Z().Symbols[2], SymStatus, SymbolUsedBit);
    const struct {
        void (*set)();
        std::vector<int> targets;
        int stored[3];  // status bytes in the file
        bool selectionKept;
        size_t redraws; // so far: only a change to or from hidden redraws
    } rows[] = {
        {SetSymbolsNormal, {0}, {0, 0, 0}, true, 0},
        {SetSymbolsProtected, {0}, {1, 0, 0}, false, 0},
        {SetSymbolsHidden, {0, 2}, {2, 0, 2}, false, 1},
        {SetSymbolsProtected, {0}, {1, 0, 2}, false, 2},  // was hidden
        {SetSymbolsProtected, {0}, {1, 0, 2}, false, 2},
        {SetSymbolsNormal, {0, 1}, {0, 0, 2}, true, 2},
    };
    int k = 0;
    for (const auto& r : rows) {
        SelectOnly(1);
        Index.SelectedIndex = 1;
        if (r.targets.size() == 1)
            SetCurrentSymbolPos(r.targets[0]);
        else
            Select({r.targets[0], r.targets[1]});
        r.set();
        const auto b = FileBytes();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(b[size_t(layout.symbolRecords[size_t(i)]) + 11], r.stored[i]) << k << ": " << i;
        EXPECT_EQ(IsSelected(1), r.selectionKept) << k;
        EXPECT_EQ(Index.SelectionCount, r.selectionKept ? 1 : 0) << k;
        EXPECT_EQ(Index.SelectedIndex, r.selectionKept ? 1 : 0) << k;
        EXPECT_EQ(window.invalidated.size(), r.redraws) << k;
        EXPECT_EQ(repaints, ++k);
    }
    EXPECT_EQ(SymU8(Z().Symbols[2], SymStatus), 2 | SymbolUsedBit) << "the used bit is kept, not stored";
    UnregisterMapView(&view);
}

TEST_F(SymbolMenuTest, EditDispatchesByTypeAndIsDisabledWithoutEditors)
{
    TestMapWriter w(8);
    w.symbols.push_back(TestSymbol::Point(10));
    w.symbols.push_back(TestSymbol::Line(20));
    w.symbols.push_back(TestSymbol::LineText(30));
    w.symbols.push_back(TestSymbol::Rect(40));
    Open(w);
    SetCurrentSymbolPos(2);
    EXPECT_FALSE(CanEditSymbol());
    EXPECT_FALSE(CanEditSymbolIcon());
    std::vector<std::pair<SymbolEditorKind, int>> opened;
    SymbolsPorts().OpenEditor.Bind([&](SymbolEditorKind k, int pos) { opened.emplace_back(k, pos); });
    SymbolsPorts().HasEditor.Bind([](SymbolEditorKind k) { return k != SymbolEditorKind::Rect; });
    EditSymbol();
    SetCurrentSymbolPos(1);
    EditSymbol();
    SetCurrentSymbolPos(3);
    EXPECT_FALSE(CanEditSymbol());
    EditSymbol();
    SetCurrentSymbolPos(-1);
    EditSymbol();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], std::make_pair(SymbolEditorKind::LineText, 2));
    EXPECT_EQ(opened[1], std::make_pair(SymbolEditorKind::Line, 1));
}

TEST_F(SymbolMenuTest, IconEditorResultIsWrittenInPlace)
{
    OpenNumbered({10, 20});
    SetCurrentSymbolPos(1);
    SymbolsPorts().RunIconEditor.Bind([](SymbolBytes& rec) {
        std::fill(rec.begin() + SymIcon, rec.begin() + SymIcon + 264, uint8_t(0x11));
        SetSymI16(rec, SymNumber, 999);  // only the icon comes back
        return true;
    });
    ASSERT_TRUE(CanEditSymbolIcon());
    EditSymbolIcon();
    const auto b = FileBytes();
    const size_t at = size_t(layout.symbolRecords[1]);
    EXPECT_EQ(SymI32(Z().Symbols[1], SymFilePos), int32_t(at));
    EXPECT_EQ(b[at + SymIcon], 0x11);
    EXPECT_EQ(b[at + SymIcon + 263], 0x11);
    EXPECT_EQ(GetI16(b, at + 2), 20);
}

TEST_F(SymbolMenuTest, ReplaceSymbolStoresAndMakesItCurrent)
{
    OpenNumbered({10, 20, 30});
    const size_t end = FileBytes().size();
    // A grown record goes to the end, a new one after the current symbol.
    SymbolBytes grown = Z().Symbols[1];
    grown.resize(grown.size() + 16, 0);
    SetSymI16(grown, SymSize, int16_t(grown.size()));
    ASSERT_TRUE(ReplaceSymbol(grown, 1));
    EXPECT_EQ(CurrentSymbolPos(), 1);
    EXPECT_EQ(SymI32(Z().Symbols[1], SymFilePos), int32_t(end));
    SymbolBytes fresh = Z().Symbols[0];
    ASSERT_TRUE(ReplaceSymbol(fresh, -1));
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 11, 30}));
    EXPECT_EQ(CurrentSymbolPos(), 2);
    EXPECT_EQ(KeptSymbolText().left(4), QStringLiteral("1.1 "));
    SetCurrentSymbolPos(-1);
    ASSERT_TRUE(ReplaceSymbol(fresh, -1));
    EXPECT_EQ(CurrentSymbolPos(), 4);
    Reopen();
    EXPECT_EQ(Numbers(), (std::vector<int>{10, 20, 11, 30, 12}));
}

TEST_F(SymbolMenuTest, ReplaceSymbolFailsAndStopsOnAFileError)
{
    OpenNumbered({10, 20, 30});
        int refreshes = 0;
    SymbolsPorts().RefreshSymbolBox.Bind([&] { ++refreshes; });
    SetCurrentSymbolPos(0);
    const auto before = FileBytes();
    // The working file's handle becomes read-only under the file object: every write fails.
    const int ro = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(ro, 0);
    ASSERT_GE(::dup2(ro, Z().WorkFile.Handle()), 0);
    ::close(ro);
    SymbolBytes rec = Z().Symbols[1];
    EXPECT_FALSE(ReplaceSymbol(rec, -1));
    EXPECT_GE(Z().WriteFailures, 1);
    EXPECT_EQ(refreshes, 0);          // stopped before the box, the objects, the index
    EXPECT_EQ(CurrentSymbolPos(), 0); // and before the current symbol moved
    EXPECT_FALSE(ReplaceSymbol(rec, 2));
    EXPECT_EQ(FileBytes(), before);
    ASSERT_FALSE(messages.Entries().empty());
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::CannotWrite);
}

TEST_F(SymbolMenuTest, HiddenSymbolsAreConfirmedBeforeOutput)
{
    OpenNumbered({10, 20});
        ProgramConfig.HiddenExportWarning = true;
    EXPECT_TRUE(ConfirmHiddenSymbols());
    SetSymU8(Z().Symbols[0], SymStatus, 1);  // protected is no reason to ask
    EXPECT_TRUE(ConfirmHiddenSymbols());
    EXPECT_TRUE(messages.Entries().empty());
    SetSymU8(Z().Symbols[1], SymStatus, 2);
    messages.QueueAnswer(IdCancel);
    EXPECT_FALSE(ConfirmHiddenSymbols());
    messages.QueueAnswer(IdOk);
    EXPECT_TRUE(ConfirmHiddenSymbols());
    ASSERT_EQ(messages.Entries().size(), 2u);
    EXPECT_EQ(messages.Entries()[0].msg.key, TextKey::HiddenWarning);
    EXPECT_EQ(messages.Entries()[0].msg.helpContext, HiddenExportHelpContext);
    ProgramConfig.HiddenExportWarning = false;
    EXPECT_TRUE(ConfirmHiddenSymbols());
    EXPECT_EQ(messages.Entries().size(), 2u);
}
