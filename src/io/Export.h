// The road every File > Export command takes: the exporter's own dialog first, then the
// hidden-symbol question, the save dialog with a proposed name in the remembered export
// folder, the extent, and the writer. The vector writers (EPS, Illustrator) draw the map
// through the output layer in a text mode; the raster writers take the rows the raster road
// renders (ExpRaster.h).
//
// Every writer writes into an ExportFile: a new file beside its target that takes the
// target's name only when the export ended well. Esc, Cancel or a failure leave no file of
// ours behind and an older file of that name as it was.
#pragma once

#include "core/Cord.h"
#include "core/LangTexts.h"
#include "document/FileReplace.h"
#include "render/GraphSys.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <span>

namespace zemo {

// One row of the table of export commands: what the save dialog shows and proposes.
struct ExportFormat {
    QString Extension;       // the proposed name's extension, with its dot (".eps")
    TextKey Title = TextKey::Count;
    QString FixedTitle;      // when Title is TextKey::Count
    TextKey FilterText = TextKey::Count;
    QString FilterPattern;   // " (*.eps)|*.eps|": appended to the filter text
    QString DefaultExt;      // without the dot
    int HelpContext = 0;
};

// The save dialogs of the export commands that take the common road.
enum class ExportKind { Dxf, Gif, Bmp, Jpeg, Tiff, Svg, Shape, Kiv };
const ExportFormat& ExportFormatOf(ExportKind kind);

// The save dialog's filter: the format's text and pattern, then every file.
QString ExportFilter(const ExportFormat& f);
QString ExportTitle(const ExportFormat& f);

// After the exporter's own dialog: the hidden-symbol question, the proposed name (GetExportFileName
// with the format's extension, or `proposed` when it is not empty), the save dialog and the
// remembered export folder. False when the user declined anywhere; `fileName` then holds
// nothing useful.
bool AskExportFileName(const ExportFormat& f, QString& fileName, const QString& proposed = {});

// The extent of an export: the setup's partial rectangle, or the whole map (its objects and
// shown templates). False when there is nothing to export.
bool ExportExtent(bool partial, CordRect& r);

// A name part made safe for a file name: "/", "\" and control characters become "_".
QString SafeFileNamePart(const QString& name);
// A text made safe for a one-line comment: control characters become blanks.
QString SafeCommentText(const QString& text);

// The file an export writes. Begin makes a new file in the target's folder; Commit renames it
// over the target; anything else (Abandon, or the object's end) deletes it. A write that fails
// is reported once (CannotWrite with the target's name) and raises the silent abort, so that
// the writer stops there.
class ExportFile final : public OutputSink {
public:
    ExportFile() = default;
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    bool Begin(const QString& target) { return file_.Begin(target); }
    void Write(QByteArrayView bytes) override;
    void Write(std::span<const uint8_t> bytes);
    void WriteAt(int64_t pos, std::span<const uint8_t> bytes);
    // A line of text and CR LF.
    void WriteLine(QByteArrayView line);
    int64_t Size() const { return file_.Size(); }
    bool Failed() const { return file_.Failed(); }
    const QString& Target() const { return file_.Target(); }

    bool Commit() { return file_.Commit(); }
    void Abandon() { file_.Abandon(); }

private:
    TReplacingFile file_;
};

// The output layer's transform, clip and mode as they were, put back when this ends: an export
// sets its own for the run and the screen finds its own again.
class SavedOutputState {
public:
    SavedOutputState();
    ~SavedOutputState();
    SavedOutputState(const SavedOutputState&) = delete;
    SavedOutputState& operator=(const SavedOutputState&) = delete;

private:
    int mode_;
    int colorMode_;
    uint32_t separations_;
    int lineWidth_;
    int intensity_;
    bool hatched_;
    CordRect clip_;
    CordRect drawRect_;
    Cord origin_;
    double scaleX_;
    double scaleY_;
    int flatten_;
    OutputSink* file_;
    Device* dc_;
    bool passThrough_;
    int currentColor_;
    uint32_t cmyk_;
};

// Esc looked for between two steps of an export. The pump lets the windows' own events through,
// and a map window laid out anew sets the view's transform and the output layer's mode: the
// export's output state is put back after it.
void PollExportEscape();

// The status line's progress display for the run of an export (caption and count message as
// StartProgress takes them), ended on every way out.
class ScopedProgress {
public:
    ScopedProgress(TextKey caption, TextKey countMessage, int total, int step);
    ~ScopedProgress();
    ScopedProgress(const ScopedProgress&) = delete;
    ScopedProgress& operator=(const ScopedProgress&) = delete;
};

// The objects an export leaves out because the map holds no symbol of their number (a record
// the open refused), by symbol; said once when the file is written.
class MissingSymbols {
public:
    void Add(int symbolWord) { ++counts_[symbolWord]; }
    bool Empty() const { return counts_.empty(); }
    // A warning naming the file, each symbol and the number of its objects left out; `why`
    // says why they were left out.
    void Report(const QString& fileName, TextKey why = TextKey::ExportLeftOutSymbols) const;

private:
    std::map<int, int> counts_;
};

// File > Export > PDF: there is no PDF writer; the command does nothing.
void ExportPdf();

// The shown map templates of the current map, each opened, drawn with its dim and closed, the
// current map restored after each: from the last to the first (screen, EPS) or in list order.
void DrawShownMapTemplates(bool lastFirst, const std::function<void(int dim)>& draw);

// The drawing of a vector export that writes area patterns: the used symbols marked and the
// pattern names cleared at the start; drawing ended and the marks cleared however it ends.
class PatternExportDrawing {
public:
    PatternExportDrawing();
    ~PatternExportDrawing();
    PatternExportDrawing(const PatternExportDrawing&) = delete;
    PatternExportDrawing& operator=(const PatternExportDrawing&) = delete;
};

} // namespace zemo
