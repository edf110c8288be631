// Database > Name index: the cell labels of every style, the reference points of lines and
// areas, and the sorted list on the clipboard as the running program leaves it there.
#include "../shell/ModalDialog.h"
#include "../support/ProgramFixture.h"

#include "core/Element.h"
#include "core/LangTexts.h"
#include "document/Index.h"
#include "external/NameIndex.h"
#include "shell/widgets/MainFm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <memory>

using namespace zemo;
using namespace zemo::test;

namespace {

constexpr int32_t Mm = 25600;

Cord At(double x, double y)
{
    return {int32_t(x * Mm), int32_t(y * Mm)};
}

TEST(NameIndexCells, StylesWidthsAndLimits)
{
    const struct {
        double x, y;
        NameIndexValues v;
        const char* label;
    } cases[] = {
        {5, -5, {0, 0, 10, 10, 0, 0}, "\tA 1\r\n"},
        {15, -25, {0, 0, 10, 10, 0, 0}, "\tB 3\r\n"},
        {15, -25, {0, 0, 10, 10, 0, 1}, "\tC 2\r\n"},
        {15, 25, {0, 0, 10, 10, 0, 2}, "\tB 3\r\n"},
        {15, 25, {0, 0, 10, 10, 0, 3}, "\tC 2\r\n"},
        {15, -25, {0, 0, 10, 10, 0, 2}, "\tB 1\r\n"},       // below the origin counted upward
        {-10, 5, {0, 0, 10, 10, 0, 0}, "\tA 1\r\n"},        // left of and above the origin
        {300, -1005, {0, 0, 10, 10, 0, 0}, "\tZ 101\r\n"},  // past Z, past row 100
        {255, -5, {0, 0, 10, 10, 0, 0}, "\tZ 1\r\n"},
        {245, -5, {0, 0, 10, 10, 0, 0}, "\tY 1\r\n"},
        {300, -1005, {0, 0, 0, 10, 0, 0}, "\tA 101\r\n"},   // width 0: one column
        {300, -1005, {0, 0, 10, 0, 0, 0}, "\tZ 1\r\n"},
        {-25, 12, {-30, 20, 10, 5, 0, 0}, "\tA 2\r\n"},     // the origin moved
        {15, -25, {0, 0, 10, 10, 90, 0}, "\tA 2\r\n"},      // a turned grid
        {-25, 15, {0, 0, 10, 10, 90, 0}, "\tB 1\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NameIndexCell(At(c.x, c.y), c.v), QString::fromLatin1(c.label)) << c.x << ", " << c.y;
}

TEST(NameIndexCells, PointsOfLinesAreasAndBoxes)
{
    auto e = std::make_unique<ElementRecord>();
    const CordRect box{0, 0, 10 * Mm, 4 * Mm};
    e->ObjectType = PointObject;
    e->nItem = 1;
    EXPECT_EQ(NameIndexPoint(*e, box, 0), (Cord{5 * Mm, 2 * Mm}));
    // A line: half its length along it; a line text a third of its extent aside.
    e->ObjectType = LineObject;
    e->nItem = 3;
    e->Cords()[0] = At(0, 0);
    e->Cords()[1] = At(10, 0);
    e->Cords()[2] = At(10, 10);
    EXPECT_EQ(NameIndexPoint(*e, box, 0), At(10, 0));
    const Cord aside = NameIndexPoint(*e, box, 300);
    EXPECT_NEAR(std::abs(aside.x - 10 * Mm) + std::abs(aside.y), 100 * 256, 512);
    // An area: the middle of the two leftmost crossings at half height, the hole left out.
    e->ObjectType = AreaObject;
    e->nItem = 8;
    const Cord ring[] = {At(0, 0), At(20, 0), At(20, 10), At(0, 10), At(2, 2), At(4, 2), At(4, 4), At(2, 4)};
    for (int i = 0; i < 8; ++i)
        e->Cords()[i] = ring[i];
    e->Cords()[4].y |= HoleFlag;
    EXPECT_EQ(NameIndexPoint(*e, box, 0), At(10, 5));
    // A V: the crossings of its left arm pair up.
    const Cord v[] = {At(0, 10), At(5, 0), At(10, 10), At(8, 10), At(5, 4), At(2, 10)};
    e->nItem = 6;
    for (int i = 0; i < 6; ++i)
        e->Cords()[i] = v[i];
    const Cord p = NameIndexPoint(*e, box, 0);
    EXPECT_EQ(p.y, 5 * Mm);
    EXPECT_NEAR(p.x, 3.5 * Mm, 256);
}

class NameIndexFlow : public ProgramFixture {
protected:
    bool OpenNames()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(10), TestSymbol::Text(40), TestSymbol::Text(41)};
        w.objects.push_back(TestObject::Text(40, 15 * Mm, -25 * Mm, "Beta"));
        w.objects.push_back(TestObject::Text(40, 5 * Mm, -5 * Mm, "alpha"));
        w.objects.push_back(TestObject::Text(41, 5 * Mm, -5 * Mm, "Hidden"));
        w.objects.push_back(TestObject::Text(40, -10 * Mm, 5 * Mm, "Gamma"));
        w.objects.push_back(TestObject::Text(40, 300 * Mm, -1005 * Mm, "Far"));
        w.objects.push_back(TestObject::Point(10, 0, 0));
        w.objects.push_back(TestObject::Text(40, 16 * Mm, -26 * Mm, "beta"));
        return OpenWritten(w, QStringLiteral("names.zmd"));
    }
};

TEST_F(NameIndexFlow, SortedEntriesOfTheSelectedTextSymbolsGoToTheClipboard)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    ASSERT_TRUE(OpenNames());
    SetCurrentSymbolPos(-1);
    // The point symbol and the first text symbol are selected.
    for (int i = 0; i < 3; ++i)
        Index.ActiveZmd->Symbols[size_t(i)][10] = i < 2 ? 1 : 0;
    Frame().UpdateCommandStates();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbNameIndex); }, [&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("NameIndexDlg"));
        d.findChild<QLineEdit*>(QStringLiteral("HorDistE"))->setText(QStringLiteral("10"));
        d.findChild<QLineEdit*>(QStringLiteral("VerDistE"))->setText(QStringLiteral("10"));
        d.findChild<QRadioButton*>(QStringLiteral("Style0B"))->setChecked(true);
        d.accept();
    });
    ASSERT_TRUE(seen);
    // Texts alike in letters stay in map order; every suffix is whole.
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("alpha\tA 1\r\nBeta\tB 3\r\nbeta\tB 3\r\nFar\tZ 101\r\nGamma\tA 1\r\n"));
    // A point symbol current: nothing is listed.
    SetCurrentSymbolPos(0);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    Trigger(Cmd::DbNameIndex);
    EXPECT_EQ(messages.Last().key, TextKey::TextSymRequired);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    // The current text symbol alone.
    SetCurrentSymbolPos(2);
    ASSERT_TRUE(PrepareNameIndexSymbols());
    const QStringList only = BuildNameIndex({0, 0, 10, 10, 0, 3});
    EXPECT_EQ(only, QStringList{QStringLiteral("Hidden\tA 1\r\n")});
}

TEST_F(NameIndexFlow, StyleCaptionsComeFromTheLanguageTexts)
{
    ASSERT_TRUE(OpenNames());
    SetCurrentSymbolPos(1);
    Frame().UpdateCommandStates();
    const TextKey keys[] = {TextKey::IndexStyleColumn, TextKey::IndexStyleRow, TextKey::IndexStyleRowUp,
                            TextKey::IndexStyleLetterUp};
    QByteArray shipped[4];
    for (int i = 0; i < 4; ++i) {
        shipped[i] = TextBytes(keys[i]);
        EXPECT_FALSE(shipped[i].isEmpty()) << KeyName(keys[i]);
        SetText(keys[i], "Stil " + QByteArray::number(i));
    }
    QStringList captions;
    const bool seen = AnswerDialog<QDialog>([&] { Trigger(Cmd::DbNameIndex); }, [&](QDialog& d) {
        for (int i = 0; i < 4; ++i)
            captions << d.findChild<QRadioButton*>(QStringLiteral("Style%1B").arg(i))->text();
        d.reject();
    });
    for (int i = 0; i < 4; ++i)
        SetText(keys[i], shipped[i]);
    ASSERT_TRUE(seen);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(captions.value(i), QStringLiteral("Stil %1").arg(i));
}

} // namespace
