#include "document/Open.h"

#include "core/ByteIO.h"
#include "core/CodePage.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Folders.h"
#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Status.h"
#include "document/Convert4.h"
#include "document/Convert5.h"
#include "document/FileReplace.h"
#include "document/Ports.h"
#include "document/Save7.h"
#include "document/ServiceHooks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_set>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zemo {

OpenState Opening;

namespace {

constexpr int FileNotFoundHelp = 26;
constexpr int FormatNotCorrHelp = 27;
constexpr int NotZemo6Help = 38;
constexpr int SessionAbortedHelp = 53;
constexpr int OpenDialogHelp = 113;
constexpr int SaveDialogHelp = 115;
constexpr int SymbolsHelp = 172;
constexpr int ColorsHelp = 197;
constexpr int MapPathChars = 255;
constexpr int TextCodePage = 1252;

class Hourglass {
public:
    Hourglass()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(true);
    }
    ~Hourglass()
    {
        if (BusyCursor* c = CurrentBusyCursor())
            c->SetBusy(false);
    }
};

QByteArray Native(const QString& name)
{
    return QFile::encodeName(name);
}

int16_t Sat16(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int16_t(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
}

// A short string field (length byte, characters) with its length capped at its field.
std::string ShortString(std::span<const uint8_t> rec, size_t at, bool zeroWhenLong)
{
    const size_t max = String31Bytes - 1;
    size_t n = rec[at];
    if (n > max)
        n = zeroWhenLong ? 0 : max;
    return std::string(reinterpret_cast<const char*>(rec.data() + at + 1), n);
}

bool SameFile(int fd, const QString& path)
{
    struct stat a {}, b {};
    if (fd < 0 || ::fstat(fd, &a) != 0 || ::stat(Native(path).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The working file of the document is the map file itself.
bool WorksInPlace(const TZmd& z, const QString& path)
{
    return !path.isEmpty() && SameFile(z.WorkFile.Handle(), path);
}

// Another file object (of any process) holds the file.
bool LockedByOther(const QString& path)
{
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool locked = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        locked = errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

void MakeCurrent(TZmd* z, bool mapOpen)
{
    SetCurrentMap(z);
    Index.MapOpen = mapOpen;
}

std::vector<OpenDocument>::iterator EntryOf(const TZmd* z)
{
    return std::find_if(Opening.OpenDocuments.begin(), Opening.OpenDocuments.end(),
                        [z](const OpenDocument& d) { return d.Zmd.get() == z; });
}

// Closes the working file; a working copy is deleted. Never throws.
void ReleaseWorkFile(TZmd& z, bool workingCopy)
{
    try {
        if (workingCopy)
            z.WorkFile.CloseAndDelete();
        else if (z.WorkFile.IsOpen())
            z.WorkFile.Close();
    } catch (const EAbort&) {
        if (workingCopy && !z.WorkFile.FileName().isEmpty())
            QFile::remove(z.WorkFile.FileName());
    }
}

// ---- Version-6 and 7 working copies ----

void ConvertOldIndexLengths(TZmd& z, const MapFileHeader& h)
{
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> block(ObjectIndexBlockBytes);
    std::unordered_set<int64_t> visited;
    int64_t pos = h.ObjectIndexPos;
    while (pos > 0 && int(visited.size()) < MaxObjectBlocks
           && InVariablePart(pos, ObjectIndexBlockBytes, size) && visited.insert(pos).second) {
        z.ReadBytesAt(pos, block);
        for (size_t i = 0; i < 256; ++i) {
            const auto at = std::span(block).subspan(4 + i * ObjectIndexEntryBytes, ObjectIndexEntryBytes);
            ObjectIndexEntry e = ReadObjectIndexEntry(at);
            if (e.Length >= 40) {
                e.Length = uint16_t((e.Length - 32) / 8);
            } else {
                e.Length = 0;
                e.Symbol = 0;
            }
            const auto out = WriteObjectIndexEntry(e);
            std::copy(out.begin(), out.end(), at.begin());
        }
        z.WriteBytesAt(pos, block);
        pos = LoadLE<int32_t>(block.data());
    }
}

void ConvertOldSymbols(TZmd& z, const MapFileHeader& h)
{
    const int64_t size = z.WorkFile.Size();
    std::vector<uint8_t> block(SymbolIndexBlockBytes);
    std::unordered_set<int64_t> visited;
    int64_t pos = h.SymbolIndexPos;
    while (pos > 0 && InVariablePart(pos, SymbolIndexBlockBytes, size) && visited.insert(pos).second) {
        z.ReadBytesAt(pos, block);
        for (size_t slot = 0; slot < SlotsPerIndexBlock; ++slot) {
            const int32_t at = LoadLE<int32_t>(block.data() + 4 + slot * 4);
            if (at <= 0 || !InVariablePart(at, SymbolHeadBytes, size))
                continue;
            std::array<uint8_t, SymExtent> head{};   // the head up to the flags
            z.ReadBytesAt(at, head);
            const int16_t recSize = SymI16(head, SymSize);
            const int16_t type = SymI16(head, SymObjectType);
            const size_t want = type == TextObject ? TextSymbolBytes
                : (type == LineObject && head[SymTextFlag] == 1 ? LineTextSymbolBytes : 0);
            // Only bytes of the record itself: a short record never reaches into the next.
            if (want == 0 || recSize < int(want) || !InVariablePart(at, int(want), size))
                continue;
            std::vector<uint8_t> rec(want);
            z.ReadBytesAt(at, rec);
            if (ConvertOldSymbolFraming(rec))
                z.WriteBytesAt(at, rec);
        }
        pos = LoadLE<int32_t>(block.data());
    }
}

QString FixedDecimals(double v)
{
    if (!std::isfinite(v))
        v = 0;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 8);
    if (r.ec != std::errc())
        return QStringLiteral("0.00000000");
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

void RebaseTemplatePaths(TZmd& z, const QString& oldFolder)
{
    if (oldFolder.isEmpty())
        return;
    struct Change {
        int number;
        QString text;
        TNumStringList* list;
        int index;
    };
    std::vector<Change> changes;
    for (int i = 0; i < z.Templates.Count(); ++i) {
        const QString t = z.Templates.Strings(i);
        const QString name = GetParamName(t);
        if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\'))
            continue;
        changes.push_back({z.Templates.GetNumber(i), oldFolder + u'/' + t, &z.Templates, i});
    }
    for (int i = 0; i < z.Datasets.Count(); ++i) {
        QString t = z.Datasets.Strings(i);
        if (!GetParamText(t, u'd').isEmpty() || !GetParamText(t, u'e').isEmpty())
            continue;
        SetParam(t, u'e', oldFolder);
        changes.push_back({z.Datasets.GetNumber(i), t, &z.Datasets, i});
    }
    // Back to front: a re-sorted list keeps the earlier indexes valid.
    for (auto it = changes.rbegin(); it != changes.rend(); ++it)
        if (SavePString(it->number, it->text))
            it->list->SetString(it->index, it->text);
}

// The whole of another file appended to the working copy.
void AppendUnlocked(TFileClass& work, const QString& name)
{
    MapFileReader in;
    if (!in.Open(name))
        throw EAbort();
    work.AppendHandle(in.Handle(), in.Size(), name);
}

// What the load left out. Damage gets one warning with its losses by kind ("+" marks a lower
// bound where a chain was cut and the entries of its lost blocks cannot be counted); records
// the reader's rules skip in a whole file are named one by one with their sizes.
void WarnLoadSkips(const TZmd& z, const QString& name)
{
    const LoadSkips& k = z.Skipped;
    if (k.Any()) {
        const auto count = [](TextKey key, int n, bool cut) {
            return Text(key) + QStringLiteral(": ") + QString::number(n) + (cut ? QStringLiteral("+") : QString());
        };
        // A symbol skipped by the rules is not in the copy either.
        const int symbols = k.Symbols + int(k.RuleSymbols.size());
        WarningMsg(TextKey::DamagedMap,
                   name + QStringLiteral("\r\n;") + count(TextKey::Objects, k.Objects, k.ObjectChainCut)
                       + QStringLiteral(", ") + count(TextKey::Symbols, symbols, k.SymbolChainCut)
                       + QStringLiteral(", ") + count(TextKey::Text, k.Strings, k.StringChainCut),
                   FormatNotCorrHelp);
        return;
    }
    // A map of version 5 or older is made anew by its conversion: nothing of its file is kept.
    if (z.Repaired.Any() && z.OpenedVersion >= 6) {
        QStringList parts;
        if (z.Repaired.Colors)
            parts << Text(TextKey::Colors);
        if (z.Repaired.Setup)
            parts << Text(TextKey::Setup).remove(u'&');
        WarningMsg(TextKey::RepairedMap, name + QStringLiteral("\r\n;") + parts.join(QStringLiteral(", ")),
                   FormatNotCorrHelp);
    }
    if (k.RuleSymbols.empty())
        return;
    QStringList records;
    for (const SkippedSymbol& s : k.RuleSymbols)
        records << QStringLiteral("%1 %2.%3 (%4 bytes)")
                       .arg(Text(TextKey::Symbol))
                       .arg(s.Number / 10)
                       .arg(std::abs(s.Number % 10))
                       .arg(s.Size);
    WarningMsg(TextKey::SkippedSymbols, name + QStringLiteral("\r\n;") + records.join(QStringLiteral(", ")),
               FormatNotCorrHelp);
}

} // namespace

// ---- Reading other maps ----

MapFileReader::~MapFileReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool MapFileReader::Open(const QString& name)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = ::open(Native(name).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
    return fd_ >= 0;
}

int64_t MapFileReader::Size() const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return 0;
    return int64_t(st.st_size);
}

bool MapFileReader::ReadAt(int64_t pos, void* buffer, int64_t count) const
{
    if (fd_ < 0 || pos < 0 || count < 0)
        return false;
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pread(fd_, out, size_t(count), off_t(pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out += n;
        pos += n;
        count -= n;
    }
    return true;
}

bool MapFileReader::ReadHeader(MapFileHeader& h) const
{
    std::array<uint8_t, MapHeaderBytes> head{};
    if (Size() < MapHeaderBytes || !ReadAt(0, head.data(), MapHeaderBytes))
        return false;
    h = ReadMapHeaderBytes(head);
    return true;
}

// ---- Documents ----

void ResetOpenUnit()
{
    CloseAllDocuments();
}

OpenDocument* FindDocument(const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    for (OpenDocument& d : Opening.OpenDocuments)
        if (!d.Name.isEmpty() && d.Name == name)
            return &d;
    const QString longName = GetLongFileName(name);
    for (OpenDocument& d : Opening.OpenDocuments)
        if (!d.Name.isEmpty() && d.Name == longName)
            return &d;
    return nullptr;
}

OpenDocument* DocumentOf(const TZmd* zmd)
{
    auto it = EntryOf(zmd);
    return it == Opening.OpenDocuments.end() ? nullptr : &*it;
}

QString DocumentPath(const TZmd* zmd)
{
    const OpenDocument* d = zmd ? DocumentOf(zmd) : nullptr;
    return d ? d->Name : QString();
}

std::string FittedMapPath(const QString& path)
{
    if (path.size() > MapPathChars)
        return {};
    bool lossless = true;
    const QByteArray bytes = EncodeCodePage(TextCodePage, path, &lossless);
    if (!lossless || bytes.size() > MapPathChars)
        return {};
    return bytes.toStdString();
}

// ---- Working copies ----

QString TempWorkFileName()
{
    const QString folder = StateFolder();
    for (int n = 0; n <= 9999; ++n) {
        const QString name = folder + QStringLiteral("temp%1.~md").arg(n, 4, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink())
            return name;
    }
    return {};
}

QString CreateWorkingCopy(TFileClass& file)
{
    const QString folder = StateFolder();
    for (int n = 0; n <= 9999; ++n) {
        const QString name = folder + QStringLiteral("temp%1.~md").arg(n, 4, 10, QLatin1Char('0'));
        // Exclusive creation: two instances never share a number.
        const int fd = ::open(Native(name).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        ::close(fd);
        try {
            file.Open(name);
        } catch (const EAbort&) {
            QFile::remove(name);
            throw;
        }
        return name;
    }
    ErrorMsg(TextKey::CannotCreate, folder + QStringLiteral("temp####.~md"));
    throw EAbort();
}

// ---- Opening ----

bool ConfirmOldVersion(int version, const QString& name)
{
    static constexpr struct {
        TextKey key;
        int help;
    } asks[] = {{TextKey::ZEMO3Format, 29}, {TextKey::ZEMO4Format, 30}, {TextKey::ZEMO5Format, 31},
                {TextKey::ZEMO6Format, 213}, {TextKey::ZEMO7Format, 168}};
    if (version < 3 || version > 7)
        return true;
    const auto& a = asks[version - 3];
    return OkCancelMsg(a.key, name + QStringLiteral("\r\n"), a.help) == IdOk;
}

QString ExpandMapPath(const QString& name)
{
    if (name.contains(u'/') || name.contains(u'\\'))
        return name;
    const QString path = DocumentPath(Index.ActiveZmd);
    if (path.isEmpty())
        return name;
    return ExtractFileDir(path) + (ExtractFileDir(path).endsWith(u'/') ? QString() : QStringLiteral("/")) + name;
}

bool ConvertOldSymbolFraming(std::span<uint8_t> rec)
{
    if (rec.size() < 8)
        return false;
    const int16_t type = SymI16(rec, SymObjectType);
    if (type == LineObject && SymU8(rec, SymTextFlag) == 1) {
        if (rec.size() < LineTextSymbolBytes)
            return false;
        const uint8_t mode = rec[LtFramingMode];
        if (mode == 1 && ShortString(rec, LtOldFramingFont, false) != ShortString(rec, TsFontName, false)) {
            rec[LtFramingMode] = 2;
            SetSymI16(rec, LtFramingWidth, int16_t(SymI16(rec, TsFontSize) / 4));
        } else if (mode == 2) {
            SetSymI16(rec, LtFramingWidth, int16_t(LoadLE<uint16_t>(rec.data() + SymOldFramingWidth)));
        }
        rec[LtFramingPad] = 0;
        std::fill_n(rec.begin() + LtOldFramingFont, String31Bytes, uint8_t(0));
        return true;
    }
    if (type == TextObject) {
        if (rec.size() < TextSymbolBytes)
            return false;
        const std::string frameFont = ShortString(rec, TsOldFramingFont, true);
        std::fill_n(rec.begin() + TsOldFramingFont, String31Bytes, uint8_t(0));
        const uint8_t mode = rec[TsFramingMode];
        if (mode == 1) {
            if (frameFont == "Ramka Narrow MS") {
                const int64_t s = SymI16(rec, TsFontSize);
                int64_t w = SymI16(rec, TsFramingWidth);
                w = 2 * w - s;
                SetSymI16(rec, TsFrameBottom, Sat16(double(w) * 0.97));
                SetSymI16(rec, TsFrameTop, Sat16(double(w) * 1.11));
                w = 2 * w - s;
                SetSymI16(rec, TsFrameLeft, Sat16(double(w) * 0.29));
                SetSymI16(rec, TsFrameRight, SymI16(rec, TsFrameLeft));
                rec[TsFramingMode] = 3;
                SetSymI16(rec, TsFramingWidth, 0);
            } else if (frameFont != ShortString(rec, TsFontName, false)) {
                SetSymI16(rec, TsFramingWidth, int16_t(SymI16(rec, TsFontSize) / 4));
                rec[TsFramingMode] = 2;
            }
        } else if (mode == 2) {
            SetSymI16(rec, TsFramingWidth, int16_t(LoadLE<uint16_t>(rec.data() + SymOldFramingWidth)));
        }
        rec[TsFramingPad] = 0;
        return true;
    }
    return false;
}

QString TemplateFieldsToString(const SetupRecord& s)
{
    if (s.TemplateMode < 1 || s.TemplateFile.empty())
        return {};
    QString t = DecodeCodePage(TextCodePage, QByteArray::fromStdString(s.TemplateFile))
                + QStringLiteral("\ts1");
    if (s.TemplateMode == 1) {
        const double base = 2540.0 / double(s.TemplateResolution) / s.MapScale;
        t += QStringLiteral("\tx") + QString::number(s.TemplateX / 256);
        t += QStringLiteral("\ty") + QString::number(s.TemplateY / 256);
        t += QStringLiteral("\tu") + FixedDecimals(base * s.TemplateScaleX);
        t += QStringLiteral("\tv") + FixedDecimals(base * s.TemplateScaleY);
        t += QStringLiteral("\ta") + FixedDecimals(s.TemplateAngle / std::numbers::pi * 180.0);
    }
    if (s.TemplatesDimmed)
        t += QStringLiteral("\td50");
    return t;
}

bool OpenMapFile(const QString& name, const QString& docName, bool keepCurrent, bool quiet, const QString& shownName)
{
    const bool wasOpen = Index.MapOpen;
    TZmd* const prev = Index.ActiveZmd;
    QString doc = ExpandMapPath(docName);
    const QString shown = !shownName.isEmpty() ? shownName : doc.isEmpty() ? name : doc;

    if (OpenDocument* d = FindDocument(doc)) {
        SetCurrentMap(d->Zmd.get());
        if (!quiet && !ConfirmOldVersion(d->Zmd->OpenedVersion, doc)) {
            MakeCurrent(prev, wasOpen);
            return false;
        }
        ++d->Zmd->UseCount;
        if (!keepCurrent)
            MakeCurrent(prev, wasOpen);
        return true;
    }

    Hourglass hourglass;
    Opening.WarnSkipsOf = nullptr;
    auto owned = std::make_unique<TZmd>();
    TZmd& z = *owned;
    bool workingCopy = true;
    const auto openCopy = [&] {
        CreateWorkingCopy(z.WorkFile);
        workingCopy = true;
        z.DirectMode = 0;
        z.WorkFile.Seek(0);
        AppendUnlocked(z.WorkFile, name);
    };
    SetCurrentMap(&z);
    try {
        MapFileHeader h;
        {
            MapFileReader f;
            if (!f.Open(name) || !f.ReadHeader(h) || h.Mark != MapFileMark || h.Version < 3 || h.Version > 8) {
                ErrorMsg(TextKey::FormatNotCorr, name + QStringLiteral("\r\n"), FormatNotCorrHelp);
                throw EAbort();
            }
        }
        const int version = h.Version;
        if (version <= 5) {
            if (!quiet && !ConfirmOldVersion(version, name))
                throw EAbort();
            const bool converted = version == 5   ? ConvertVersion5Map(name)
                                   : version == 4 ? ConvertVersion4Map(name)
                                                  : ConvertVersion3Map(name);
            if (!converted)
                throw EAbort();
        } else {
            if (!quiet && !ConfirmOldVersion(version, name))
                throw EAbort();
            if (version == 8 && ProgramConfig.AutoSave && !FileInUse(name)) {
                z.WorkFile.Open(name);
                z.DirectMode = 1;
                workingCopy = false;
            } else if (version == 8
                       && z.WorkFile.OpenDeferred(name, MapHeaderBytes,
                                                  [](TFileClass& f) { CreateWorkingCopy(f); })) {
                // A map that is only looked at is read where it is: the working copy is made
                // by its first change.
                workingCopy = true;
                z.DirectMode = 0;
            } else {
                // An older map, or one another program edits in place: copied at once.
                openCopy();
                if (version < 8) {
                    ConvertOldIndexLengths(z, h);
                    ConvertOldSymbols(z, h);
                    // From here the copy is a version-8 file: no string store, ordinary map.
                    h.Version = CurrentMapVersion;
                    h.FileType = 2;
                    h.StringIndexPos = 0;
                    z.WriteBytesAt(0, WriteMapHeaderBytes(h));
                }
            }
        }

        LoadMap();
        if (z.Skipped.Any())
            z.WorkFile.MakeOwnCopy();
        if (!workingCopy && z.Skipped.Any()) {
            // Some of the file was left out: neither this open nor a save may write over what is left.
            z.WorkFile.Close();
            openCopy();
            LoadMap();
        }
        // What could be read of a damaged map is a new map: it has no file to be saved over.
        if (!quiet && z.Skipped.Any()) {
            doc.clear();
            DropDamagedParts();
        }
        // A converted version-3 or 4 map is saved under a new name, as the question said:
        // its old file (for version 3 the ".elt" with its ".idx" beside it) is never replaced.
        if (!quiet && version <= 4)
            doc.clear();
        z.OpenedVersion = version;
        if (version < 8) {
            const QString t = TemplateFieldsToString(z.Setup);
            if (!t.isEmpty()) {
                const int n = AddPString(t, TemplateType, 0);
                if (n >= 0)
                    z.Templates.AddNumber(t, n);
            }
            z.Setup.TemplateMode = 0;
            z.Header.FileType = 2;
        }
        z.Header.Version = CurrentMapVersion;
        z.Header.SubVersion = uint16_t(std::max(MinorVersion, 0));
        z.Header.FileType = uint16_t((z.Header.FileType & 3) | 2);
        if (quiet && workingCopy)
            z.Header.FileType |= BackgroundCopyFlag;
        z.Header.SetupSize = std::min<int32_t>(z.Header.SetupSize, int32_t(SetupRecordBytes));
        z.Setup.MapPath = FittedMapPath(doc);
        if (z.Header.SetupPos < VariablePartPos || z.Header.SetupSize < int32_t(SetupRecordBytes)) {
            z.Header.SetupPos = int32_t(z.WorkFile.Size());
            z.Header.SetupSize = int32_t(SetupRecordBytes);
        }
        {
            const HeldWrites bookkeeping(z.WorkFile);
            z.WriteHeader();
            z.WriteBytesAt(z.Header.SetupPos, WriteSetupBytes(z.Setup));
        }
        // The copy of a damaged map is kept only by saving it.
        z.Modified = doc.isEmpty() ? 1 : 0;
    } catch (...) {
        ReleaseWorkFile(z, workingCopy && z.WorkFile.IsOpen());
        owned.reset();
        MakeCurrent(prev, wasOpen);
        // Only the abort is an expected failure; anything else is a bug for the event guard.
        try {
            throw;
        } catch (const EAbort&) {
            return false;
        }
    }
    if (!quiet) {
        Opening.WarnSkipsOf = &z;
        Opening.WarnSkipsName = shown;
    }
    Opening.OpenDocuments.push_back(OpenDocument{doc, std::move(owned), workingCopy});
    Index.MapOpen = wasOpen;
    if (!keepCurrent)
        MakeCurrent(prev, wasOpen);
    return true;
}

bool AfterOpenSetup(const QString& name)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    // Getting the program ready for the map is no change of it, whatever it writes.
    KeepChangedFlag unchanged(z);
    try {
        z->Header.FileType &= 3;
        z->WriteHeader();
        if (z->SymbolCount() > 0)
            SetCurrentSymbolPos(std::clamp<int>(z->Setup.CurrentSymbolIndex, 0, z->SymbolCount() - 1));
        else
            z->Setup.CurrentSymbolIndex = 0;
        ClearSelection();
        Index.EditCopyKept = false;
        Index.MapOpen = true;
        z->CurrentCourse = -1;
        if (z->CourseMap)
            z->CoursesExist = z->Courses.Count() > 0;
        DocumentPorts().AfterOpen(*z);
        // The user sees the map behind whatever is asked about it. Its templates are drawn
        // once loaded: a paint would switch off one not found before the user is asked.
        struct Asked {
            TZmd& z;
            bool templatesHidden;
            ~Asked()
            {
                z.Setup.TemplatesHidden = templatesHidden;
                DocumentPorts().PaintWindows(z, false);
            }
        } asked{*z, z->Setup.TemplatesHidden};
        z->Setup.TemplatesHidden = true;
        DocumentPorts().PaintWindows(*z, true);
        if (Opening.WarnSkipsOf == z) {
            Opening.WarnSkipsOf = nullptr;
            WarnLoadSkips(*z, Opening.WarnSkipsName);
        }
        // Templates found and face names mended change the picture: painted again then.
        const std::vector<SymbolBytes> symbols = z->Symbols;
        LoadMapTemplates();
        z->Setup.TemplatesHidden = asked.templatesHidden;
        DocumentPorts().CheckFonts(0, z->SymbolCount() - 1);
        if (z->Templates.Count() > 0 || z->Symbols != symbols)
            DocumentPorts().AfterOpen(*z);
        if (z->CourseMap)
            CheckCourseMap();
        PrepareCoursePanel();
        if (ProgramConfig.GpsEnabled)
            DocumentPorts().StartGpsPort();
        if (!name.isEmpty())
            RemoveRecentFile(name);
        return true;
    } catch (const EAbort&) {
        Index.MapOpen = false;
        return false;
    } catch (...) {
        Index.MapOpen = false;
        throw;
    }
}

QString DamagedCopyCaption(const QString& damagedFile)
{
    return MergeMsgParams(Text(TextKey::DamagedMapCopy), damagedFile);
}

bool OpenMapByName(const QString& name)
{
    if (name.isEmpty() || !QFileInfo(name).isFile()) {
        ErrorMsg(TextKey::FileNotFound, QStringLiteral("\r\n") + name, FileNotFoundHelp);
        return false;
    }
    const QString longName = GetLongFileName(QFileInfo(name).absoluteFilePath());
    DocumentPortSet& windows = DocumentPorts();
    if (OpenDocument* d = FindDocument(longName)) {
        // Without a window system an open map only becomes current again.
        if (windows.RaiseWindow(*d->Zmd)) {
            MakeCurrent(d->Zmd.get(), true);
            return true;
        }
    }
    windows.LeaveCurrentWindow();
    if (!OpenMapFile(longName, longName, true, false))
        return false;
    TZmd* z = Index.ActiveZmd;
    // A converted version-3 or 4 map shows the name of its old file; an untitled map here is
    // otherwise what could be read of a damaged one.
    const bool damagedCopy = DocumentPath(z).isEmpty() && z->OpenedVersion > 4;
    if (!windows.CreateWindow(*z, damagedCopy ? DamagedCopyCaption(longName) : longName)) {
        CloseDocument(z);
        return false;
    }
    if (!AfterOpenSetup(longName)) {
        windows.CloseWindows(*z);
        CloseDocument(z);
        return false;
    }
    ProgramConfig.MapFolder = ExtractFileDir(longName);
    return true;
}

bool OpenMapDialog()
{
    QString fileName = GetMapFolder() + QStringLiteral("/*.zmd");
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|")
                           + Text(TextKey::Zemo3Files) + QStringLiteral(" (*.elt)|*.elt|")
                           + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    if (!ExecOpenDialog(Text(TextKey::OpenMapFile), filter, QStringLiteral("zmd"), OpenDialogHelp,
                        fileName))
        return false;
    return OpenMapByName(fileName);
}

bool OpenRecentMap(int n)
{
    if (n < 1 || n > 5 || ProgramConfig.RecentFiles[size_t(n - 1)].isEmpty())
        return false;
    return OpenMapByName(ProgramConfig.RecentFiles[size_t(n - 1)]);
}

// ---- Recovery ----

namespace {

// A working copy the user chose to recover, still locked and not yet read.
struct Recovered {
    std::unique_ptr<TZmd> Zmd;
    QString MapPath;
    QString Shown;
};

// Opens one chosen copy with its window. Returns nothing: a copy that cannot be read stays in
// the folder for another try.
void OpenRecovered(Recovered& r)
{
    TZmd& z = *r.Zmd;
    QString mapPath = r.MapPath;
    DocumentPorts().LeaveCurrentWindow();
    TZmd* const prev = Index.ActiveZmd;
    const bool wasOpen = Index.MapOpen;
    SetCurrentMap(&z);
    try {
        LoadMap();
    } catch (...) {
        ReleaseWorkFile(z, false);
        r.Zmd.reset();
        MakeCurrent(prev, wasOpen);
        try {
            throw;
        } catch (const EAbort&) {
            return;
        }
    }
    Opening.WarnSkipsOf = &z;
    Opening.WarnSkipsName = r.Shown;
    // The remains of a damaged copy must not be saved over the map it was made from.
    const QString damagedFrom = z.Skipped.Any() ? mapPath : QString();
    if (z.Skipped.Any()) {
        z.Setup.MapPath.clear();
        mapPath.clear();
        try {
            DropDamagedParts();
        } catch (const EAbort&) {
            // Reported by the file object; the copy opens as it was read.
        }
    }
    Opening.OpenDocuments.push_back(OpenDocument{mapPath, std::move(r.Zmd), true});
    DocumentPortSet& windows = DocumentPorts();
    const QString caption = !damagedFrom.isEmpty() ? DamagedCopyCaption(damagedFrom)
                            : mapPath.isEmpty()    ? Text(TextKey::Untitled)
                                                   : mapPath;
    if (!windows.CreateWindow(z, caption)) {
        CloseDocument(&z);
        return;
    }
    z.Modified = 1;
    if (!AfterOpenSetup(mapPath)) {
        windows.CloseWindows(z);
        // The copy is kept: closing would delete it.
        if (OpenDocument* d = DocumentOf(&z))
            d->WorkingCopy = false;
        CloseDocument(&z);
    }
}

} // namespace

void RecoverWorkingCopies()
{
    const QDir dir(StateFolder());
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("temp*.~md")},
                                                  QDir::Files | QDir::Hidden | QDir::System,
                                                  QDir::Name);
    // Every question comes before any recovered map gets its window: while a question is up,
    // no window of a recovered map paints, scrolls, activates or starts a tool.
    std::vector<Recovered> chosen;
    for (const QFileInfo& fi : files) {
        if (fi.isSymLink() || !fi.isFile())
            continue;
        const QString path = fi.absoluteFilePath();
        // A copy another running instance works in.
        if (LockedByOther(path))
            continue;
        auto owned = std::make_unique<TZmd>();
        TZmd& z = *owned;
        if (!z.WorkFile.OpenChecked(path)) {
            if (!LockedByOther(path))
                QFile::remove(path);
            continue;
        }
        SetupRecord setup;
        bool candidate = false;
        try {
            const int64_t size = z.WorkFile.Size();
            std::array<uint8_t, MapHeaderBytes> head{};
            if (size >= MapHeaderBytes) {
                z.ReadBytesAt(0, head);
                const MapFileHeader h = ReadMapHeaderBytes(head);
                candidate = h.Mark == MapFileMark && h.Version == 8
                            && (h.FileType == 2 || h.FileType == 3) && h.SetupPos > 0
                            && h.SetupSize > 0 && size >= int64_t(h.SetupPos) + h.SetupSize;
                if (candidate) {
                    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<int32_t>(h.SetupSize, int32_t(SetupRecordBytes))));
                    z.ReadBytesAt(h.SetupPos, bytes);
                    setup = ReadSetupBytes(bytes);
                }
            }
        } catch (const EAbort&) {
            candidate = false;
        }
        if (!candidate) {
            ReleaseWorkFile(z, true);
            continue;
        }
        const QString mapPath = DecodeCodePage(TextCodePage, QByteArray::fromStdString(setup.MapPath));
        const QString shown = mapPath.isEmpty() ? Text(TextKey::Untitled) : ExtractFileName(mapPath);
        // Cancel deletes the copy: Enter must recover the work.
        if (OkCancelMsg(TextKey::SessionAborted, shown, SessionAbortedHelp, IdOk) != IdOk) {
            ReleaseWorkFile(z, true);
            continue;
        }
        chosen.push_back(Recovered{std::move(owned), mapPath, shown});
    }
    for (Recovered& r : chosen)
        OpenRecovered(r);
}

// ---- Saving and closing ----

bool ReplaceFileWithCopy(TFileClass& source, const QString& target)
{
    TReplacingFile out;
    if (!source.IsOpen()) {
        ErrorMsg(TextKey::CannotWrite, target);
        return false;
    }
    try {
        source.MakeOwnCopy();
        source.Flush();
    } catch (const EAbort&) {
        return false;
    }
    return out.Begin(target) && out.AppendFrom(source.Handle(), source.Size()) && out.Commit();
}

bool SaveMap(bool saveAs)
{
    TZmd* const zp = Index.ActiveZmd;
    OpenDocument* d = DocumentOf(zp);
    if (!zp || !d || !Index.MapOpen)
        return false;
    TZmd& z = *zp;
    const QString oldPath = d->Name;
    // Course-setting maps are not offered the older versions.
    const bool olderVersions = !z.CourseMap;
    QString fileName = oldPath.isEmpty() ? GetMapFolder() + QStringLiteral("/*.zmd") : oldPath;
    int entry = 1;
    const auto askName = [&] {
        QString filter = Text(TextKey::Zemo8map) + QStringLiteral(" (*.zmd)|*.zmd|");
        if (olderVersions)
            filter += Text(TextKey::Zemo7Map) + QStringLiteral(" (*.zmd)|*.zmd|") + Text(TextKey::Zemo6Map)
                      + QStringLiteral(" (*.zmd)|*.zmd|");
        filter += Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
        return ExecSaveDialog(Text(TextKey::SaveAs), filter, QStringLiteral("zmd"), SaveDialogHelp, fileName, entry);
    };
    // The name comes first: a save cancelled in its dialog has written nothing.
    const bool named = saveAs || oldPath.isEmpty();
    if (named && !askName())
        return false;
    try {
        // What the course panel holds goes with the map; what a preview shows does not.
        StoreCsObjectProps();
        const CoursePreviewPause pause;
        // The setup and the reader's repairs go into the file only with the save: a save that
        // does not happen leaves the map's changed flag as it was.
        const uint8_t wasModified = z.Modified;
        const auto notSaved = [&] {
            z.Modified = wasModified;
            return false;
        };
        WriteSetup();
        // What the reader set right goes into the file with the first save.
        if (z.Repaired.Colors) {
            z.WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(z.ColorBlock));
            z.Repaired.Colors = false;
        }
        if (saveAs && !oldPath.isEmpty())
            AddRecentFile(oldPath);
        if (!named) {
            // Edited in place: the working file is the map; nothing to copy, and its own
            // lock is no reason to ask for another name.
            if (WorksInPlace(z, oldPath)) {
                z.WorkFile.Flush();
                z.Modified = 0;
                return true;
            }
            if (!FileInUse(oldPath)) {
                const bool ok = ReplaceFileWithCopy(z.WorkFile, oldPath);
                if (ok)
                    z.Modified = 0;
                return ok || notSaved();
            }
            if (!askName())
                return notSaved();
        }
        // The entries of the older versions; any other one (all files too) saves the current.
        const int version = olderVersions && entry == 2 ? 7 : olderVersions && entry == 3 ? 6 : CurrentMapVersion;
        const QString newName = GetLongFileName(QFileInfo(fileName).absoluteFilePath());
        const bool inPlace = WorksInPlace(z, newName);
        // Never replace a map that another document or program works in.
        if (!inPlace && (FileInUse(newName) || (FindDocument(newName) && FindDocument(newName) != d))) {
            ErrorMsg(TextKey::CannotWrite, newName);
            return notSaved();
        }
        if (version != CurrentMapVersion) {
            // The older file is written from a clone; the map, which can no longer be saved as
            // it is now, closes once that file is there.
            if (!SaveOldVersion(version, newName))
                return notSaved();
            ProgramConfig.MapFolder = ExtractFileDir(newName);
            AddRecentFile(newName);
            z.Modified = 0;
            DocumentPorts().CloseWindows(z);
            CloseDocument(&z);
            return true;
        }
        const QString oldFolder = oldPath.isEmpty() ? QString() : ExtractFileDir(oldPath);
        if (oldFolder != ExtractFileDir(newName))
            RebaseTemplatePaths(z, oldFolder);

        const std::string oldMapPath = z.Setup.MapPath;
        z.Setup.MapPath = FittedMapPath(newName);
        WriteSetup();
        if (!inPlace && !ReplaceFileWithCopy(z.WorkFile, newName)) {
            z.Setup.MapPath = oldMapPath;
            WriteSetup();
            return notSaved();
        }

        ProgramConfig.MapFolder = ExtractFileDir(newName);
        d->Name = newName;
        // With AutoSave, and whenever the old map file itself was the working file, the
        // new file becomes the working file; a working copy left behind would be offered
        // as a crash at the next start.
        if (!inPlace && (ProgramConfig.AutoSave || !d->WorkingCopy)) {
            const QString oldWork = z.WorkFile.FileName();
            z.WorkFile.Close();
            try {
                z.WorkFile.Open(newName);
                if (d->WorkingCopy)
                    QFile::remove(oldWork);
                d->WorkingCopy = false;
                z.DirectMode = 1;
            } catch (const EAbort&) {
                z.WorkFile.Open(oldWork);
            }
        }
        WriteSetup();
        z.WorkFile.Flush();
        z.Modified = 0;
        DocumentPorts().SetCaption(z, newName);
        return true;
    } catch (const EAbort&) {
        return false;
    }
}

bool EnsureMapSaved()
{
    if (!DocumentPath(Index.ActiveZmd).isEmpty())
        return true;
    if (OkCancelMsg(TextKey::SaveUntitled, {}, 0) != IdOk)
        return false;
    return SaveMap(true);
}

void CloseDocument(TZmd* zmd)
{
    auto it = EntryOf(zmd);
    if (!zmd || it == Opening.OpenDocuments.end())
        return;
    if (--zmd->UseCount > 0)
        return;
    const bool active = Index.ActiveZmd == zmd;
    ReleaseWorkFile(*zmd, it->WorkingCopy);
    Opening.OpenDocuments.erase(it);
    if (active) {
        MakeCurrent(nullptr, false);
        // Without document windows nothing else makes another map current.
        if (!DocumentPorts().CreateWindow.Bound() && !Opening.OpenDocuments.empty())
            MakeCurrent(Opening.OpenDocuments.back().Zmd.get(), true);
    }
}

void CloseMapFile(const QString& name)
{
    if (OpenDocument* d = FindDocument(name))
        CloseDocument(d->Zmd.get());
}

void CloseAllDocuments()
{
    for (OpenDocument& d : Opening.OpenDocuments)
        ReleaseWorkFile(*d.Zmd, d.WorkingCopy);
    MakeCurrent(nullptr, false);
    Opening.OpenDocuments.clear();
}

void KeepWorkingCopies()
{
    for (OpenDocument& d : Opening.OpenDocuments) {
        try {
            // A view kept only in memory is written out too, for the next start to recover.
            if (d.Zmd->Modified)
                d.Zmd->WorkFile.MakeOwnCopy();
            d.Zmd->WorkFile.Flush();
        } catch (const EAbort&) {
            continue;  // not all of it is on disk: its close still asks
        }
        // A map edited in place has its edits in its own file already.
        d.WorkingCopy = false;
        d.Zmd->Modified = 0;
    }
}

bool FlushWorkFiles()
{
    bool all = true;
    for (OpenDocument& d : Opening.OpenDocuments)
        try {
            d.Zmd->WorkFile.Flush();
        } catch (const EAbort&) {
            all = false;
        }
    return all;
}

// ---- Colours and symbols from another map ----

namespace {

// The other map's header; false (after the message) when it is not a map of version 6 to 8.
bool OpenOtherMap(MapFileReader& f, const QString& name, MapFileHeader& h, TextKey notMap, int help)
{
    if (!f.Open(name) || !f.ReadHeader(h) || h.Mark != MapFileMark || h.Version < 6 || h.Version > 8) {
        ErrorMsg(notMap, name, help);
        return false;
    }
    return true;
}

SymbolHeaderBlock ReadColorBlockOf(const MapFileReader& f)
{
    const int64_t n = std::clamp<int64_t>(f.Size() - SymbolHeaderBlockPos, 0, SymbolHeaderBlockBytes);
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    if (n > 0 && !f.ReadAt(SymbolHeaderBlockPos, bytes.data(), n))
        throw EAbort();
    SymbolHeaderBlock b = ReadSymbolHeaderBytes(bytes);
    // Counts read from the file are checked before anything walks the tables.
    CheckSymbolHeader(b);
    return b;
}

bool PickOtherMap(int help, QString& name)
{
    name = GetMapFolder() + QStringLiteral("/*.zmd");
    const QString filter = Text(TextKey::MapFiles) + QStringLiteral(" (*.zmd)|*.zmd|")
                           + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
    return ExecOpenDialog(Text(TextKey::OpenMapFile), filter, QStringLiteral("zmd"), help, name);
}

void ResetCurrentSymbolPointers(TZmd& z)
{
    SymbolBytes* first = z.SymbolCount() > 0 ? &z.Symbols[0] : &Index.DefaultSymbol;
    Index.CurSymbol = first;
    Index.DrawSymbol = first;
}

} // namespace

bool LoadColorsFromFile(const QString& name)
{
    TZmd* z = Index.ActiveZmd;
    if (!z)
        return false;
    try {
        MapFileReader f;
        MapFileHeader h;
        if (!OpenOtherMap(f, name, h, TextKey::NotZ6Map, ColorsHelp))
            return false;
        z->ColorBlock = ReadColorBlockOf(f);
        z->WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(z->ColorBlock));
        BuildSymbolTable();
        z->Modified = 1;
    } catch (const EAbort&) {
        return false;
    }
    DocumentPorts().SymbolsChanged();
    return true;
}

void LoadColorsFromMap()
{
    if (!Index.ActiveZmd || OkCancelMsg(TextKey::ColorsDeleted, {}, ColorsHelp) != IdOk)
        return;
    QString name;
    if (PickOtherMap(ColorsHelp, name))
        LoadColorsFromFile(name);
}

bool LoadSymbolFile(const QString& name)
{
    TZmd* zp = Index.ActiveZmd;
    if (!zp)
        return false;
    TZmd& z = *zp;
    try {
        MapFileReader f;
        MapFileHeader h;
        if (!OpenOtherMap(f, name, h, TextKey::NotZEMO6Format, NotZemo6Help))
            return false;
        const int64_t size = f.Size();
        z.NumberTable.fill(-1);
        z.ColorBlock = ReadColorBlockOf(f);
        z.WriteBytesAt(SymbolHeaderBlockPos, WriteSymbolHeaderBytes(z.ColorBlock));
        z.FreeSymbols();
        ResetCurrentSymbolPointers(z);

        std::vector<uint8_t> block(SymbolIndexBlockBytes);
        std::unordered_set<int64_t> visited;
        int64_t pos = h.SymbolIndexPos;
        while (pos > 0 && z.SymbolCount() < MaxSymbols && InVariablePart(pos, SymbolIndexBlockBytes, size)
               && visited.insert(pos).second) {
            if (!f.ReadAt(pos, block.data(), SymbolIndexBlockBytes))
                throw EAbort();
            for (size_t slot = 0; slot < SlotsPerIndexBlock && z.SymbolCount() < MaxSymbols; ++slot) {
                const int32_t at = LoadLE<int32_t>(block.data() + 4 + slot * 4);
                if (at <= 0 || !InVariablePart(at, SymbolHeadBytes, size))
                    continue;
                std::array<uint8_t, 2> sizeWord{};
                if (!f.ReadAt(at, sizeWord.data(), 2))
                    throw EAbort();
                const int16_t recSize = LoadLE<int16_t>(sizeWord.data());
                if (recSize < MinSymbolBytes || recSize > MaxSymbolBytes || !InVariablePart(at, recSize, size))
                    continue;
                SymbolBytes rec(static_cast<size_t>(recSize));
                if (!f.ReadAt(at, rec.data(), recSize))
                    throw EAbort();
                // The framing of older versions is converted before the record is repaired.
                if (h.Version < 8)
                    ConvertOldSymbolFraming(rec);
                SetSymU8(rec, SymSelected, 0);
                NormalizeSymbol(rec);
                z.AddNewSymbol(rec);
            }
            pos = LoadLE<int32_t>(block.data());
        }
        BuildSymbolTable();
        ResetCurrentSymbolPointers(z);
        if (z.SymbolCount() > 0)
            SetCurrentSymbolPos(0);
        z.WriteSymbolIndex();
        z.Modified = 1;
        return true;
    } catch (const EAbort&) {
        ResetCurrentSymbolPointers(z);
        return false;
    }
}

void LoadSymbolsFromMap()
{
    if (!Index.ActiveZmd || OkCancelMsg(TextKey::SymbolsDeleted, {}, SymbolsHelp) != IdOk)
        return;
    QString name;
    if (!PickOtherMap(SymbolsHelp, name) || !LoadSymbolFile(name))
        return;
    DocumentPorts().CheckFonts(0, Index.ActiveZmd->SymbolCount() - 1);
    SetCurrentSymbolPos(0);
    UpdateObjectsOfSymbols(1, 9999);
    Index.ActiveZmd->Modified = 1;
    DocumentPorts().SymbolsChanged();
}

} // namespace zemo
