// Template: files shown under a map as its background, raster images and other maps. Each map
// keeps its templates as strings (type 8): the file name, then the fields s (shown), x, y
// (centre, 0.01 mm), a (degrees), u, v (pixel size, 0.01 mm), d (dim %), p (spot-colour
// separation), t (transparent) and o (a map template rendered in spot colours). The first
// string is the top template.
//
// A raster image is read once per process into a TTmp of LoadedTemplates, found there by its
// full name (case-sensitive) and counted by its users; the readers of each format fill the
// record through the reader table. A map template is an open map document (OpenMapFile),
// counted by the list of open documents. Everything acts on the current map.
#pragma once

#include "core/Cord.h"
#include "document/Index.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace zemo {

// Load modes: 1 reads the file and asks for its placement (a new template); 2 reads
// silently, or takes the loaded record.
inline constexpr int TemplateLoadAsk = 1;
inline constexpr int TemplateLoadSilent = 2;

// Help contexts of the template dialogs and messages.
inline constexpr int OpenTemplateHelpContext = 190;
inline constexpr int CloseTemplateHelpContext = 191;
inline constexpr int AdjustTemplateHelpContext = 193;
inline constexpr int TemplateOptionsHelpContext = 243;
inline constexpr int ReopenTemplateHelpContext = 292;

// Pixel size of a template string without u or v, 0.01 mm.
inline constexpr double DefaultTemplatePixelSize = 10.0;

struct LoadedTemplate {
    QString Name;                 // the full file name
    std::unique_ptr<TTmp> Tmp;
};

// A raster reader: fills CurrentTemplate from the file (in mode 1 with the placement the user
// gives); false when it could not, after its own message (or silently on Cancel).
using TemplateReader = std::function<bool(const QString& fileName, int mode)>;

struct TemplateUnitState {
    std::vector<LoadedTemplate> LoadedTemplates;
    TTmp* CurrentTemplate = nullptr;
};

extern TemplateUnitState TemplateUnit;

// Every loaded template freed (tests; the reader table stays).
void ResetTemplateUnit();

// ---- The reader table ----
// The reader of files with this extension (lower case with its dot, ".bmp"); an empty reader
// removes the entry.
void RegisterTemplateReader(const QString& extension, TemplateReader reader);
bool HasTemplateReader(const QString& extension);

// ---- Names ----
// The stored name made absolute: a bare name lies in the map's folder (the map-folder
// fallback for an untitled map); "\" reads as "/".
QString ExpandTemplateName(const QString& name);
// The folder a bare template name stands in, with its trailing "/".
QString TemplateNameFolder();
// The name field of template `index` of the current map, expanded.
QString TemplateFullName(int index);

// ---- Loading ----
// ".zmd" opens the map as a template map (a course-setting map is refused); any other
// extension goes to its reader, or takes the loaded record (mode 1 reads it again). The
// record's use count grows by one on success. False when nothing was loaded.
bool LoadTemplateFile(const QString& name, int mode);
// Drops one use; the last frees the record (a map template closes its map).
void ReleaseTemplate(const QString& name);
// The loaded record of a full name; null when it is not loaded.
TTmp* FindLoadedTemplate(const QString& fullName);

// ---- Strings ----
// The fields of a template string into CurrentTemplate (nothing without one): x and y
// saturate, a missing u or v is 10, d outside 0..100 is 0, p outside the map's separations
// is -1.
void ParseTemplateParams(const QString& text);
// The fields of CurrentTemplate as tab-coded text: s1, x, y, a, u, v, d, p, t, o.
QString FormatTemplateParams();
bool IsMapTemplate(const QString& text);
// Some template is shown; with includeMaps false only raster templates count.
bool AnyTemplateShown(bool includeMaps);
// Some template is not shown.
bool AnyTemplateHidden();
// Template `index`: its expanded name and dim (0 when absent or out of range); true when it
// is a shown map template.
bool ActiveZmdTemp(int index, QString& fullName, int& dim);

// ---- Extents ----
// The bounding rectangle of CurrentTemplate turned by its angle; false when its size or pixel
// sizes give nothing to draw.
bool TemplateBounds(CordRect& r);
// GetFullExtent (the store's call, document/ServiceHooks.h): the objects' extent united with
// every shown template (unless templates are hidden); true when there is any extent at all.
bool FullExtentWithTemplates(CordRect& r);

// ---- A map's templates ----
// LoadMapTemplates (the store's call after an open): the band is sized for the screen and
// every shown template loaded, last first; a file that is missing and not found, or cannot
// be read, is switched off and saved.
void LoadTemplatesOfMap();
// UnloadTemplate (the store's call when the map's window closes): every shown template
// released, last first.
void UnloadTemplatesOfMap();
// Asks for a missing template file; true with the new name stored in its string.
bool SearchTemplate(int index);

// ---- The list of the current map ----
// Rewrites the template list to these texts, in this order, over the list's records: records
// are added for more texts, an empty text deletes its record.
void StoreTemplateTexts(const QStringList& texts);
// The texts of the current map's templates, top first.
QStringList TemplateTexts();

// ---- Template menu ----
// Reads the file (mode 1) and puts it on top of the map's templates; true when it was added.
bool AddTemplate(const QString& fileName);
// Template > Open.
void OpenTemplate();
// Template > Reopen, Close, Hide.
void ReopenTemplates();
void CloseTemplates();
void ToggleTemplatesHidden();
// Template > Adjust: the chosen template's index for the adjust tool; false when none.
bool ChooseTemplateToAdjust(int& index);
// Template > Options.
void TemplateOptions();
// The whole active window is drawn again.
void RedrawTemplateWindow();

} // namespace zemo
