// The dialogs of the whole-map commands, offscreen: what they show first, the field checks
// that keep them open, and the values they hand over.
#include "WholeMapFixture.h"

#include "core/widgets/SpinControls.h"
#include "edit/widgets/ChangeScaleDlg.h"
#include "edit/widgets/ChangeSymDlg.h"
#include "edit/widgets/GridLineDlg.h"
#include "edit/widgets/MoveMapDlg.h"
#include "edit/widgets/RotateMapDlg.h"
#include "edit/widgets/StretchMapDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zemo::test {
namespace {

class WholeMapDlgTest : public WholeMapTest {
protected:
    void SetUp() override
    {
        WholeMapTest::SetUp();
        ResetGridLineDlgUnit();
        OpenKinds();
    }
    static QLineEdit* Edit(QWidget& d, const char* name)
    {
        auto* e = d.findChild<QLineEdit*>(QString::fromLatin1(name));
        EXPECT_NE(e, nullptr) << name;
        return e;
    }
    static QCheckBox* Box(QWidget& d, const char* name)
    {
        auto* b = d.findChild<QCheckBox*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    // OK with these field texts: true when the dialog closed; else the message it showed.
    bool Accept(QDialog& d, const std::vector<std::pair<const char*, QString>>& fields)
    {
        messages.Clear();
        for (const auto& [name, text] : fields)
            Edit(d, name)->setText(text);
        d.accept();
        return !d.isVisible();
    }
};

TEST_F(WholeMapDlgTest, TheTransformDialogsCheckTheirRangesAndHandOverTheirValues)
{
    {
        TMoveMapDlg d;
        d.show();
        EXPECT_EQ(Edit(d, "HorMoveE")->text(), "0.00");
        EXPECT_FALSE(Accept(d, {{"HorMoveE", "4000.01"}}));
        EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
        EXPECT_FALSE(Accept(d, {{"HorMoveE", "12,34x"}}));
        EXPECT_EQ(messages.Last().key, TextKey::NoNumber);
        EXPECT_TRUE(Accept(d, {{"HorMoveE", "12.34"}, {"VerMoveE", "-4000"}}));
        EXPECT_EQ(d.Values().HorMm, 12.34);
        EXPECT_EQ(d.Values().VerMm, -4000);
    }
    {
        TStretchMapDlg d;
        d.show();
        EXPECT_EQ(Edit(d, "HorStretchE")->text(), "100");
        EXPECT_FALSE(Accept(d, {{"VerStretchE", "9"}}));
        EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
        Box(d, "MirrorVerB")->setChecked(true);
        EXPECT_TRUE(Accept(d, {{"HorStretchE", "1000"}, {"VerStretchE", "10"}}));
        EXPECT_EQ(d.Values().HorPercent, 1000);
        EXPECT_EQ(d.Values().VerPercent, 10);
        EXPECT_FALSE(d.Values().MirrorHor);
        EXPECT_TRUE(d.Values().MirrorVer);
    }
    {
        TRotateMapDlg d;
        d.show();
        EXPECT_FALSE(Box(d, "RotSymB")->isChecked());
        EXPECT_FALSE(Accept(d, {{"AngleE", "-360.5"}}));
        Box(d, "RotSymB")->setChecked(true);
        EXPECT_TRUE(Accept(d, {{"AngleE", "30"}}));
        EXPECT_EQ(d.Values().Degrees, 30);
        EXPECT_TRUE(d.Values().RotateSymbols);
    }
}

TEST_F(WholeMapDlgTest, ChangeSymbolsOpensOnTheSelectionAndRefusesAnUnknownTarget)
{
    S().CurrentSymbolIndex = 3;  // the area symbol
    {
        SelectOnly(ImportedObj);
        TChangeSymDlg d;
        d.show();
        EXPECT_TRUE(d.findChild<QRadioButton*>("LayerItem")->isChecked());
        EXPECT_EQ(Edit(d, "DxfLayerB")->text(), "Roads");
        EXPECT_EQ(Edit(d, "ToSymB")->text(), "4.0");
        EXPECT_EQ(d.focusWidget(), Edit(d, "DxfLayerB"));
    }
    {
        SelectOnly(FixedPointObj);
        TChangeSymDlg d;
        d.show();
        EXPECT_TRUE(d.findChild<QRadioButton*>("SymNumItem")->isChecked());
        EXPECT_EQ(Edit(d, "FromSymNumB")->text(), "2.0");
        EXPECT_FALSE(Accept(d, {{"ToSymB", "12.5"}}));
        ASSERT_EQ(messages.Count(), 1);
        EXPECT_EQ(messages.Last().key, TextKey::ChangeSymNotFound);
        EXPECT_EQ(messages.Last().params, "12.5");
        EXPECT_EQ(messages.Last().helpContext, ChangeSymNotFoundHelpContext);
        EXPECT_EQ(d.focusWidget(), Edit(d, "ToSymB"));
        EXPECT_FALSE(Accept(d, {{"ToSymB", "x"}}));
        EXPECT_EQ(messages.Last().key, TextKey::SymNumNotCorr);
        // A click into the layer's edit chooses the layer.
        SendMouse(Edit(d, "DxfLayerB"), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
        EXPECT_TRUE(d.findChild<QRadioButton*>("LayerItem")->isChecked());
        EXPECT_TRUE(Accept(d, {{"DxfLayerB", "Roads"}, {"ToSymB", "7.0"}}));
        EXPECT_TRUE(d.Values().ByLayer);
        EXPECT_EQ(d.Values().Layer, "Roads");
        EXPECT_EQ(d.Values().To, RectSym);
    }
    {
        ClearSelection();
        S().CurrentSymbolIndex = -1;
        TChangeSymDlg d;
        d.show();
        EXPECT_EQ(Edit(d, "FromSymNumB")->text(), "0.0");
        EXPECT_EQ(Edit(d, "ToSymB")->text(), "0.0");
    }
}

TEST_F(WholeMapDlgTest, ChangeScaleAcceptsAtMostTenTimesTheCurrentScale)
{
    S().MapScale = 15000;
    TChangeScaleDlg d;
    d.show();
    EXPECT_EQ(d.findChild<QLabel*>("ActScaleB")->text(), "15000");
    QComboBox* combo = d.findChild<QComboBox*>("NewScaleB");
    EXPECT_EQ(combo->currentText(), "15000");
    EXPECT_TRUE(Box(d, "EnlargeSymB")->isChecked());
    const auto accept = [&](const QString& text) {
        messages.Clear();
        combo->setEditText(text);
        d.accept();
        return !d.isVisible();
    };
    EXPECT_FALSE(accept("150001"));
    EXPECT_EQ(messages.Last().key, TextKey::MustBetween);
    EXPECT_FALSE(accept("1499"));
    EXPECT_FALSE(accept("ten"));
    EXPECT_EQ(messages.Last().key, TextKey::NoNumber);
    Box(d, "EnlargeSymB")->setChecked(false);
    EXPECT_TRUE(accept("10000"));
    EXPECT_EQ(d.Values().NewScale, 10000);
    EXPECT_FALSE(d.Values().EnlargeSymbols);
}

TEST_F(WholeMapDlgTest, GridLinesOpenOnTheMapsGridAndKeepTheirOffsets)
{
    struct Row {
        const char* name;
        uint16_t realWorld;
        QString distance, angle;
    };
    // 250 m at 1:10000 are 25 mm on paper; the real-world grid brings its angle.
    const Row rows[] = {{"real-world grid", 1, "25.0000", "12.50"}, {"paper grid", 0, "7.5000", "0.00"}};
    S().MapScale = 10000;
    S().RealWorldGridDistance = 250;
    S().RealWorldAngle = 12.5;
    S().PaperGridDistance = 7.5;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        S().RealWorldCoords = r.realWorld;
        TGridLineDlg d;
        d.show();
        EXPECT_EQ(Edit(d, "HorDistE")->text(), r.distance);
        EXPECT_EQ(Edit(d, "VerDistE")->text(), r.distance);
        EXPECT_EQ(Edit(d, "AngleE")->text(), r.angle);
        EXPECT_TRUE(Box(d, "VerLineB")->isChecked());
        EXPECT_TRUE(Box(d, "HorLineB")->isChecked());
    }
    TGridLineDlg d;
    d.show();
    EXPECT_EQ(Edit(d, "HorOfsE")->text(), "0.00");
    // The offsets are checked before the distances.
    EXPECT_FALSE(Accept(d, {{"HorDistE", "0.5"}, {"VerOfsE", "2000.5"}}));
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().params.split(u';').value(0), PlainText(TextKey::VerOffset));
    EXPECT_FALSE(Accept(d, {{"VerOfsE", "-3"}}));
    EXPECT_EQ(messages.Last().params.split(u';').value(0), PlainText(TextKey::HorDistance));
    Box(d, "HorLineB")->setChecked(false);
    EXPECT_TRUE(Accept(d, {{"HorDistE", "200"}, {"HorOfsE", "1.25"}}));
    const GridLineValues v = d.Values();
    EXPECT_EQ(v.HorDistMm, 200);
    EXPECT_EQ(v.HorOffsetMm, 1.25);
    EXPECT_EQ(v.VerOffsetMm, -3);
    EXPECT_TRUE(v.VerLines);
    EXPECT_FALSE(v.HorLines);
    TGridLineDlg again;
    EXPECT_EQ(Edit(again, "HorOfsE")->text(), "1.25");
    EXPECT_EQ(Edit(again, "VerOfsE")->text(), "-3.00");
}

} // namespace
} // namespace zemo::test
