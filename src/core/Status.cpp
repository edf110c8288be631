#include "core/Status.h"

#include "core/Config.h"
#include "core/Ports.h"

#include <cmath>

namespace zemo {

bool AbortRequested = false;

namespace {

struct StatusState {
    StatusDisplay* display = nullptr;
    BusyCursor* cursor = nullptr;
    QString keptStatusText;
    QString keptSymbolText;

    // The one progress display.
    bool progressRunning = false;
    QString countMessage;
    int total = 0;
    int step = 1;
    int lastShownCount = -1;
    int lastBarWidth = 0;
};

StatusState& State()
{
    static StatusState s;
    return s;
}

void SetPanel(StatusPanel panel, const QString& text, bool now)
{
    if (StatusDisplay* d = State().display)
        d->SetPanelText(panel, text, now);
}

QString SymbolNumberText(int number)
{
    return TenthsToStr(number);
}

} // namespace

StatusDisplay* CurrentStatusDisplay() { return State().display; }

StatusDisplay* SetStatusDisplay(StatusDisplay* display)
{
    StatusDisplay* prev = State().display;
    State().display = display;
    return prev;
}

BusyCursor* CurrentBusyCursor() { return State().cursor; }

BusyCursor* SetBusyCursor(BusyCursor* cursor)
{
    BusyCursor* prev = State().cursor;
    State().cursor = cursor;
    return prev;
}

const QString& KeptStatusText() { return State().keptStatusText; }
const QString& KeptSymbolText() { return State().keptSymbolText; }

void SetStatusText(const QString& text)
{
    State().keptStatusText = text;
    SetPanel(StatusPanel::Left, text, true);
}

void ShowSelectedCount(int count)
{
    const TextKey key = count == 1 ? TextKey::ObjectSelected : TextKey::ObjectsSelected;
    SetStatusText(MergeMsgParams(Text(key), QString::number(count)));
}

void ClearStatusText()
{
    State().keptStatusText.clear();
    SetPanel(StatusPanel::Left, QString(), false);
}

void ShowStatusNow(const QString& text, const MsgParamList& params)
{
    SetPanel(StatusPanel::Left, MergeMsgParams(text, params), true);
}

void ShowStatusNow(TextKey key, const MsgParamList& params)
{
    ShowStatusNow(Text(key), params);
}

void RestoreStatusText() { SetPanel(StatusPanel::Left, State().keptStatusText, false); }

void ShowCoordText(const QString& text)
{
    if (!ProgramConfig.GpsEnabled)
        SetPanel(StatusPanel::Center, text, false);
}

void ShowGpsText(const QString& text) { SetPanel(StatusPanel::Center, text, false); }

void ShowCurrentSymbol(int number, const QString& description)
{
    State().keptSymbolText = SymbolNumberText(number) + QLatin1Char(' ') + description;
    SetPanel(StatusPanel::Right, State().keptSymbolText, false);
}

void ClearSymbolStatus()
{
    State().keptSymbolText.clear();
    SetPanel(StatusPanel::Right, QString(), false);
}

void ShowHintNow(const QString& text) { SetPanel(StatusPanel::Right, text, true); }

void RestoreRightStatus() { SetPanel(StatusPanel::Right, State().keptSymbolText, false); }

void ShowObjectSymbolStatus(int symbolNumber, bool symbolFound, const QString& description,
                            const QString& layerName)
{
    QString text;
    if (symbolFound)
        text = SymbolNumberText(symbolNumber) + QLatin1Char(' ') + description;
    else if (!layerName.isEmpty())
        text = layerName;
    else
        text = SymbolNumberText(symbolNumber) + QLatin1Char(' ') + Text(TextKey::Undefined);
    State().keptStatusText = text;
    SetPanel(StatusPanel::Left, text, false);
}

int LineModeForPreferredTool(int preferredTool, int lineMode)
{
    // Tools 1..6 (curve, ellipse, circle, rectangular, straight, freehand) are the
    // drawing methods from Curve down to Freehand.
    if (preferredTool >= 1 && preferredTool <= 6)
        return WorkModes::Curve + 1 - preferredTool;
    return lineMode;
}

QString ZoomText(double zoom)
{
    const int decimals = zoom >= 10 ? 0 : zoom >= 1 ? 1 : 2;
    return FloatToFixedStr(decimals, zoom) + QLatin1Char('X');
}

void ShowZoom()
{
    double zoom = 0;
    if (CorePorts().CurrentZoom(zoom))
        SetPanel(StatusPanel::Zoom, ZoomText(zoom), false);
}

// ---- Progress ----

void StartProgress(const QString& caption, const QString& countMessage, int total, int step,
                   bool canAbort)
{
    StatusState& s = State();
    s.countMessage = countMessage;
    s.total = total;
    // A step below 1 would divide by zero in UpdateProgress.
    s.step = step < 1 ? 1 : step;
    s.lastShownCount = -1;
    s.lastBarWidth = 0;
    AbortRequested = false;
    ShowStatusNow(caption + QStringLiteral("..."));
    if (s.display)
        s.display->ShowProgressBox(true);
    ShowHintNow(canAbort ? Text(TextKey::PressEsc) : QString());
    if (!s.progressRunning && s.cursor)
        s.cursor->SetBusy(true);
    s.progressRunning = true;
}

void StartProgress(TextKey caption, TextKey countMessage, int total, int step, bool canAbort)
{
    StartProgress(Text(caption), countMessage == TextKey::Count ? QString() : Text(countMessage),
                  total, step, canAbort);
}

void UpdateProgress(int count, int position)
{
    StatusState& s = State();
    if (!s.countMessage.isEmpty()) {
        if ((count % s.step == 0 || position == s.total) && count != s.lastShownCount) {
            ShowStatusNow(s.countMessage, QString::number(count));
            s.lastShownCount = count;
        }
    }
    if (s.total > 0 && s.display) {
        const int boxWidth = s.display->ProgressBoxWidth();
        int width;
        if (position > s.total)
            width = boxWidth;
        else {
            // position <= total here, so only a negative position can leave 0..boxWidth.
            const double w = std::nearbyint(double(position) / double(s.total) * double(boxWidth));
            width = w < 0 ? 0 : int(w);
        }
        if (width != s.lastBarWidth) {
            s.display->DrawProgressBar(width);
            s.lastBarWidth = width;
        }
    }
}

void EndProgress()
{
    StatusState& s = State();
    if (s.display)
        s.display->ShowProgressBox(false);
    SetPanel(StatusPanel::Left, s.keptStatusText, false);
    SetPanel(StatusPanel::Right, s.keptSymbolText, false);
    if (s.progressRunning && s.cursor)
        s.cursor->SetBusy(false);
    s.progressRunning = false;
    s.countMessage.clear();
}

bool ProgressRunning() { return State().progressRunning; }

void DispatchKeyMessages()
{
    if (!AbortRequested)
        CorePorts().PumpKeyMessages();
}

// ---- Recent files ----

namespace {

void RemoveEqual(std::array<QString, 5>& files, const QString& name)
{
    for (int i = int(files.size()) - 1; i >= 0; --i) {
        if (files[size_t(i)] == name) {
            for (size_t j = size_t(i); j + 1 < files.size(); ++j)
                files[j] = files[j + 1];
            files.back().clear();
        }
    }
}

} // namespace

void AddRecentFile(std::array<QString, 5>& files, const QString& name)
{
    if (name.isEmpty())
        return;
    RemoveEqual(files, name);
    for (size_t j = files.size() - 1; j > 0; --j)
        files[j] = files[j - 1];
    files[0] = name;
}

void RemoveRecentFile(std::array<QString, 5>& files, const QString& name)
{
    // An empty name would "remove" the empty slots: nothing to do.
    if (!name.isEmpty())
        RemoveEqual(files, name);
}

void AddRecentFile(const QString& name) { AddRecentFile(ProgramConfig.RecentFiles, name); }
void RemoveRecentFile(const QString& name) { RemoveRecentFile(ProgramConfig.RecentFiles, name); }

void ResetStatusUnit()
{
    State() = StatusState();
    AbortRequested = false;
}

// ---- RecordingStatus ----

RecordingStatus::RecordingStatus(int boxWidth)
    : boxWidth_(boxWidth), prevDisplay_(SetStatusDisplay(this)), prevCursor_(SetBusyCursor(this))
{
}

RecordingStatus::~RecordingStatus()
{
    if (CurrentStatusDisplay() == this)
        SetStatusDisplay(prevDisplay_);
    if (CurrentBusyCursor() == this)
        SetBusyCursor(prevCursor_);
}

void RecordingStatus::SetPanelText(StatusPanel panel, const QString& text, bool now)
{
    panels_[size_t(panel)] = text;
    events_.push_back(Event{Event::Text, panel, text, 0, now});
}

void RecordingStatus::ShowProgressBox(bool visible)
{
    boxVisible_ = visible;
    events_.push_back(Event{Event::Box, StatusPanel::Center, {}, visible ? 1 : 0, true});
}

void RecordingStatus::DrawProgressBar(int width)
{
    events_.push_back(Event{Event::Bar, StatusPanel::Center, {}, width, true});
}

void RecordingStatus::SetBusy(bool busy)
{
    busy_ = busy;
    events_.push_back(Event{Event::Busy, StatusPanel::Left, {}, busy ? 1 : 0, false});
}

int RecordingStatus::CountText(StatusPanel panel, const QString& text) const
{
    int n = 0;
    for (const Event& e : events_)
        n += (e.kind == Event::Text && e.panel == panel && e.text == text) ? 1 : 0;
    return n;
}

std::vector<int> RecordingStatus::BarWidths() const
{
    std::vector<int> w;
    for (const Event& e : events_)
        if (e.kind == Event::Bar)
            w.push_back(e.value);
    return w;
}

} // namespace zemo
