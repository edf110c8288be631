// The status line, the progress display of long operations, Esc abort and the list of
// recently used map files.
//
// The four panels and the progress box belong to the main window; this unit decides what
// they show and talks to them through StatusDisplay (the Qt status bar in the program, a
// recorder in tests). Nothing here needs a display.
#pragma once

#include "core/LangTexts.h"
#include "core/StringX.h"

#include <QString>

#include <array>
#include <vector>

namespace zemo {

enum class StatusPanel : int {
    Left = 0,   // operation texts, symbol of the object under work
    Center = 1, // pointer coordinates or GPS position; holds the progress box
    Zoom = 2,   // zoom factor
    Right = 3,  // current symbol, hints, abort hint
};
inline constexpr int StatusPanelCount = 4;
// Fixed widths of the first three panels; the right one takes the rest.
inline constexpr std::array<int, 3> StatusPanelWidths{216, 169, 48};

class StatusDisplay {
public:
    virtual ~StatusDisplay() = default;
    // now: repaint at once, without waiting for the event loop.
    virtual void SetPanelText(StatusPanel panel, const QString& text, bool now) = 0;
    // Shows or hides the progress box over the centre panel, repainted at once.
    virtual void ShowProgressBox(bool visible) = 0;
    virtual int ProgressBoxWidth() const = 0;
    // Fills the box up to width in navy, the rest in the button face; repainted at once.
    virtual void DrawProgressBar(int width) = 0;
};

// The hourglass of a long operation.
class BusyCursor {
public:
    virtual ~BusyCursor() = default;
    virtual void SetBusy(bool busy) = 0;
};

// nullptr (the default) shows nothing. The setters return the previous one.
StatusDisplay* CurrentStatusDisplay();
StatusDisplay* SetStatusDisplay(StatusDisplay* display);
BusyCursor* CurrentBusyCursor();
BusyCursor* SetBusyCursor(BusyCursor* cursor);

// Set once the user asked to stop the long operation that runs; cleared by StartProgress
// and by the operations themselves.
extern bool AbortRequested;

// What RestoreStatusText and RestoreRightStatus put back.
const QString& KeptStatusText();
const QString& KeptSymbolText();

void SetStatusText(const QString& text);
// How many objects are selected, in the singular for one.
void ShowSelectedCount(int count);
void ClearStatusText();
void ShowStatusNow(TextKey key, const MsgParamList& params = {});
void ShowStatusNow(const QString& text, const MsgParamList& params = {});
void RestoreStatusText();
// The pointer position; nothing while the GPS owns the centre panel.
void ShowCoordText(const QString& text);
void ShowGpsText(const QString& text);
// number in tenths: 123 shows as "12.3 description".
void ShowCurrentSymbol(int number, const QString& description);
void ClearSymbolStatus();
void ShowHintNow(const QString& text);
void RestoreRightStatus();

// What the status line says about the object under work: its symbol number and
// description when the symbol exists, else its layer name, else the number and
// "Undefined". Sets the left panel and KeptStatusText.
void ShowObjectSymbolStatus(int symbolNumber, bool symbolFound, const QString& description,
                            const QString& layerName);
// The drawing method a symbol's preferred-tool byte asks for; lineMode when it asks none.
int LineModeForPreferredTool(int preferredTool, int lineMode);

// "16X", "4.0X", "0.50X": no decimals from 10 up, one from 1 up, else two; the locale's
// decimal separator.
QString ZoomText(double zoom);
// Shows the current map's zoom (the port CurrentZoom) in its panel; nothing without a map.
void ShowZoom();

// ---- Progress ----
// countMessage: a text with a ";" place for the count, empty for none. A step below 1 is
// taken as 1.
void StartProgress(const QString& caption, const QString& countMessage, int total, int step,
                   bool canAbort);
void StartProgress(TextKey caption, TextKey countMessage, int total, int step, bool canAbort);
void UpdateProgress(int count, int position);
void EndProgress();
bool ProgressRunning();

// Lets pending key presses reach the windows so that Esc can set AbortRequested; other
// input stays held back. Through the port PumpKeyMessages: without the user interface this
// does nothing.
void DispatchKeyMessages();

// ---- Recent files (newest first) ----
void AddRecentFile(std::array<QString, 5>& files, const QString& name);
void RemoveRecentFile(std::array<QString, 5>& files, const QString& name);
// The same on ProgramConfig.
void AddRecentFile(const QString& name);
void RemoveRecentFile(const QString& name);

// Everything back to its start-up state (tests).
void ResetStatusUnit();

// Records every panel change and bar draw.
class RecordingStatus : public StatusDisplay, public BusyCursor {
public:
    struct Event {
        enum Kind { Text, Box, Bar, Busy } kind;
        StatusPanel panel = StatusPanel::Left;
        QString text;
        int value = 0; // Box/Busy: 0 or 1; Bar: width
        bool now = false;
    };

    explicit RecordingStatus(int boxWidth = 169);
    ~RecordingStatus() override;
    RecordingStatus(const RecordingStatus&) = delete;
    RecordingStatus& operator=(const RecordingStatus&) = delete;

    void SetPanelText(StatusPanel panel, const QString& text, bool now) override;
    void ShowProgressBox(bool visible) override;
    int ProgressBoxWidth() const override { return boxWidth_; }
    void DrawProgressBar(int width) override;
    void SetBusy(bool busy) override;

    void SetBoxWidth(int w) { boxWidth_ = w; }
    const QString& Panel(StatusPanel p) const { return panels_[size_t(p)]; }
    bool BoxVisible() const { return boxVisible_; }
    bool Busy() const { return busy_; }
    const std::vector<Event>& Events() const { return events_; }
    // How often the panel was set to exactly this text.
    int CountText(StatusPanel panel, const QString& text) const;
    std::vector<int> BarWidths() const;
    void Clear() { events_.clear(); }

private:
    std::array<QString, StatusPanelCount> panels_;
    std::vector<Event> events_;
    int boxWidth_;
    bool boxVisible_ = false;
    bool busy_ = false;
    StatusDisplay* prevDisplay_;
    BusyCursor* prevCursor_;
};

} // namespace zemo
