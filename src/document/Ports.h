// What the map store needs from the libraries above it: the document windows (edit), the
// undo buttons (shell), the text layout (render), course setting and the external-data
// features (templates, GPS, database links), and the fonts of converted old texts. Each
// port does the documented least until the wiring root binds it.
#pragma once

#include "core/Cord.h"
#include "core/Element.h"
#include "core/Port.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace zemo {

class TZmd;
class TTmp;
class TFileClass;

// Offered each piece of an area the splitter cuts (points, count); true takes it.
using AreaPieceFn = std::function<bool(const Cord* points, int count)>;

// The characters of a text object as the text layout takes them, and the code page of its
// symbol's character set (0: the default).
struct PreparedText {
    std::u16string Text;
    int CodePage = 0;
};

// The least of the ports that have one of their own (ServiceHooks.cpp, Open.cpp).
// The object extent of the open map.
bool GetMapExtentLeast(CordRect& r);
// Deletes the course-object string (course) or the database link (external) of object n
// restorably and takes it out of its list.
void DeleteCsObjectStringOf(int n);
void DeleteObjectLinkStringOf(int n);
// The font metrics of a converted text's frame: the font's ascent plus its internal leading
// and the advance of each character, in device units at the given character height.
struct FrameTextMetrics {
    int32_t AscentLeading = 0;
    std::vector<int32_t> Advances;
};
// No font layer: the height itself, each character half as wide.
FrameTextMetrics EmFrameTextMetrics(const QString& font, int height, const std::u32string& chars);
// No splitter: the area is offered whole; false when it is refused.
bool OfferAreaWhole(const Cord* points, int count, const AreaPieceFn& accept);
// No text layout: the text as stored (8-bit text in code page 1252), the code page of its
// symbol's character set byte.
PreparedText StoredObjectText(const ElementRecord& e);

struct DocumentPortSet {
    // ---- The document windows (edit) ----
    // Without them a map opens without a window and stays in OpenDocuments until it is
    // closed; when the current map closes, the last other open map becomes current.
    // A window for the current map; false when it could not be made. Least: no window.
    // Before another map becomes current for a window of its own: the current window's tool
    // ends and its selection goes with its marks, while its own map is still the current one.
    // Least: no window shows a selection; the store's is cleared with the set-up.
    Port<void()> LeaveCurrentWindow{"document.LeaveCurrentWindow", [] {}};
    Port<bool(TZmd& doc, const QString& caption)> CreateWindow{
        "document.CreateWindow", [](TZmd&, const QString&) { return true; }};
    // Brings a window of the document to the front; false when it has none. Least: there
    // is nothing to bring forward, the document only becomes current.
    Port<bool(TZmd& doc)> RaiseWindow{"document.RaiseWindow", [](TZmd&) { return true; }};
    // Closes the windows of the document (after a failed set-up, after saving in an older
    // version).
    Port<void(TZmd& doc)> CloseWindows{"document.CloseWindows", [](TZmd&) {}};
    Port<void(TZmd& doc, const QString& caption)> SetCaption{"document.SetCaption",
                                                             [](TZmd&, const QString&) {}};
    // The program's part of the set-up of a newly current map: view transform, tool
    // buttons, undo ring, fonts, screen colours, symbol box, course panel, repaint.
    Port<void(TZmd& doc)> AfterOpen{"document.AfterOpen", [](TZmd&) {}};
    // Asking on: the document's windows painted now and whenever needed while the opening of
    // the map asks the user something; off: as before. Least: no window to paint.
    Port<void(TZmd& doc, bool asking)> PaintWindows{"document.PaintWindows", [](TZmd&, bool) {}};
    // The fonts of the symbols at list positions first .. last checked against the installed
    // ones (after an open and after symbols were loaded from another map): face names become
    // their family's, sets a font lacks its default, missing fonts listed to the user. Least:
    // the symbols keep what they name and are drawn in a substitute font.
    Port<void(int first, int last)> CheckFonts{"document.CheckFonts", [](int, int) {}};
    // The map's colours or symbols changed: every window and the symbol box repainted.
    Port<void()> SymbolsChanged{"document.SymbolsChanged", [] {}};
    // Another symbol became current (or none): the symbol box shows and scrolls to it, the
    // tool buttons and the map menu's drawing item follow it.
    Port<void()> CurrentSymbolChanged{"document.CurrentSymbolChanged", [] {}};

    // ---- Backup and restore (document widgets) ----
    // The volume holds these foreign entries: 1 look again, 6 overwrite them, 2 give up.
    // Least: give up, nothing is deleted unasked.
    Port<int(const QStringList& foreign)> RunDiskNotEmptyDlg{"document.RunDiskNotEmptyDlg",
                                                              [](const QStringList&) { return 2; }};
    // A restore from volumes without numbers: 1 volume `disk` follows, 6 all done, 2 give up.
    // Least: give up.
    Port<int(int disk)> RunRestoreNextDlg{"document.RunRestoreNextDlg", [](int) { return 2; }};

    // ---- Old maps ----
    // Measures a converted text whose symbol draws a line below, in the map font of that
    // name and character height (0.01 mm a device unit).
    Port<FrameTextMetrics(const QString& font, int height, const std::u32string& chars)> MeasureFrameText{
        "document.MeasureFrameText", EmFrameTextMetrics};

    // ---- Undo (the document window and the tool buttons) ----
    // Redraws a map rectangle of the active window.
    Port<void(const CordRect& r)> UpdateRect{"document.UpdateRect", [](const CordRect&) {}};
    // The whole active window (symbol graphics).
    Port<void()> RepaintWindow{"document.RepaintWindow", [] {}};
    Port<void()> UpdateUndoButtons{"document.UpdateUndoButtons", [] {}};

    // ---- Text layout and geometry (render) ----
    // Lays out a text object before it is stored (its extent Cords). Least: the text's
    // slots as they are.
    Port<void(ElementRecord& e)> MeasureText{"document.MeasureText", [](ElementRecord&) {}};
    // The box of a rectangle's cell numbers, which may reach beyond its outline; false when
    // it has none. Least: none, the extent is the outline's.
    Port<bool(const ElementRecord& e, CordRect& box)> RectLabelsBox{
        "document.RectLabelsBox", [](const ElementRecord&, CordRect&) { return false; }};
    // The text of an object as the text layout prepares it (saving in older versions).
    Port<PreparedText(const ElementRecord& e)> PrepareText{"document.PrepareText", StoredObjectText};
    // Cuts an area along axis-parallel lines until `accept` takes every piece; false when a
    // piece was dropped uncut (saving in older versions, whose areas are smaller).
    Port<bool(const Cord* points, int count, const AreaPieceFn& accept)> SplitArea{
        "document.SplitArea", OfferAreaWhole};

    // ---- Course setting ----
    // After a drawing tool appended and selected a new object: false = it must not remain.
    Port<bool()> CheckCsObject{"document.CheckCsObject", [] { return true; }};
    Port<void()> RepaintCourse{"document.RepaintCourse", [] {}};
    // After object n of a course-setting map was deleted.
    Port<void(int n)> DeleteCsObjectOfElement{"document.DeleteCsObjectOfElement", DeleteCsObjectStringOf};
    Port<void()> StoreCsObjectProps{"document.StoreCsObjectProps", [] {}};
    Port<void()> SortCsObjects{"document.SortCsObjects", [] {}};
    Port<void()> ShowCsObjectProps{"document.ShowCsObjectProps", [] {}};
    Port<void()> RefreshCoursePreview{"document.RefreshCoursePreview", [] {}};
    // After a course-setting map was opened or a map's window activated: its course lists
    // sorted, the course panel prepared.
    Port<void()> PrepareCoursePanel{"document.PrepareCoursePanel", [] {}};
    // After a course-setting map was read: generated objects a preview left and damaged
    // courses are dealt with. Least: nothing to check without course setting.
    Port<void()> CheckCourseMap{"document.CheckCourseMap", [] {}};
    // Before the map's file is copied or closed: the preview's generated objects go; true
    // when a preview was on. Least: no preview without course setting.
    Port<bool()> EndCoursePreview{"document.EndCoursePreview", [] { return false; }};

    // ---- External data (templates, GPS, database links) ----
    // The extent of the map with its templates.
    Port<bool(CordRect& r)> GetFullExtent{"document.GetFullExtent", GetMapExtentLeast};
    Port<void(int n)> DeleteObjectLink{"document.DeleteObjectLink", DeleteObjectLinkStringOf};
    Port<void()> GetData{"document.GetData", [] {}};
    Port<void()> ShowObjectRecord{"document.ShowObjectRecord", [] {}};
    Port<void()> ResetDbLinks{"document.ResetDbLinks", [] {}};
    Port<void(int n)> WriteSymbolField{"document.WriteSymbolField", [](int) {}};
    Port<void()> LoadMapTemplates{"document.LoadMapTemplates", [] {}};
    // After an open while the configuration has a GPS receiver delivering: its port opened
    // again. Least: no receiver.
    Port<void()> StartGpsPort{"document.StartGpsPort", [] {}};

    // ---- Templates of the current map (external), for their drawing and the windows ----
    // Without the template feature no template file can be read, and nothing is loaded.
    // The closing window's map lets go of its shown templates.
    Port<void()> UnloadTemplate{"document.UnloadTemplate", [] {}};
    // Loads a template file by its stored name (mode 2: silently, or the loaded record used
    // again); false when it cannot be read.
    Port<bool(const QString& name, int mode)> LoadTemplateFile{
        "document.LoadTemplateFile", [](const QString&, int) { return false; }};
    // Drops one use of a loaded template.
    Port<void(const QString& name)> ReleaseTemplate{"document.ReleaseTemplate", [](const QString&) {}};
    // The raster record the last load made or found; null after a release or a failed load.
    Port<TTmp*()> CurrentTemplate{"document.CurrentTemplate", []() -> TTmp* { return nullptr; }};
    // The placement, dim, spot colour and flags of a template string into CurrentTemplate.
    Port<void(const QString& text)> ParseTemplateParams{"document.ParseTemplateParams",
                                                        [](const QString&) {}};
    // The bounding rectangle of CurrentTemplate; false when it has no size to draw.
    Port<bool(CordRect& r)> TemplateBounds{"document.TemplateBounds", [](CordRect&) { return false; }};
    // Template `index` of the current map: its expanded file name and dim; true when it is a
    // shown map template.
    Port<bool(int index, QString& fullName, int& dim)> ActiveZmdTemp{
        "document.ActiveZmdTemp", [](int, QString&, int&) { return false; }};
};

DocumentPortSet& DocumentPorts();

} // namespace zemo
