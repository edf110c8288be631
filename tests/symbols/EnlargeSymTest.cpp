// Symbol > Enlarge: which symbols grow (current, selected, all), what reaches the file and the
// objects' index rectangles, the dialog's range, and in the running program the shipped
// orienteering set enlarged and shrunk, saved and opened again, read at literal offsets.
#include "../support/ProgramFixture.h"
#include "SymbolsFixture.h"

#include "core/Status.h"
#include "shell/widgets/MainFm.h"
#include "symbols/EnlargeSym.h"
#include "symbols/widgets/EnlargeSymDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

// Point 10 (a 1 mm dot), line 20 (0.35 mm) and rectangle 30 (0.25 mm), a line of symbol 20.
TestMapWriter ThreeKinds()
{
    TestMapWriter w(8);
    w.symbols = {TestSymbol::Point(10, {TestElement::Dot(0, 100)}), TestSymbol::Line(20, 0, 35),
                 TestSymbol::Rect(30, 0, 25)};
    w.objects.push_back(TestObject::Line(20, {{-10 * Mm, 0}, {10 * Mm, 0}}));
    return w;
}

class EnlargeTest : public SymbolsTest {
protected:
    // The record of list position k as the file holds it now.
    std::vector<uint8_t> RecordInFile(int k) const
    {
        const auto b = FileBytes();
        const size_t at = size_t(layout.symbolRecords[size_t(k)]);
        return {b.begin() + long(at), b.begin() + long(at + Z().Symbols[size_t(k)].size())};
    }
    const TZmd& Z() const { return *zmd; }
};

} // namespace

TEST_F(EnlargeTest, TheCurrentTheSelectedOrAllSymbolsGrowAndReachTheFile)
{
    struct Case {
        const char* name;
        int current;                     // -1: the selection below
        std::vector<int> selected;
        bool all;
        std::array<bool, 3> grows;       // point, line, rectangle
    };
    const std::vector<Case> cases = {
        {"current line", 1, {}, false, {false, true, false}},
        {"selected point and rectangle", -1, {0, 2}, false, {true, false, true}},
        {"all, whatever is current", 1, {}, true, {true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(ThreeKinds());
        if (c.current >= 0)
            SetCurrentSymbolPos(c.current);
        else
            Select({});
        for (int k : c.selected)
            SetSymU8(zmd->Symbols[size_t(k)], SymSelected, 1);
        std::array<std::vector<uint8_t>, 3> before;
        for (int k = 0; k < 3; ++k)
            before[size_t(k)] = RecordInFile(k);
        EXPECT_EQ(EnlargeSymbolsBy({150, c.all}),
                  int(std::count(c.grows.begin(), c.grows.end(), true)));
        // Each record in place, read at its literal offsets; the others byte-identical.
        const std::vector<uint8_t> point = RecordInFile(0), line = RecordInFile(1),
                                   rect = RecordInFile(2);
        if (c.grows[0]) {
            EXPECT_EQ(GetI16(point, 352 + 8), 150);  // the dot's diameter
            EXPECT_EQ(GetI16(point, 8), 75);
        }
        if (c.grows[1]) {
            EXPECT_EQ(GetI16(line, 350), 52);        // 0.35 mm x 1.5 = 0.525: to the even 52
            EXPECT_EQ(GetI16(line, 8), 26);
        }
        if (c.grows[2]) {
            EXPECT_EQ(GetI16(rect, 350), 38);        // 37.5: to the even 38
            EXPECT_EQ(GetI16(rect, 8), 19);
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(RecordInFile(k) != before[size_t(k)], c.grows[size_t(k)]) << k;
        // The line object's index rectangle follows its symbol's extent.
        const int32_t extent = int32_t(GetI16(line, 8)) * 256;
        const size_t entry = layout.ObjectEntryPos(0);
        EXPECT_EQ(GetI32(FileBytes(), entry + 4), -extent);
        EXPECT_EQ(GetI32(FileBytes(), entry + 12), extent);
        // And so does the summary of its index block, which the painters' scans look at.
        EXPECT_EQ(zmd->ObjectBlocks[0]->Summary.y1, -extent);
        EXPECT_EQ(zmd->ObjectBlocks[0]->Summary.x2, 10 * Mm + extent);
        Close();
    }
}

TEST_F(EnlargeTest, NothingToScaleLeavesTheFileByteIdentical)
{
    Open(ThreeKinds());
    Select({});
    RecordingStatus status;
    const auto before = FileBytes();
    EXPECT_EQ(EnlargeSymbolsBy({200, false}), 0);
    // Outside the dialog's range nothing is scaled either.
    SetCurrentSymbolPos(1);
    EXPECT_EQ(EnlargeSymbolsBy({19.9, true}), 0);
    EXPECT_EQ(EnlargeSymbolsBy({500.1, true}), 0);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_FALSE(Z().Modified);
    // With work to do the hourglass shows meanwhile and goes.
    EXPECT_EQ(EnlargeSymbolsBy({500, false}), 1);
    std::vector<int> busy;
    for (const auto& e : status.Events())
        if (e.kind == RecordingStatus::Event::Busy)
            busy.push_back(e.value);
    EXPECT_EQ(busy, (std::vector<int>{1, 0}));
}

TEST_F(EnlargeTest, TheDialogStartsAtOneHundredAndKeepsToTwentyToFiveHundred)
{
    TEnlargeSymDlg d;
    d.show();
    auto* factor = d.findChild<QLineEdit*>(QStringLiteral("FactorE"));
    auto* all = d.findChild<QCheckBox*>(QStringLiteral("AllSymB"));
    ASSERT_NE(factor, nullptr);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(factor->text(), QStringLiteral("100.0"));
    EXPECT_FALSE(all->isChecked());
    for (const char* bad : {"19.9", "500.1", "abc"}) {
        messages.Clear();
        factor->setText(QString::fromLatin1(bad));
        d.accept();
        EXPECT_TRUE(d.isVisible()) << bad;
        ASSERT_EQ(messages.Count(), 1) << bad;
    }
    EXPECT_EQ(messages.Last().key, TextKey::NoNumber);
    factor->setText(QStringLiteral("19.9"));
    d.accept();
    EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
    EXPECT_TRUE(messages.Last().params.endsWith(QStringLiteral(";20.0;500.0;%")))
        << messages.Last().params.toStdString();
    for (const char* good : {"20", "500"}) {
        d.show();
        factor->setText(QString::fromLatin1(good));
        all->setChecked(true);
        d.accept();
        EXPECT_FALSE(d.isVisible()) << good;
        EXPECT_EQ(d.Values().Percent, QString::fromLatin1(good).toDouble());
        EXPECT_TRUE(d.Values().AllSymbols);
    }
}

namespace {

// The symbol records of a map file through its index chain, by list position.
std::vector<std::vector<uint8_t>> SymbolRecordsInFile(const std::vector<uint8_t>& b)
{
    std::vector<std::vector<uint8_t>> out;
    for (int32_t block = GetI32(b, hdr::SymbolIndex); block > 0; block = GetI32(b, size_t(block)))
        for (size_t slot = 0; slot < 256; ++slot)
            if (const int32_t at = GetI32(b, size_t(block) + 4 + 4 * slot); at > 0)
                out.emplace_back(b.begin() + at, b.begin() + at + GetI16(b, size_t(at)));
    return out;
}

class EnlargeFlow : public ProgramFixture {
protected:
    // Symbol > Enlarge (or its pop-up twin) with these field values.
    void Enlarge(Cmd c, const QString& percent, bool all)
    {
        Frame().UpdateCommandStates();
        ASSERT_TRUE(Frame().Action(c)->isEnabled()) << CmdName(c);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* d = dynamic_cast<TEnlargeSymDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            ran = true;
            d->findChild<QLineEdit*>(QStringLiteral("FactorE"))->setText(percent);
            d->findChild<QCheckBox*>(QStringLiteral("AllSymB"))->setChecked(all);
            d->accept();
            if (d->isVisible())
                d->reject();
        });
        Trigger(c);
        EXPECT_TRUE(ran);
    }
    static std::vector<uint8_t> Bytes(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray a = f.readAll();
        return {a.begin(), a.end()};
    }
};

} // namespace

TEST_F(EnlargeFlow, TheOrienteeringSetEnlargedAndShrunkReadsBackUnchangedByTheRepair)
{
    for (const char* percent : {"200", "50"}) {
        SCOPED_TRACE(percent);
        ASSERT_TRUE(NewMapFrom(QStringLiteral("orienteering-15000.zmd")));
        const std::vector<SymbolBytes> original = Index.ActiveZmd->Symbols;
        Enlarge(QString::fromLatin1(percent) == QStringLiteral("50") ? Cmd::SymbolEnlargePop
                                                                     : Cmd::SymbolEnlarge,
                QString::fromLatin1(percent), true);
        const double f = QString::fromLatin1(percent).toDouble() / 100;
        const std::vector<SymbolBytes> scaled = Index.ActiveZmd->Symbols;
        ASSERT_EQ(scaled.size(), original.size());
        int changed = 0;
        for (size_t k = 0; k < scaled.size(); ++k) {
            changed += scaled[k] != original[k];
            if (SymI16(original[k], SymObjectType) == LineObject &&
                SymU8(original[k], SymTextFlag) == 0)
                EXPECT_EQ(
                    SymI16(scaled[k], LsLineWidth),
                    std::min<int>(2000, int(std::nearbyint(SymI16(original[k], LsLineWidth) * f))))
                    << k;
        }
        // Plain fills have no length to scale.
        EXPECT_GT(changed, int(scaled.size()) * 3 / 4);

        const QString saved =
            TempPath(QStringLiteral("enlarged-%1.zmd").arg(QString::fromLatin1(percent)));
        dialogs.QueueAnswer(true, saved);
        Trigger(Cmd::FileSave);
        Trigger(Cmd::FileClose);
        ASSERT_EQ(Index.ActiveZmd, nullptr);
        // In the file, each record is one the repair after reading leaves byte for byte.
        const auto records = SymbolRecordsInFile(Bytes(saved));
        ASSERT_EQ(records.size(), scaled.size());
        for (size_t k = 0; k < records.size(); ++k) {
            SymbolBytes repaired = records[k];
            NormalizeSymbol(repaired);
            EXPECT_EQ(repaired, records[k])
                << "record " << k << " number " << SymI16(records[k], SymNumber);
        }
        ASSERT_TRUE(OpenMap(saved));
        ASSERT_EQ(Index.ActiveZmd->SymbolCount(), int(scaled.size()));
        for (size_t k = 0; k < scaled.size(); ++k) {
            SymbolBytes a = Index.ActiveZmd->Symbols[k], b = scaled[k];
            for (SymbolBytes* r : {&a, &b}) {  // what only memory holds
                SetSymU8(*r, SymSelected, 0);
                SetSymU8(*r, SymStatus, SymU8(*r, SymStatus) & SymbolStatusMask);
                SetSymI32(*r, SymFilePos, 0);
            }
            EXPECT_EQ(a, b) << k;
        }
        const QString samples =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../samples");
        QDir().mkpath(samples);
        const QString sample =
            samples +
            QStringLiteral("/orienteering-15000-enlarged-%1.zmd").arg(QString::fromLatin1(percent));
        QFile::remove(sample);
        EXPECT_TRUE(QFile::copy(saved, sample));
        Trigger(Cmd::FileClose);
    }
    EXPECT_EQ(messages.Count(), 0);
}
