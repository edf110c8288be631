// The text symbol editor's dialog (General, Paragraph, Tabulators, Line below, Framing; the
// help follows the page shown) and what it shares with the line-text editor's: the font rows
// with the capital height and the font preview, and the spacing fields.
#pragma once

#include "symbols/TextSym.h"
#include "symbols/widgets/SymDlg.h"

#include <functional>
#include <vector>

class QButtonGroup;
class QListWidget;

namespace zemo {

// A box that a preview paints (repainted whenever a field it shows changes).
class TSymPreview : public QWidget {
public:
    using Painter = std::function<void(QPainter&, const QRectF&)>;
    TSymPreview(QWidget* parent, Painter paint, QSize size);
    QSize sizeHint() const override { return size_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    Painter paint_;
    QSize size_;
};

// The editors of text and line-text symbols: their font rows and spacing fields.
class TFontSymDlg : public TSymbolDlg {
protected:
    using TSymbolDlg::TSymbolDlg;

    // Font name, colour, size, capital height, bold and italic, and the font preview.
    void AddFontFields(QWidget* page, QBoxLayout* column, int sizeMax, int heightMax);
    void AddSpacingFields(QGridLayout* grid, QWidget* page);
    void FillFontFields();
    bool CheckFontFields();
    bool CheckSpacingFields();
    void ReadFontFields();
    // Repaints the previews when one of the fields changes.
    void Watch(QWidget* field, std::vector<QWidget*> previews);
    FontSample Sample() const;

    QComboBox* FontNameB = nullptr;
    QComboBox* FontColorB = nullptr;
    RealField FontSizeB;
    RealField CharHeightB;
    QCheckBox* BoldB = nullptr;
    QCheckBox* ItalicB = nullptr;
    IntField CharSpaceB;
    IntField WordSpaceB;
    TSymPreview* FontPreview = nullptr;
    // The font the preview writes in while no name is entered (empty: the default face).
    QString PreviewFallback;

private:
    // The capital height of the size in the chosen face, empty for a face without capitals.
    void ShowCharHeight();
    // A typed capital height sets the size; a face without capitals leaves it.
    void CharHeightTyped();
    double PerTenth() const;
};

class TTextSymDlg : public TFontSymDlg {
public:
    explicit TTextSymDlg(QWidget* parent);

protected:
    void FillFields() override;
    bool CheckPage(int page) override;
    void ReadFields() override;

private:
    void AddTabClick();
    void DeleteTabClick();
    void FillTabList();

    QCheckBox* NorthB;
    QWidget* CourseGrp;
    QCheckBox* CsModeB;
    QComboBox* CsObjTypeB;
    QComboBox* AlignmentB;
    IntField LineSpaceB;
    RealField ParaSpaceB;
    RealField IndentFirstB;
    RealField IndentOtherB;
    TSymPreview* ParagraphPreview;
    RealField PositionB;
    QListWidget* TabListB;
    std::vector<int32_t> tabs_;
    QCheckBox* LBOnB;
    QComboBox* LBColorB;
    RealField LBWidthB;
    RealField LBDistB;
    TSymPreview* LineBelowPreview;
    QButtonGroup* FramingB;
    QComboBox* FrColorB;
    RealField FrWidthB;
    std::vector<std::pair<RealField, size_t>> framing_;  // the signed lengths and their offsets
};

} // namespace zemo
