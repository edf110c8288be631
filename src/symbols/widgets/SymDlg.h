// What every symbol editor's dialog shares: the symbol number and description, OK,
// Cancel, Help and Icon..., the Edit... results that hand the working copy to the
// symbol-graphics editing, the field checks run on OK and before another page may be
// shown, and the pages themselves (a tab widget that keeps its page while a field on it
// is out of range).
#pragma once

#include "core/LangTexts.h"
#include "symbols/SymEdit.h"

#include <QDialog>
#include <QTabBar>
#include <QTabWidget>

#include <QVariant>

#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace zemo {

class TIntUpDown;
class TRealUpDown;
struct ComboColor;

// A language text without its accelerator mark.
QString SymDlgText(TextKey k);
// The map's colours for a colour combo, in colour-table order.
std::vector<ComboColor> MapComboColors();
// The parent of the editors' dialogs: the main frame.
QWidget* SymbolDialogParent();
// OK, Cancel and Help at the foot of a dialog's column; Help opens the context it gives.
QDialogButtonBox* AddDialogButtons(QDialog* dlg, QBoxLayout* column, std::function<int()> helpContext);
// A grid of label, field and unit rows in its own widget, added to the column.
QGridLayout* AddFieldGrid(QWidget* parent, QBoxLayout* column);
// A control with its object name (the name tests and screenshots find it by).
template <class W, class... Args>
W* Named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

// The tab bar of TSymPageControl: a click, a key or the wheel may leave the current page
// only when it passes its check.
class TSymTabBar : public QTabBar {
public:
    explicit TSymTabBar(QWidget* parent) : QTabBar(parent) {}
    std::function<bool()> CanLeave;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool MayLeave();
};

// The editors' pages; each page has its own help context.
class TSymPageControl : public QTabWidget {
public:
    explicit TSymPageControl(QWidget* parent);
    // Runs on every attempt to leave the current page; false keeps the page.
    void SetLeaveCheck(std::function<bool(int page)> check);
    QWidget* AddPage(const QString& name, TextKey caption, int helpContext);
    int HelpContext() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TSymTabBar* bar_;
    std::function<bool(int)> check_;
    std::vector<int> contexts_;
};

class TSymbolDlg : public QDialog {
public:
    // name: the dialog's object name (its form's name without the T).
    TSymbolDlg(QWidget* parent, const QString& name, TextKey caption, int helpContext);

    // The dialog on the working copy: SymbolDlgOk, SymbolDlgEdit or SymbolDlgCancel.
    int Run(SymbolEditSession& s);

    // A real field of a dialog: edit, spin control, its label and unit, its page.
    struct RealField {
        QLineEdit* edit = nullptr;
        TRealUpDown* spin = nullptr;
        QString label;
        QString unit;
        QWidget* page = nullptr;
        bool Check(TSymPageControl* pages) const;
        double Value() const;
        void SetValue(double v) const;
    };
    struct IntField {
        QLineEdit* edit = nullptr;
        TIntUpDown* spin = nullptr;
        QString label;
        QWidget* page = nullptr;
        bool Check(TSymPageControl* pages) const;
        int Value() const;
        void SetValue(int v) const;
    };

protected:
    // From the working copy into the controls, before the dialog shows.
    virtual void FillFields() = 0;
    // The fields of one page (-1 for a dialog without pages); false with a message and the
    // focus on the field.
    virtual bool CheckPage(int page) = 0;
    // From the controls into the working copy (after the checks passed).
    virtual void ReadFields() = 0;

    SymbolEditSession& Session() { return *session_; }
    SymbolBytes& Work() { return session_->Work; }

    // The user changed what the control shows since FillFields. Only such a control's field
    // is checked and stored: another program's values stay as it wrote them, whatever the
    // control makes of them. Every field of a new symbol counts as changed.
    bool Edited(const QWidget* control) const;
    bool Edited(const RealField& f) const { return Edited(f.edit); }
    bool Edited(const IntField& f) const { return Edited(f.edit); }
    bool Edited(const QButtonGroup* group) const;
    // A field's range check, passed by a field the user left as it was.
    bool Check(const RealField& f) const { return !Edited(f) || f.Check(Pages); }
    bool Check(const IntField& f) const { return !Edited(f) || f.Check(Pages); }

    // The number and description rows, into the given grid from row 0.
    void AddNumberRows(QGridLayout* grid);
    // The pages, once, below the number rows.
    TSymPageControl* MakePages();
    // A row of a grid: label, edit with spin control in mm (0.01 mm stored), unit.
    RealField AddMmField(QGridLayout* grid, const QString& name, TextKey label, int maxHundredths,
                         QWidget* page);
    IntField AddIntField(QGridLayout* grid, const QString& name, TextKey label, int min, int max,
                         const QString& unit, QWidget* page);
    // Any real range: degrees, points, lengths that may be negative.
    RealField AddRealField(QGridLayout* grid, const QString& name, TextKey label, double min,
                           double max, int decimals, const QString& unit, QWidget* page);
    QComboBox* AddColorCombo(QGridLayout* grid, const QString& name, TextKey label);
    // An Edit... button: checks the fields, runs `before`, reads them into the working copy
    // and closes with SymbolDlgEdit for the list.
    QPushButton* MakeEditButton(QWidget* parent, const QString& name, TextKey caption, int list,
                                std::function<void()> before = {});
    // OK, Cancel, Help and Icon... below everything added to the main column.
    void AddButtons();
    QVBoxLayout* Column() { return column_; }

    void accept() override;

    // Pointer to the field texts for lengths: round(mm x 100).
    static int16_t Hundredths(double mm);

    QLineEdit* SymNumB = nullptr;
    QLineEdit* DescriptionB = nullptr;
    QPushButton* IconBtn = nullptr;
    TSymPageControl* Pages = nullptr;

private:
    bool CheckAll();
    bool CheckNumber();
    void OpenIconEditor();
    // What each control shows once FillFields has filled it.
    void RememberShown();

    SymbolEditSession* session_ = nullptr;
    QVBoxLayout* column_;
    int helpContext_;
    int number_ = 0;
    std::unordered_map<const QWidget*, QVariant> shown_;
};

// The editors' dialogs by the session's kind (the RunSymbolDialog port).
int ExecSymbolDialog(SymbolEditSession& s);

} // namespace zemo
