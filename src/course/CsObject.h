// Course objects: the record a new object of a course symbol gets when a drawing tool stores
// it, the codes the Course Object dialog proposes and accepts, renaming a code into every
// course and link, the record going with its object, and the Objects tab of the course panel
// (the list, the description text, the options and the control-description row with its
// symbol picker and column-F sizes), whose controls are a view over CsObj.Panel.
#pragma once

#include <QString>

#include <vector>

namespace zemo {

// What the Objects tab shows; the tab writes the user's edits back into it.
struct CsObjectPanel {
    bool DescVisible = false;   // CsDescB: starts, controls, marked routes
    bool GridVisible = false;   // CsObjGrid: starts and controls
    bool FunnelVisible = false; // CsFunnelB: marked routes
    bool TextCdVisible = false; // CsTextCDB: description boxes
    QString DescText;
    bool Funnel = false;
    bool TextCd = false;
    // The size panel of column F: two values, with a diagonal between them when checked.
    bool SizeVisible = false;
    QString Size1;
    QString Size2;
    bool SizeDiagonal = false;
    // The record the fields were filled from, and whether the user changed them since: edits
    // are stored whenever the panel is left, also after it has been hidden.
    const class TZmd* Map = nullptr;
    int Number = 0;
    bool Edited = false;
};

struct CsObjectState {
    int Selected = -1;       // the selected course object, a course-object list index
    int PickerColumn = -1;   // description column 2..7 whose candidates CsSelGrid shows
    bool PanelVisible = false; // the course panel is on screen
    CsObjectPanel Panel;
};
extern CsObjectState CsObj;
void ResetCsObject();

// ---- Codes ----
// The first code not in use: for a control 31 (or the first integer code of the sorted code
// list) raised while taken; for the others the type's letter and 1, 2, ...
QString FirstFreeCode(int type);
// The code after the one in the field: for a control its integer + 1 (no integer: as first
// free); for the others the letter and the number behind the field's first character + 1.
QString NextFreeCode(int type, const QString& field);
// The dialog's OK: the code cleaned; NoCode when empty, CodeExists when another object
// than the edited one (a list index, -1 for a new object) has it; false keeps it open.
bool AcceptCsCode(QString& code, int editedIndex);
// The dialog's caption: "Course object: " and the type's caption.
QString CsObjectDialogCaption(int type);
inline constexpr int CsObjectHelpContext = 268;

// ---- The object and its record ----
// The course object with this code (letter case ignored): its object number, with its record
// text and the map object in DrawElement; 0 when there is none or its object is gone.
int FindCsObjectNumber(const QString& code, QString& record);
bool FindCsObject(const QString& code, QString& record);
// Renames the course object at a list index and carries the new code into every course and
// course-object link; false when nothing changed.
bool RenameCsObject(int index, const QString& code);
// The Objects tab's Properties button: the dialog on the selected object, then its rename.
void EditCsObjectProps();
// After a map was opened or its window activated: the selection and the picker start anew;
// a course-setting map's lists are sorted and its panel refreshed.
void PrepareCourseMap();
// The panel's list: records whose object is gone are dropped, the list sorted, shown.
void RefreshCsObjectList();
// A click on the list's item.
void ClickCsObjectList(int index);
// Object n was selected on the map: its course object becomes the selected one.
void SelectCsObjectItem(int n);

// ---- The description row and its picker ----
// The map's description symbols (list positions) offered for a column.
std::vector<int> CsPickerCandidates(int column);
// The picker's rows for a number of candidates: (count div 8) + 1.
int CsPickerRows(int count);
inline constexpr int CsPickerPerRow = 8;
void ClickCsObjGrid(int column);
// A click on picker cell `cell` (row by row): its candidate, or none, for the open column.
void ClickCsSelGrid(int cell);
// The size panel's edits stored as field s.
void StoreCsObjectSize();
// Hints of the row's cells and of the picker's.
QString CsObjGridHint(int column);
QString CsSelGridHint(int cell);
// The selected object's record; empty without a selection.
QString SelectedCsRecord();

// The course side of the store's calls of the same names (document/ServiceHooks.h), which
// reach them through their ports.
namespace course {
bool CheckCsObject();
void DeleteCsObjectOfElement(int n);
void StoreCsObjectProps();
void SortCsObjects();
void ShowCsObjectProps();
} // namespace course

} // namespace zemo
