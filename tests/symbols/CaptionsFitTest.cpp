// The captions of the language file shown whole where the symbol editors show them: the colour
// table's header, the symbol graphics panel and every page of each symbol type's editor, in the
// running program.
#include "EditorFlow.h"
#include "symbols/widgets/ColorsDlg.h"
#include "symbols/widgets/PointSymDlg.h"
#include "symbols/widgets/SymDlg.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTabWidget>

using namespace zemo;
using namespace zemo::test;

namespace {

class CaptionsFit : public EditorFlow {
protected:
    // Every shown label of w has at least the size it asks for.
    static void ExpectLabelsFit(QWidget& w)
    {
        int labels = 0;
        for (QLabel* l : w.findChildren<QLabel*>()) {
            if (!l->isVisible() || l->text().isEmpty())
                continue;
            EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
            EXPECT_GE(l->height(), l->sizeHint().height()) << l->text().toStdString();
            ++labels;
        }
        EXPECT_GT(labels, 0);
    }
};

} // namespace

TEST_F(CaptionsFit, TheColourTableHeaderAndTheGraphicsPanelShowTheirWholeCaptions)
{
    TestMapWriter w = MapWith({TestSymbol::Point(101, {TestElement::Dot(2, 150)})});
    w.separations = {TestSeparation{}, TestSeparation{}};
    w.separations[1].name = "Fluorescent orange";
    ASSERT_TRUE(Open(w));
    Settle();
    script.Then<TColorsDlg>([](TColorsDlg& d) {
        auto* grid = Find<QTableWidget>(d, "ColorB");
        QHeaderView* header = grid->horizontalHeader();
        ASSERT_EQ(grid->columnCount(), TColorsDlg::FirstSeparationCol + 2);
        for (int c = 0; c < grid->columnCount(); ++c)
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c))
                << grid->horizontalHeaderItem(c)->text().toStdString();
        EXPECT_EQ(header->sectionSize(TColorsDlg::NameCol), 162) << "wide enough as designed";
        ExpectLabelsFit(d);
        Press(d, "CancelBtn");
    });
    RunCommand(Cmd::SymbolColors);

    MakeCurrent(0);
    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "EditBtn"); });
    RunCommand(Cmd::SymbolEdit);
    ASSERT_TRUE(Panels().SymEditPanel->isVisible());
    ExpectLabelsFit(*Panels().SymEditPanel);
    for (QPushButton* b : Panels().SymEditPanel->findChildren<QPushButton*>())
        EXPECT_GE(b->width(), b->minimumSizeHint().width()) << b->text().toStdString();
    script.Then<TPointSymDlg>([](TPointSymDlg& d) { Press(d, "CancelBtn"); });
    Panels().SymCloseBtn->click();
    Settle();
}

TEST_F(CaptionsFit, EverySymbolEditorShowsItsWholeCaptionsOnEveryPage)
{
    TestSymbol rect = TestSymbol::Rect(601, 0, 25);
    rect.SetI16(354, 3);
    ASSERT_TRUE(Open(MapWith({TestSymbol::Point(101, {TestElement::Dot(2, 150)}), TestSymbol::Line(201),
                              TestSymbol::Area(301, 1), TestSymbol::Text(401), TestSymbol::LineText(501),
                              rect})));
    Settle();
    for (int k = 0; k < 6; ++k) {
        MakeCurrent(k);
        script.Then<TSymbolDlg>([k](TSymbolDlg& d) {
            SCOPED_TRACE(k);
            auto* pages = d.findChild<QTabWidget*>();
            for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
                if (pages)
                    pages->setCurrentIndex(page);
                Settle(2);
                ExpectLabelsFit(d);
                for (QAbstractButton* b : d.findChildren<QAbstractButton*>())
                    if (b->isVisible() && !b->text().isEmpty())
                        EXPECT_GE(b->width(), b->minimumSizeHint().width()) << b->text().toStdString();
                for (QAbstractSpinBox* f : d.findChildren<QAbstractSpinBox*>())
                    if (f->isVisible())
                        EXPECT_GE(f->width(), f->minimumSizeHint().width()) << f->objectName().toStdString();
            }
            Press(d, "CancelBtn");
        });
        RunCommand(Cmd::SymbolEdit);
    }
}
