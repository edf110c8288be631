#include "core/Config.h"

#include "core/Numeric.h"
#include "platform/Settings.h"

#include <QByteArray>

#include <string>

namespace zemo {

const std::array<const char*, ShortCutCount> ShortCutNames = {
    "EditJoin", "EditMerge", "EditToCurve", "EditToGraphics", "EditMeasure", "ViewSpot",
    "ViewHatch", "ViewTransp", "ViewRedraw", "ViewMove", "ViewZoomIn", "ViewZoomOut",
    "ViewEntire", "View025X", "View05X", "View1X", "View2X", "View4X", "View8X", "View16X",
    "View32X", "SymbolNormal", "SymbolProtect", "SymbolHide", "ExtrasSelectSym",
    "ExtrasChangeSym", "ExtrasExportSym", "ExtrasDeleteSym", "ExtrasToCurveSym",
    "OptionsScanTemp", "OptionsOpenTemp", "TemplateReopen", "TemplateClose",
    "OptionsAdjustTemp", "OptionsHideTemp", "TemplateOptions", "OptionsPref", "OptionsScales",
};

// After the names: its constructor fills the shortcut texts by name.
ConfigRecord ProgramConfig;

namespace {

// The newest first; the empty prefix is the store's root.
const char* const RootKeys[] = {"Zemo8", "Zemo7", ""};
const char* const WriteRoot = "Zemo8";

struct TextField {
    const char* subKey;
    const char* name;
    QString ConfigRecord::*field;
};
struct IntField {
    const char* subKey;
    const char* name;
    int32_t ConfigRecord::*field;
};
struct FlagField {
    const char* subKey;
    const char* name;
    bool ConfigRecord::*field;
};

const TextField TextFields[] = {
    {"Startup", "File", &ConfigRecord::File},
    {"Startup", "BackupFile", &ConfigRecord::BackupFile},
    {"Startup", "BackupFolder", &ConfigRecord::BackupFolder},
    {"Preferences", "MapFolder", &ConfigRecord::MapFolder},
    {"Preferences", "TemplateFolder", &ConfigRecord::TemplateFolder},
    {"Preferences", "ExportFolder", &ConfigRecord::ExportFolder},
    {"Dialogs/Print", "Printer", &ConfigRecord::PrintPrinter},
    {"Dialogs/CdPrint", "Printer", &ConfigRecord::CdPrintPrinter},
    {"Gps", "Port", &ConfigRecord::GpsPort},
};

const IntField IntFields[] = {
    {"Startup", "WorkMode", &ConfigRecord::WorkMode},
    {"Startup", "LineMode", &ConfigRecord::LineMode},
    {"Startup", "BackupDrive", &ConfigRecord::BackupDrive},
    {"Preferences", "Smoothing", &ConfigRecord::Smoothing},
    {"Preferences", "SelectTolerance", &ConfigRecord::SelectTolerance},
    {"Preferences", "JoinTolerance", &ConfigRecord::JoinTolerance},
    {"Preferences", "SelectMode", &ConfigRecord::SelectMode},
    {"Preferences", "CurveMode", &ConfigRecord::CurveMode},
    {"Preferences", "ScreenColor", &ConfigRecord::ScreenColor},
    {"Preferences", "ScreenGamma", &ConfigRecord::ScreenGamma},
    {"Gps", "Speed", &ConfigRecord::GpsSpeed},
};

const FlagField FlagFields[] = {
    {"Startup", "AutoLoad", &ConfigRecord::AutoLoad},
    {"Startup", "AutoSave", &ConfigRecord::AutoSave},
    {"Preferences", "AutoJoin", &ConfigRecord::AutoJoin},
    {"Preferences", "RedrawBackground", &ConfigRecord::RedrawBackground},
    {"Preferences", "AutoScroll", &ConfigRecord::AutoScroll},
    {"Preferences", "AutoSelectSym", &ConfigRecord::AutoSelectSym},
    {"Preferences", "ContextMenu", &ConfigRecord::ContextMenu},
    {"Preferences", "ObjectStretch", &ConfigRecord::ObjectStretch},
    {"Preferences", "LineUpdate", &ConfigRecord::LineUpdate},
    {"Preferences", "AreaUpdate", &ConfigRecord::AreaUpdate},
    {"Preferences", "ScreenGrid", &ConfigRecord::ScreenGrid},
    {"Preferences", "FreehandToCurve", &ConfigRecord::FreehandToCurve},
    {"Preferences", "HiddenPrintWarning", &ConfigRecord::HiddenPrintWarning},
    {"Preferences", "HiddenExportWarning", &ConfigRecord::HiddenExportWarning},
    {"Preferences", "HiddenImportWarning", &ConfigRecord::HiddenImportWarning},
    {"Gps", "Enabled", &ConfigRecord::GpsEnabled},
    {"Gps", "Filter", &ConfigRecord::GpsFilter},
    {"Gps", "Min4Sat", &ConfigRecord::GpsMin4Sat},
    {"Gps", "DgpsRequired", &ConfigRecord::GpsDgpsRequired},
};

QString KeyPath(const QString& root, const char* subKey)
{
    const QString sub = QString::fromLatin1(subKey);
    return root.isEmpty() ? sub : root + u'/' + sub;
}

QString ValuePath(const QString& key, const char* name)
{
    return key + u'/' + QString::fromLatin1(name);
}

bool TextFits(const QString& s)
{
    return s.toUtf8().size() <= MaxConfigTextBytes;
}

void ReadText(const Settings& store, const QString& path, QString& field)
{
    QString value;
    if (store.ReadString(path, value) && TextFits(value))
        field = value;
}

void ReadFlag(const Settings& store, const QString& path, bool& field)
{
    int32_t value = 0;
    if (store.ReadInt(path, value))
        field = value != 0;
}

// Reads every field of one sub-key; false when the sub-key does not exist.
bool ReadSubKey(ConfigRecord& c, const Settings& store, const QString& root, const char* subKey)
{
    const QString key = KeyPath(root, subKey);
    if (!store.KeyExists(key))
        return false;
    const QLatin1StringView sub(subKey);
    for (const auto& f : TextFields)
        if (sub == QLatin1StringView(f.subKey))
            ReadText(store, ValuePath(key, f.name), c.*f.field);
    for (const auto& f : IntFields)
        if (sub == QLatin1StringView(f.subKey))
            store.ReadInt(ValuePath(key, f.name), c.*f.field);
    for (const auto& f : FlagFields)
        if (sub == QLatin1StringView(f.subKey))
            ReadFlag(store, ValuePath(key, f.name), c.*f.field);
    if (sub == QLatin1StringView("Startup"))
        for (int i = 0; i < 5; ++i)
            ReadText(store, ValuePath(key, ("File" + std::to_string(i + 1)).c_str()), c.RecentFiles[i]);
    if (sub == QLatin1StringView("ShortCuts"))
        for (int i = 0; i < ShortCutCount; ++i)
            ReadText(store, ValuePath(key, ShortCutNames[i]), c.ShortCutTexts[i]);
    return true;
}

const char* const SubKeys[] = {"Startup", "Preferences", "Dialogs/Print", "Dialogs/CdPrint",
                               "ShortCuts", "Gps"};

} // namespace

ConfigRecord::ConfigRecord()
{
    DefaultShortCuts(*this);
}

void DefaultShortCuts(ConfigRecord& c)
{
    for (auto& s : c.ShortCutTexts)
        s.clear();
    const struct {
        const char* name;
        const char* key;
    } defaults[] = {
        {"ViewRedraw", "F5"},          {"ViewMove", "F6"},          {"ViewZoomIn", "F7"},
        {"ViewZoomOut", "F8"},         {"View025X", "Shift+F5"},    {"View05X", "Shift+F6"},
        {"View1X", "Shift+F7"},        {"View2X", "Shift+F8"},      {"View4X", "Shift+F9"},
        {"View8X", "Shift+F10"},       {"View16X", "Shift+F11"},    {"View32X", "Shift+F12"},
        {"OptionsAdjustTemp", "F9"},   {"OptionsHideTemp", "F10"},
    };
    for (const auto& d : defaults)
        for (int i = 0; i < ShortCutCount; ++i)
            if (qstrcmp(ShortCutNames[i], d.name) == 0)
                c.ShortCutTexts[i] = QString::fromLatin1(d.key);
}

void DefaultShortCuts()
{
    DefaultShortCuts(ProgramConfig);
}

void DefaultConfig(ConfigRecord& c)
{
    c = ConfigRecord();
}

void CheckConfig(ConfigRecord& c)
{
    if (!TextFits(c.File))
        c.File.clear();
    CheckIntRange(c.WorkMode, WorkModes::Freehand, WorkModes::EditObject, WorkModes::EditPoint);
    // Only the drawing tools 5 .. 10 are line methods; anything else would start a tool that
    // cannot draw the symbol.
    CheckIntRange(c.LineMode, WorkModes::Freehand, WorkModes::Curve, WorkModes::Curve);
    // 2 is another location: it must survive the next start.
    CheckIntRange(c.BackupDrive, 0, 2, 0);
    CheckIntRange(c.Smoothing, 0, 2, 1);
    CheckIntRange(c.SelectMode, 0, 1, 0);
    CheckIntRange(c.CurveMode, 0, 1, 0);
    CheckIntRange(c.SelectTolerance, 2, 5, 3);
    CheckIntRange(c.JoinTolerance, 0, 100, 25);
    CheckIntRange(c.ScreenColor, -100, 100, 0);
    CheckIntRange(c.ScreenGamma, -100, 100, 0);
}

void CheckConfig()
{
    CheckConfig(ProgramConfig);
}

bool ReadConfig(ConfigRecord& c, Settings& store)
{
    DefaultConfig(c);
    bool changed = false;
    for (const char* r : RootKeys) {
        const QString root = QString::fromLatin1(r);
        if (!store.KeyExists(root))
            continue;
        for (const char* sub : SubKeys) {
            if (!ReadSubKey(c, store, root, sub))
                continue;
            if (qstrcmp(sub, "Startup") == 0) {
                const QString path = ValuePath(KeyPath(root, sub), "File");
                QString old;
                if (!store.ReadString(path, old) || !old.isEmpty()) {
                    store.WriteString(path, QString());
                    changed = true;
                }
            }
        }
        break;
    }
    CheckConfig(c);
    return changed;
}

void WriteConfig(const ConfigRecord& c, Settings& store)
{
    const QString root = QString::fromLatin1(WriteRoot);
    for (const auto& f : TextFields)
        store.WriteString(ValuePath(KeyPath(root, f.subKey), f.name), c.*f.field);
    for (const auto& f : IntFields)
        store.WriteInt(ValuePath(KeyPath(root, f.subKey), f.name), c.*f.field);
    for (const auto& f : FlagFields)
        store.WriteInt(ValuePath(KeyPath(root, f.subKey), f.name), c.*f.field ? 1 : 0);
    const QString startup = KeyPath(root, "Startup");
    for (int i = 0; i < 5; ++i)
        store.WriteString(ValuePath(startup, ("File" + std::to_string(i + 1)).c_str()), c.RecentFiles[i]);
    const QString shortCuts = KeyPath(root, "ShortCuts");
    for (int i = 0; i < ShortCutCount; ++i)
        store.WriteString(ValuePath(shortCuts, ShortCutNames[i]), c.ShortCutTexts[i]);
}

void ReadConfig()
{
    Settings store = Settings::OpenDefault();
    if (ReadConfig(ProgramConfig, store))
        store.Save();
}

bool WriteConfig()
{
    // Reload first so that values other parts of the program keep in the store survive.
    Settings store = Settings::OpenDefault();
    WriteConfig(ProgramConfig, store);
    return store.Save();
}

} // namespace zemo
