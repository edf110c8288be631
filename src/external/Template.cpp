#include "external/Template.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/FileClass.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "core/StringX.h"
#include "document/Open.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "external/Ports.h"
#include "external/TempOpt.h"
#include "render/TemplateDraw.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace zemo {

TemplateUnitState TemplateUnit;

namespace {

std::map<QString, TemplateReader>& Readers()
{
    static std::map<QString, TemplateReader> readers;
    return readers;
}

// The lower-cased extension with its dot ("" without one).
QString ExtensionOf(const QString& name)
{
    const QString file = ExtractFileName(name);
    const qsizetype dot = file.lastIndexOf(u'.');
    return dot < 0 ? QString() : file.mid(dot).toLower();
}

// The folder of the current map's file; empty for an untitled map.
QString MapFileFolder()
{
    const QString path = DocumentPath(Index.ActiveZmd);
    return path.isEmpty() ? QString() : ExtractFileDir(path);
}

// The name a file is stored under: bare in the map's own folder, else the full path.
QString StoredName(const QString& fileName)
{
    const QString folder = MapFileFolder();
    if (!folder.isEmpty() && ExtractFileDir(fileName) == folder)
        return ExtractFileName(fileName);
    return fileName;
}

bool IsBare(const QString& name)
{
    return !name.contains(u'/') && !name.contains(u'\\');
}

std::vector<LoadedTemplate>::iterator FindLoaded(const QString& fullName)
{
    auto& list = TemplateUnit.LoadedTemplates;
    return std::find_if(list.begin(), list.end(), [&](const LoadedTemplate& t) { return t.Name == fullName; });
}

// A reader's run: a file failure has been reported and ends in the silent abort.
bool RunReader(const TemplateReader& reader, const QString& fullName, int mode)
{
    try {
        return reader(fullName, mode);
    } catch (const EAbort&) {
        return false;
    }
}

// Opens another map as a template; the current map stays current.
bool LoadMapTemplateFile(const QString& fullName)
{
    TZmd* const prev = Index.ActiveZmd;
    const bool wasOpen = Index.MapOpen;
    const auto restore = [&] {
        SetCurrentMap(prev);
        Index.MapOpen = wasOpen;
    };
    if (!OpenMapFile(fullName, fullName, true, true)) {
        restore();
        return false;
    }
    const bool course = Index.ActiveZmd && Index.ActiveZmd->CourseMap;
    restore();
    if (course) {
        ErrorMsg(TextKey::CourseNotTemplate, fullName);
        CloseMapFile(fullName);
        return false;
    }
    return true;
}

// The reader's fields of a new record take the place of those of the loaded one, which
// keeps its users (other maps may be drawing it).
void TakeReadFields(TTmp& loaded, TTmp& fresh)
{
    const int32_t uses = loaded.RefCount;
    std::swap(loaded, fresh);
    loaded.RefCount = uses;
}

// Internal errors of routines that touch template strings, with their labels; the silent
// abort stays silent.
template <class F>
void Reported(const char* routine, F&& work)
{
    try {
        work();
    } catch (const EAbort&) {
    } catch (const std::exception&) {
        ErrorMsg(QStringLiteral(": Template.") + QLatin1String(routine));
    }
}

void SaveTemplateText(int index, const QString& text)
{
    TZmd& z = *Index.ActiveZmd;
    if (SavePString(z.Templates.GetNumber(index), text))
        z.Templates.SetString(index, text);
}

void SetShown(int index, bool shown)
{
    QString text = Index.ActiveZmd->Templates.Strings(index);
    SetParam(text, u's', shown ? QStringLiteral("1") : QStringLiteral("0"));
    SaveTemplateText(index, text);
}

bool TemplateFileExists(int index)
{
    return QFileInfo(TemplateFullName(index)).isFile();
}

// The list dialog: entries offered by `wanted`, the chosen template indexes. With fewer than
// `dialogFrom` entries the only one is taken without the dialog.
std::vector<int> ChooseTemplates(TextKey caption, bool several, int dialogFrom,
                                 const std::function<bool(const QString& text)>& wanted)
{
    std::vector<int> offered;
    TemplateListRequest request;
    request.caption = Text(caption);
    request.several = several;
    const TZmd& z = *Index.ActiveZmd;
    for (int i = 0; i < z.Templates.Count(); ++i)
        if (wanted(z.Templates.Strings(i))) {
            offered.push_back(i);
            request.names << ExtractFileName(TemplateFileName(z.Templates.Strings(i)));
        }
    if (offered.empty())
        return {};
    if (int(offered.size()) < dialogFrom)
        return {offered.front()};
    std::vector<int> chosen;
    for (int pos : ExternalPorts().RunTemplateList(request))
        if (pos >= 0 && pos < int(offered.size()))
            chosen.push_back(offered[size_t(pos)]);
    return chosen;
}

// The templates a command offers, by their records: a record keeps naming its template
// while others move in the list.
std::vector<int> RecordsOf(const std::vector<int>& indexes)
{
    std::vector<int> records;
    for (int i : indexes)
        records.push_back(Index.ActiveZmd->Templates.GetNumber(i));
    return records;
}

int IndexOfRecord(int record)
{
    return Index.ActiveZmd->Templates.IndexOfNumber(record);
}

void ClearTemplatesHidden()
{
    if (SetupRecord* s = Stp(); s && s->TemplatesHidden) {
        s->TemplatesHidden = false;
        WriteSetup();
    }
}

} // namespace

void ResetTemplateUnit()
{
    TemplateUnit = TemplateUnitState{};
}

// ---- The reader table ----

void RegisterTemplateReader(const QString& extension, TemplateReader reader)
{
    const QString key = extension.toLower();
    if (reader)
        Readers()[key] = std::move(reader);
    else
        Readers().erase(key);
}

bool HasTemplateReader(const QString& extension)
{
    return Readers().count(extension.toLower()) > 0;
}

// ---- Names ----

QString TemplateNameFolder()
{
    QString folder = MapFileFolder();
    if (folder.isEmpty())
        folder = GetMapFolder();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString ExpandTemplateName(const QString& name)
{
    QString n = name;
    n.replace(u'\\', u'/');
    return IsBare(n) ? TemplateNameFolder() + n : n;
}

QString TemplateFullName(int index)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z || index < 0 || index >= z->Templates.Count())
        return {};
    return ExpandTemplateName(TemplateFileName(z->Templates.Strings(index)));
}

// ---- Loading ----

TTmp* FindLoadedTemplate(const QString& fullName)
{
    const auto it = FindLoaded(fullName);
    return it == TemplateUnit.LoadedTemplates.end() ? nullptr : it->Tmp.get();
}

bool LoadTemplateFile(const QString& name, int mode)
{
    const QString full = ExpandTemplateName(name);
    const QString ext = ExtensionOf(full);
    if (ext == QLatin1String(".zmd")) {
        TemplateUnit.CurrentTemplate = nullptr;
        return LoadMapTemplateFile(full);
    }
    const auto reader = Readers().find(ext);
    const auto loaded = FindLoaded(full);
    const bool reread = loaded != TemplateUnit.LoadedTemplates.end() && mode == TemplateLoadAsk;
    if (loaded == TemplateUnit.LoadedTemplates.end() || reread) {
        TemplateUnit.CurrentTemplate = nullptr;
        if (reader == Readers().end()) {
            if (mode == TemplateLoadAsk)
                ErrorMsg(TextKey::UnknownFormat, full);
            return false;
        }
        // Read into a record of its own: until the reader succeeds, the loaded one stays
        // whole for the maps that draw it.
        auto fresh = std::make_unique<TTmp>();
        TemplateUnit.CurrentTemplate = fresh.get();
        const bool ok = RunReader(reader->second, full, mode) && fresh->HasPixels();
        if (!ok) {
            TemplateUnit.CurrentTemplate = nullptr;
            return false;
        }
        if (!reread) {
            TemplateUnit.LoadedTemplates.push_back(LoadedTemplate{full, std::move(fresh)});
            return true;
        }
        // Looked up again: the reader may have run other loads.
        const auto again = FindLoaded(full);
        if (again == TemplateUnit.LoadedTemplates.end()) {
            TemplateUnit.LoadedTemplates.push_back(LoadedTemplate{full, std::move(fresh)});
            return true;
        }
        TakeReadFields(*again->Tmp, *fresh);
        TemplateUnit.CurrentTemplate = again->Tmp.get();
    } else {
        TemplateUnit.CurrentTemplate = loaded->Tmp.get();
    }
    ++TemplateUnit.CurrentTemplate->RefCount;
    return true;
}

void ReleaseTemplate(const QString& name)
{
    const QString full = ExpandTemplateName(name);
    TemplateUnit.CurrentTemplate = nullptr;
    if (ExtensionOf(full) == QLatin1String(".zmd")) {
        CloseMapFile(full);
        return;
    }
    const auto it = FindLoaded(full);
    if (it == TemplateUnit.LoadedTemplates.end())
        return;
    if (--it->Tmp->RefCount < 1)
        TemplateUnit.LoadedTemplates.erase(it);
}

// ---- Strings ----

void ParseTemplateParams(const QString& text)
{
    TTmp* t = TemplateUnit.CurrentTemplate;
    if (!t)
        return;
    t->X = SafeRound(GetParamFloat(text, u'x', 0) * 256);
    t->Y = SafeRound(GetParamFloat(text, u'y', 0) * 256);
    t->Angle = GetParamFloat(text, u'a', 0) * std::numbers::pi / 180;
    t->U = GetParamFloat(text, u'u', DefaultTemplatePixelSize);
    t->V = GetParamFloat(text, u'v', DefaultTemplatePixelSize);
    const int dim = GetParamInt(text, u'd', 0);
    t->Dim = dim >= 0 && dim <= 100 ? dim : 0;
    const int separations = Index.ActiveZmd ? Index.ActiveZmd->ColorBlock.SeparationCount : 0;
    const int spot = GetParamInt(text, u'p', -1);
    t->SpotColor = spot >= 0 && spot < separations ? spot : -1;
    t->Transparent = GetParamBool(text, u't', false);
    t->RenderSpot = GetParamBool(text, u'o', false);
}

QString FormatTemplateParams()
{
    const TTmp* t = TemplateUnit.CurrentTemplate;
    if (!t)
        return {};
    return BoolParamStr(u's', true) + IntParamStr(u'x', t->X / 256) + IntParamStr(u'y', t->Y / 256)
         + FloatParamStr(u'a', 6, t->Angle * 180 / std::numbers::pi) + FloatParamStr(u'u', 8, t->U)
         + FloatParamStr(u'v', 8, t->V) + IntParamStr(u'd', t->Dim) + IntParamStr(u'p', t->SpotColor)
         + BoolParamStr(u't', t->Transparent) + BoolParamStr(u'o', t->RenderSpot);
}

bool IsMapTemplate(const QString& text)
{
    return IsMapTemplateName(text);
}

bool AnyTemplateShown(bool includeMaps)
{
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    for (const auto& item : z->Templates.Items())
        if (TemplateShown(item.Text) && (includeMaps || !IsMapTemplate(item.Text)))
            return true;
    return false;
}

bool AnyTemplateHidden()
{
    const TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    for (const auto& item : z->Templates.Items())
        if (!TemplateShown(item.Text))
            return true;
    return false;
}

bool ActiveZmdTemp(int index, QString& fullName, int& dim)
{
    bool result = false;
    Reported("ActiveZmdTemp", [&] {
        const TZmd* z = Index.ActiveZmd;
        if (!z || index < 0 || index >= z->Templates.Count())
            return;
        const QString& text = z->Templates.Strings(index);
        fullName = TemplateFullName(index);
        const int d = GetParamInt(text, u'd', 0);
        dim = d >= 0 && d <= 100 ? d : 0;
        result = IsMapTemplate(text) && TemplateShown(text);
    });
    return result;
}

// ---- Extents ----

bool TemplateBounds(CordRect& r)
{
    const TTmp* t = TemplateUnit.CurrentTemplate;
    if (!t || !std::isfinite(t->U) || !std::isfinite(t->V) || t->U == 0 || t->V == 0 || !std::isfinite(t->Angle))
        return false;
    const double hx = t->Width / 2.0 * t->U, hy = t->Height / 2.0 * t->V;
    const double c = std::cos(t->Angle), s = std::sin(t->Angle);
    const double ex = std::max(std::abs(hx * c - hy * s), std::abs(-hx * c - hy * s));
    const double ey = std::max(std::abs(hx * s + hy * c), std::abs(-hx * s + hy * c));
    if (!std::isfinite(ex) || !std::isfinite(ey))
        return false;
    const auto side = [](int32_t centre, double half, int sign) {
        const double v = double(centre) + sign * std::nearbyint(half) * 256.0;
        return int32_t(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
    };
    r = {side(t->X, ex, -1), side(t->Y, ey, -1), side(t->X, ex, 1), side(t->Y, ey, 1)};
    return true;
}

bool FullExtentWithTemplates(CordRect& r)
{
    const bool objects = GetMapExtent(r);
    bool any = objects;
    TZmd* z = Index.ActiveZmd;
    if (!z || z->Setup.TemplatesHidden)
        return any;
    const auto add = [&](const CordRect& b) {
        if (any)
            ExtendRect(r, b);
        else
            r = b;
        any = true;
    };
    for (int i = z->Templates.Count() - 1; i >= 0; --i) {
        const QString text = z->Templates.Strings(i);
        if (!TemplateShown(text))
            continue;
        const QString name = TemplateFileName(text);
        if (IsMapTemplate(text)) {
            const QString full = ExpandTemplateName(name);
            TZmd* const prev = Index.ActiveZmd;
            const bool wasOpen = Index.MapOpen;
            if (!OpenMapFile(full, full, true, true))
                continue;
            CordRect m;
            const bool has = GetMapExtent(m);
            SetCurrentMap(prev);
            Index.MapOpen = wasOpen;
            CloseMapFile(full);
            if (has)
                add(m);
        } else if (LoadTemplateFile(name, TemplateLoadSilent)) {
            ParseTemplateParams(text);
            CordRect b;
            if (TemplateBounds(b))
                add(b);
            ReleaseTemplate(name);
        }
    }
    return any;
}

// ---- A map's templates ----

namespace {

enum class Search { Found, NotFound, Cancelled };

// The template's name field becomes `name`, the rest of its string kept.
void RenameTemplate(int index, const QString& name)
{
    const QString text = Index.ActiveZmd->Templates.Strings(index);
    const qsizetype tab = text.indexOf(u'\t');
    SaveTemplateText(index, name + (tab < 0 ? QString() : text.mid(tab)));
}

// The question and the open dialog for a missing template file; Found with the new name
// stored in its string.
Search SearchFor(int index)
{
    Search result = Search::NotFound;
    Reported("SearchTemplate", [&] {
        TZmd* z = Index.ActiveZmd;
        if (!z || index < 0 || index >= z->Templates.Count())
            return;
        const QString text = z->Templates.Strings(index);
        const QString bare = ExtractFileName(TemplateFileName(text));
        if (OkCancelMsg(TextKey::TemplateSearch, bare) != IdOk) {
            result = Search::Cancelled;
            return;
        }
        QString name = TemplateNameFolder() + bare;
        const QString filter = Text(TextKey::TemplateFiles)
                             + QStringLiteral("|*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.tif;*.tiff;*.zmd|")
                             + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
        if (!ExecOpenDialog(Text(TextKey::OpenTemplate), filter, QStringLiteral("bmp"),
                            OpenTemplateHelpContext, name))
            return;
        RenameTemplate(index, StoredName(name));
        result = Search::Found;
    });
    return result;
}

// The templates of one opening, by file name: a name is searched for, and read, once; what
// became of it holds for every template of that name. Cancel in the question ends the search
// for the rest of the opening.
class OpeningTemplates {
public:
    // Template `index` (shown) loaded; false when it is missing or could not be read.
    bool Load(int index)
    {
        Outcome& o = outcome_[TemplateFullName(index)];
        if (o.tried) {
            if (!o.loaded)
                return false;
            if (!o.foundAs.isEmpty())
                RenameTemplate(index, o.foundAs);
            return LoadNamed(index);
        }
        o.tried = true;
        if (!TemplateFileExists(index)) {
            if (searchEnded_)
                return false;
            const Search found = SearchFor(index);
            searchEnded_ = found == Search::Cancelled;
            if (found != Search::Found)
                return false;
            o.foundAs = TemplateFileName(Index.ActiveZmd->Templates.Strings(index));
        }
        o.loaded = LoadNamed(index);
        return o.loaded;
    }

private:
    struct Outcome {
        bool tried = false;
        bool loaded = false;
        QString foundAs; // the name the search found for it
    };

    // The file the template's string names now, read silently.
    static bool LoadNamed(int index)
    {
        return LoadTemplateFile(TemplateFileName(Index.ActiveZmd->Templates.Strings(index)), TemplateLoadSilent);
    }

    std::map<QString, Outcome> outcome_; // by the full name the map gives
    bool searchEnded_ = false;
};

} // namespace

bool SearchTemplate(int index)
{
    return SearchFor(index) == Search::Found;
}

void LoadTemplatesOfMap()
{
    SizeRenderBand();
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    OpeningTemplates opening;
    for (int i = z->Templates.Count() - 1; i >= 0; --i) {
        // Switched off, so that the next opening does not ask again.
        if (TemplateShown(z->Templates.Strings(i)) && !opening.Load(i))
            SetShown(i, false);
    }
}

void UnloadTemplatesOfMap()
{
    Reported("UnloadTemplate", [] {
        const TZmd* z = Index.ActiveZmd;
        if (!z)
            return;
        for (int i = z->Templates.Count() - 1; i >= 0; --i)
            if (TemplateShown(z->Templates.Strings(i)))
                ReleaseTemplate(TemplateFileName(z->Templates.Strings(i)));
    });
}

// ---- The list of the current map ----

QStringList TemplateTexts()
{
    QStringList texts;
    if (const TZmd* z = Index.ActiveZmd)
        for (const auto& item : z->Templates.Items())
            texts << item.Text;
    return texts;
}

void StoreTemplateTexts(const QStringList& texts)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return;
    TNumStringList& list = z->Templates;
    for (int i = 0; i < texts.size(); ++i) {
        if (i < list.Count()) {
            if (list.Strings(i) != texts[i])
                SaveTemplateText(i, texts[i]);
        } else {
            const int n = AddPString(texts[i], TemplateType, 0);
            if (n >= 0)
                list.AddNumber(texts[i], n);
        }
    }
    for (int i = list.Count() - 1; i >= 0; --i)
        if (i >= texts.size() || list.Strings(i).isEmpty()) {
            ClearPString(list.GetNumber(i));
            list.Delete(i);
        }
}

// ---- Template menu ----

bool AddTemplate(const QString& fileName)
{
    if (!Index.ActiveZmd)
        return false;
    const QString name = StoredName(GetLongFileName(fileName));
    if (!LoadTemplateFile(name, TemplateLoadAsk))
        return false;
    ProgramConfig.TemplateFolder = IsBare(name) ? QString() : ExtractFileDir(name);
    const QString text = IsMapTemplateName(name) ? name + BoolParamStr(u's', true) : name + FormatTemplateParams();
    QStringList texts = TemplateTexts();
    const qsizetype same = std::find_if(texts.begin(), texts.end(),
                                        [&](const QString& t) { return GetParamName(t) == name; })
                         - texts.begin();
    if (same < texts.size()) {
        // The earlier entry's use ends: the load just made counts for the map now.
        if (TemplateShown(texts[same]))
            ReleaseTemplate(name);
        texts.removeAt(same);
    }
    texts.prepend(text);
    StoreTemplateTexts(texts);
    ClearTemplatesHidden();
    RedrawTemplateWindow();
    return true;
}

void OpenTemplate()
{
    if (!Index.ActiveZmd)
        return;
    const QString filter =
        Text(TextKey::TemplateFiles) + QStringLiteral("|*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.zmd;*.tif;*.tiff|")
        + Text(TextKey::BmpFiles) + QStringLiteral("(*.bmp;*.dib)|*.bmp;*.dib|") + Text(TextKey::GifFiles)
        + QStringLiteral("(*.gif)|*.gif|") + Text(TextKey::JpgFiles) + QStringLiteral("(*.jpg;*.jpeg)|*.jpg;*.jpeg|")
        + Text(TextKey::MapFiles) + QStringLiteral("(*.zmd)|*.zmd|") + Text(TextKey::TiffFiles)
        + QStringLiteral("(*.tif;*.tiff)|*.tif;*.tiff|") + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    QString name = GetTemplateFolder();
    if (!name.endsWith(u'/'))
        name += u'/';
    if (ExecOpenDialog(Text(TextKey::OpenTemplate), filter, QStringLiteral("bmp"), OpenTemplateHelpContext, name))
        AddTemplate(name);
}

void ReopenTemplates()
{
    if (!Index.ActiveZmd)
        return;
    const std::vector<int> records = RecordsOf(ChooseTemplates(
        TextKey::ReopenTemplate, true, 1, [](const QString& t) { return !TemplateShown(t); }));
    for (int record : records) {
        const int i = IndexOfRecord(record);
        if (i < 0 || !(TemplateFileExists(i) || SearchTemplate(i)))
            continue;
        QString text = Index.ActiveZmd->Templates.Strings(i);
        if (!LoadTemplateFile(TemplateFileName(text), TemplateLoadSilent))
            continue;
        SetParam(text, u's', QStringLiteral("1"));
        QStringList texts = TemplateTexts();
        texts.removeAt(i);
        texts.prepend(text);
        StoreTemplateTexts(texts);
        ClearTemplatesHidden();
    }
    if (!records.empty())
        RedrawTemplateWindow();
}

void CloseTemplates()
{
    if (!Index.ActiveZmd)
        return;
    const std::vector<int> records =
        RecordsOf(ChooseTemplates(TextKey::CloseTemplate, true, 2, TemplateShown));
    for (int record : records) {
        const int i = IndexOfRecord(record);
        if (i < 0)
            continue;
        ReleaseTemplate(TemplateFileName(Index.ActiveZmd->Templates.Strings(i)));
        SetShown(i, false);
    }
    if (!records.empty())
        RedrawTemplateWindow();
}

void ToggleTemplatesHidden()
{
    SetupRecord* s = Stp();
    if (!s)
        return;
    // Hiding the templates is a way of looking at the map, kept with it like the zoom: no change.
    s->TemplatesHidden = !s->TemplatesHidden;
    WriteViewSetup();
    RedrawTemplateWindow();
}

bool ChooseTemplateToAdjust(int& index)
{
    if (!Index.ActiveZmd)
        return false;
    const std::vector<int> chosen = ChooseTemplates(TextKey::AdjTemp, false, 2, [](const QString& t) {
        return TemplateShown(t) && !IsMapTemplate(t);
    });
    if (chosen.empty())
        return false;
    index = chosen.front();
    return true;
}

void TemplateOptions()
{
    if (!Index.ActiveZmd)
        return;
    const std::vector<int> chosen = ChooseTemplates(TextKey::TempOpt, false, 2, TemplateShown);
    if (chosen.empty())
        return;
    const int i = chosen.front();
    QString text = Index.ActiveZmd->Templates.Strings(i);
    TempOptValues values = ReadTempOptions(text, MapSeparationNames());
    const TempOptValues shown = values;
    // OK on the options as shown leaves the template's record as the map holds it.
    if (!ExternalPorts().RunTemplateOptions(values) || values == shown)
        return;
    WriteTempOptions(text, values);
    SaveTemplateText(i, text);
    RedrawTemplateWindow();
}

void RedrawTemplateWindow()
{
    if (MapView* v = Work.ActiveView; v && v->Form && v->Document == Index.ActiveZmd)
        v->Form->InvalidateRect({0, 0, v->ClientWidth, v->ClientHeight});
}

} // namespace zemo
