#include "io/Export.h"

#include "core/Errors.h"
#include "core/FileDialogs.h"
#include "core/Numeric.h"
#include "core/Status.h"
#include "core/Folders.h"
#include "core/Messages.h"
#include "core/StringX.h"
#include "document/Index.h"
#include "document/Open.h"
#include "document/Ports.h"
#include "document/ServiceHooks.h"
#include "edit/Work.h"
#include "render/Areas.h"
#include "render/GraphSys.h"
#include "render/Scale.h"
#include "symbols/SymbolMenu.h"

#include <QFileInfo>

namespace zemo {

const ExportFormat& ExportFormatOf(ExportKind kind)
{
    static const ExportFormat formats[] = {
        {QStringLiteral(".dxf"), TextKey::ExportDXF, {}, TextKey::DxfFiles, QStringLiteral(" (*.dxf)|*.dxf|"),
         QStringLiteral("dxf"), 46},
        {QStringLiteral(".gif"), TextKey::ExportGif, {}, TextKey::GifFiles, QStringLiteral("(*.gif)|*.gif|"),
         QStringLiteral("gif"), 0},
        {QStringLiteral(".bmp"), TextKey::ExportBMP, {}, TextKey::BmpFiles, QStringLiteral("(*.bmp)|*.bmp|"),
         QStringLiteral("bmp"), 25},
        {QStringLiteral(".jpg"), TextKey::ExportJpg, {}, TextKey::JpgFiles, QStringLiteral(" (*.jpg)|*.jpg|"),
         QStringLiteral("jpg"), 0},
        {QStringLiteral(".tif"), TextKey::ExportTiff, {}, TextKey::TiffFiles,
         QStringLiteral(" (*.tif;*.tiff)|*.tif;*.tiff|"), QStringLiteral("tif"), 0},
        {QStringLiteral(".svg"), TextKey::Count, QStringLiteral("Export to SVG file"), TextKey::Count,
         QStringLiteral("SVG files(*.svg)|*.svg|"), QStringLiteral("svg"), 0},
        // The shape-file export appends its suffix by object type ("_pt.shp", ...) itself.
        {QStringLiteral(".shp"), TextKey::ExportShape, {}, TextKey::ShapeFiles, QStringLiteral(" (*.shp)|*.shp|"),
         QStringLiteral("shp"), 0},
        {QStringLiteral(".html"), TextKey::ExportKiv, {}, TextKey::HtmlFiles,
         QStringLiteral(" (*.htm;*.html)|*.htm;*.html|"), QStringLiteral("html"), 0},
    };
    return formats[static_cast<int>(kind)];
}

QString ExportFilter(const ExportFormat& f)
{
    QString filter;
    if (f.FilterText != TextKey::Count)
        filter = Text(f.FilterText);
    return filter + f.FilterPattern + Text(TextKey::AllFiles) + QStringLiteral(" (*.*)|*.*");
}

QString ExportTitle(const ExportFormat& f)
{
    return f.Title == TextKey::Count ? f.FixedTitle : Text(f.Title);
}

bool AskExportFileName(const ExportFormat& f, QString& fileName, const QString& proposed)
{
    if (!ConfirmHiddenSymbols())
        return false;
    fileName = proposed.isEmpty() ? GetExportFileName(f.Extension) : proposed;
    if (!ExecSaveDialog(ExportTitle(f), ExportFilter(f), f.DefaultExt, f.HelpContext, fileName))
        return false;
    SetExportFolder(fileName);
    return true;
}

bool ExportExtent(bool partial, CordRect& r)
{
    if (partial) {
        const SetupRecord* s = Stp();
        if (!s)
            return false;
        r = s->PrintRange;
        NormalizeRect(r);
        return r.x2 > r.x1 && r.y2 > r.y1;
    }
    return GetFullExtent(r);
}

QString SafeFileNamePart(const QString& name)
{
    QString out = name;
    for (QChar& c : out)
        if (c == u'/' || c == u'\\' || c.unicode() < 32 || c.unicode() == 127)
            c = u'_';
    // A name of dots alone would climb out of the folder.
    if (!out.isEmpty() && out.count(u'.') == out.size())
        out.fill(u'_');
    return out;
}

QString SafeCommentText(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 32 || c.unicode() == 127)
            c = u' ';
    return out;
}

// ---- ExportFile ----

void ExportFile::Write(QByteArrayView bytes)
{
    Write(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size())));
}

void ExportFile::Write(std::span<const uint8_t> bytes)
{
    if (!file_.Append(bytes))
        throw EAbort();
}

void ExportFile::WriteAt(int64_t pos, std::span<const uint8_t> bytes)
{
    if (!file_.WriteAt(pos, bytes))
        throw EAbort();
}

void ExportFile::WriteLine(QByteArrayView line)
{
    Write(line);
    Write(QByteArrayView("\r\n"));
}

// ---- SavedOutputState ----

SavedOutputState::SavedOutputState()
    : mode_(Graph.OutputMode), colorMode_(Graph.OutputColorMode),
      separations_(Graph.OutputSeparations), lineWidth_(Graph.LineWidthCorrection),
      intensity_(Graph.OutputIntensity), hatched_(Graph.HatchedAreas), clip_(Graph.ClipRect),
      drawRect_(Scale.DrawRect), origin_(Scale.ViewOrigin), scaleX_(Scale.ViewScaleX),
      scaleY_(Scale.ViewScaleY), flatten_(Scale.FlattenTolerance), file_(Graph.OutputFile),
      dc_(Graph.OutputDC), passThrough_(Graph.PsPassThrough), currentColor_(Graph.CurrentColor),
      cmyk_(Graph.OutputCmyk)
{
}

SavedOutputState::~SavedOutputState()
{
    Graph.OutputMode = mode_;
    Graph.OutputColorMode = colorMode_;
    Graph.OutputSeparations = separations_;
    Graph.LineWidthCorrection = lineWidth_;
    Graph.OutputIntensity = intensity_;
    Graph.HatchedAreas = hatched_;
    Graph.ClipRect = clip_;
    Scale.DrawRect = drawRect_;
    Scale.ViewOrigin = origin_;
    Scale.ViewScaleX = scaleX_;
    Scale.ViewScaleY = scaleY_;
    Scale.FlattenTolerance = flatten_;
    Graph.OutputFile = file_;
    Graph.OutputDC = dc_;
    Graph.PsPassThrough = passThrough_;
    Graph.CurrentColor = currentColor_;
    Graph.OutputCmyk = cmyk_;
}

void PollExportEscape()
{
    SavedOutputState keep;
    PollEscape();
}

// ---- ScopedProgress ----

ScopedProgress::ScopedProgress(TextKey caption, TextKey countMessage, int total, int step)
{
    StartProgress(caption, countMessage, total, step, true);
}

ScopedProgress::~ScopedProgress()
{
    EndProgress();
}

void MissingSymbols::Report(const QString& fileName, TextKey why) const
{
    if (counts_.empty())
        return;
    ShownMessage m;
    m.kind = MsgKind::Warning;
    m.key = why;
    m.params = QFileInfo(fileName).fileName();
    m.label = QStringLiteral(";");
    for (const auto& [word, n] : counts_)
        m.label += QStringLiteral("\r\n") + Text(TextKey::Symbol) + u' ' + FloatToTrimStr(0, 1, word / 10.0)
                   + QStringLiteral(": ") + QString::number(n);
    ShowMsg(m);
}

void ExportPdf() {}

void DrawShownMapTemplates(bool lastFirst, const std::function<void(int dim)>& draw)
{
    TZmd* own = Index.ActiveZmd;
    const bool ownOpen = Index.MapOpen;
    const int count = own->Templates.Count();
    for (int k = 0; k < count && !AbortRequested; ++k) {
        const int i = lastFirst ? count - 1 - k : k;
        QString full;
        int dim = 0;
        if (!DocumentPorts().ActiveZmdTemp(i, full, dim))
            continue;
        // The current map comes back after each, also when drawing fails.
        const auto restore = [&] {
            SetCurrentMap(own);
            Index.MapOpen = ownOpen;
            CloseMapFile(full);
        };
        if (OpenMapFile(full, full, true, true)) {
            try {
                draw(dim);
            } catch (...) {
                restore();
                throw;
            }
        }
        restore();
    }
}

PatternExportDrawing::PatternExportDrawing()
{
    BeginDrawing(false);
    ExportPatternNames.Names.clear();
    ExportPatternNames.Separation = -1;
    MarkUsedSymbols();
}

PatternExportDrawing::~PatternExportDrawing()
{
    EndDrawing();
    ClearUsedSymbolMarks();
}

} // namespace zemo
