#include "edit/TextEdit.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/EventGuard.h"
#include "core/Messages.h"
#include "core/Numeric.h"
#include "document/Index.h"
#include "document/Ports.h"
#include "document/Undo.h"
#include "edit/Cursors.h"
#include "edit/EditSys.h"
#include "edit/Pick.h"
#include "edit/Ports.h"
#include "edit/Work.h"
#include "platform/PainterDevice.h"
#include "render/GraphSys.h"
#include "render/Redraw.h"
#include "render/Scale.h"
#include "render/Texts.h"
#include "symbols/store/SymbolRecords.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QMimeData>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>

namespace zemo {

TextEditState TextEdit;

namespace {

constexpr char16_t CR = 13;
constexpr char16_t LF = 10;
constexpr char16_t TAB = 9;
constexpr char16_t BS = 8;

std::u16string& Buf() { return Texts.TypingBuffer; }
int Caret() { return Texts.CaretIndex; }
int Len() { return int(Buf().size()); }

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

char16_t At(int i)
{
    return i >= 0 && i < Len() ? Buf()[size_t(i)] : char16_t(0);
}

bool LineText()
{
    return Index.CurElement.ObjectType < AreaObject;
}

// The buffer into the object: wide text after the points, zero padded to whole runs.
void WriteBuffer(ElementRecord& e)
{
    const int max = MaxTypingChars(e);
    if (Len() > max)
        Buf().resize(size_t(std::max(max, 0)));
    const size_t chars = Buf().size();
    const size_t slots = 8 * ((chars + 32) / 32);
    e.Flags |= ElementUtf16Flag;
    e.nText = uint16_t(slots);
    uint8_t* t = e.TextBytes();
    std::memset(t, 0, slots * 8);
    for (size_t k = 0; k < chars; ++k) {
        t[2 * k] = uint8_t(Buf()[k] & 0xFF);
        t[2 * k + 1] = uint8_t(Buf()[k] >> 8);
    }
}

void Layout(int mode)
{
    ElementRecord& e = Index.CurElement;
    WriteBuffer(e);
    Texts.CaretIndex = std::clamp(Texts.CaretIndex, 0, Len());
    Texts.AnchorIndex = std::clamp(Texts.AnchorIndex, 0, Len());
    LayoutText(e, mode);
}

// The caret or selection outline in device pixels for the marks.
void BuildCaret()
{
    const ElementRecord& e = Index.CurElement;
    std::vector<QPoint>& pts = EditSys.CaretPoints;
    pts.clear();
    if (e.ObjectType == LineObject) {
        // A stroke across the path at the caret, as high as the font.
        const double h = double(MapFont.FontAscent) + MapFont.FontDescent;
        const double a = Texts.CaretDirection;
        const Cord p = Texts.CaretPoint;
        const Cord top{Masked(SafeRound(Masked(p.x) - std::sin(a) * h)),
                       Masked(SafeRound(Masked(p.y) + std::cos(a) * h))};
        pts = {CordToDevice(Cord{Masked(p.x), Masked(p.y)}), CordToDevice(top)};
        return;
    }
    BuildTextCaretOutline(e);
    for (int k = 0; k < Texts.CaretOutlineCount; ++k)
        pts.push_back(CordToDevice(Texts.CaretOutline[size_t(k)]));
}

// The picking tests read the object's symbol from CurSymbol; the tool's own stays as it was.
class ObjectSymbolScope {
public:
    explicit ObjectSymbolScope(int symbol) : saved_(Index.CurSymbol)
    {
        SymbolBytes* rec = nullptr;
        GetSymbol(symbol, rec);
        Index.CurSymbol = rec;
    }
    ~ObjectSymbolScope() { Index.CurSymbol = saved_; }
    ObjectSymbolScope(const ObjectSymbolScope&) = delete;
    ObjectSymbolScope& operator=(const ObjectSymbolScope&) = delete;

private:
    SymbolBytes* saved_;
};

// The middle of a line-text character tested like a one-point line of the object's symbol.
bool CaretHitsCharacter(Cord mouse, Cord middle, const ElementRecord& e, int64_t& distance)
{
    static const std::unique_ptr<ElementRecord> probe = std::make_unique<ElementRecord>();
    probe->Symbol = e.Symbol;
    probe->ObjectType = LineObject;
    probe->Flags = 0;
    probe->nItem = 1;
    probe->nText = 0;
    probe->Word10 = e.Word10;
    probe->Cords()[0] = Cord{Masked(middle.x), Masked(middle.y)};
    if (!HitOutline(mouse, *probe))
        return false;
    distance = FastDistance(mouse, middle);
    return true;
}

void Unmark()
{
    UnmarkElement(Index.CurElement);
}

void Remark()
{
    MarkElement(Index.CurElement);
}

// The caret shown at its new place.
void ShowCaret()
{
    Unmark();
    Layout(TextExtentMode);
    BuildCaret();
    Remark();
}

void UpdateInputDirection()
{
    TextEdit.RightToLeft = EditPorts().InputRightToLeft();
}

void ScheduleCommit()
{
    if (TextEdit.CommitScheduled)
        return;
    TextEdit.CommitScheduled = true;
    EditPorts().WhenIdle([] {
        TextEdit.CommitScheduled = false;
        GuardEvent("WrText", "CommitTyping", [] { CommitTyping(); });
    });
}

void BeginTextEdit()
{
    if (!TextEdit.EditPending) {
        TextEdit.SnapLine = Texts.CaretLine;
        TextEdit.SnapLineY = Texts.CaretY;
        TextEdit.SnapLineEnd = Texts.CaretLineLast;
        TextEdit.SnapLength = Len();
        TextEdit.TextDirty = false;
        TextEdit.EditPending = true;
    }
    ScheduleCommit();
}

void Erase(int from, int count)
{
    from = std::clamp(from, 0, Len());
    count = std::clamp(count, 0, Len() - from);
    Buf().erase(size_t(from), size_t(count));
}

void Insert(int at, std::u16string_view s)
{
    Buf().insert(size_t(std::clamp(at, 0, Len())), s);
}

bool HasSelection()
{
    return Texts.AnchorIndex != Texts.CaretIndex;
}

void DeleteSelection()
{
    const int a = std::clamp(Texts.AnchorIndex, 0, Len()), c = std::clamp(Texts.CaretIndex, 0, Len());
    Erase(std::min(a, c), std::abs(a - c));
    Texts.CaretIndex = std::min(a, c);
    Texts.AnchorIndex = Texts.CaretIndex;
}

void Collapse()
{
    Texts.AnchorIndex = Texts.CaretIndex;
}

// Steps of the caret: a surrogate pair and a CR LF pair are one step.
int StepBack(int i)
{
    if (i <= 0)
        return 0;
    --i;
    if (At(i) == LF && i > 0 && At(i - 1) == CR)
        --i;
    else if (IsLow(At(i)) && i > 0 && IsHigh(At(i - 1)))
        --i;
    return i;
}

int StepForward(int i)
{
    if (i >= Len())
        return Len();
    if (At(i) == CR && At(i + 1) == LF)
        return i + 2;
    if (IsHigh(At(i)) && IsLow(At(i + 1)))
        return i + 2;
    return i + 1;
}

// The characters of the step that starts at i (an LF following one goes with it).
int DeleteForward(int i)
{
    if (i >= Len())
        return 0;
    int n = StepForward(i) - i;
    if (At(i + n) == LF)
        ++n;
    Erase(i, n);
    return n;
}

void BackspaceLeftToRight()
{
    const int c = Caret();
    if (c <= 0)
        return;
    const int to = StepBack(c);
    Erase(to, c - to);
    Texts.CaretIndex = to;
}

// No caret between the two halves of a pair. The layout puts a caret at the start of a line
// before its LF (the CR ends the line above): that place is after the pair.
void KeepPairsWhole()
{
    auto fix = [](int& i) {
        if (i > 0 && i < Len() && IsLow(At(i)) && IsHigh(At(i - 1)))
            --i;
        if (i > 0 && i < Len() && At(i) == LF && At(i - 1) == CR)
            ++i;
    };
    fix(Texts.CaretIndex);
    fix(Texts.AnchorIndex);
}

// Caret placement by mouse (layout mode 3).
void PlaceCaretAtMouse()
{
    TextCaretHitTest() = CaretHitsCharacter;
    Texts.CursorMapPos = Work.CursorMapPos;
    ObjectSymbolScope symbol(Index.CurElement.Symbol);
    Layout(TextCaretHitMode);
    KeepPairsWhole();
}

void TypeChar(char16_t c)
{
    UpdateInputDirection();
    const bool rtl = TextEdit.RightToLeft;
    const int max = MaxTypingChars(Index.CurElement);
    const char16_t high = TextEdit.PendingHighSurrogate;
    TextEdit.PendingHighSurrogate = 0;
    if (IsHigh(c)) {
        TextEdit.PendingHighSurrogate = c;
        return;
    }
    if (IsLow(c)) {
        if (!high)
            return;
        if (Len() - (HasSelection() ? std::abs(Texts.AnchorIndex - Caret()) : 0) + 2 > max)
            return;
        if (HasSelection())
            DeleteSelection();
        const char16_t pair[2] = {high, c};
        Insert(Caret(), std::u16string_view(pair, 2));
        if (!rtl)
            Texts.CaretIndex += 2;
    } else if (c == BS) {
        if (HasSelection()) {
            DeleteSelection();
        } else if (rtl) {
            DeleteForward(Caret());
        } else {
            BackspaceLeftToRight();
        }
    } else if (c == CR) {
        if (LineText() || Len() + 2 > max)
            return;
        if (HasSelection())
            DeleteSelection();
        if (rtl)
            while (Caret() < Len() && At(Caret()) != CR)
                ++Texts.CaretIndex;
        const char16_t pair[2] = {CR, LF};
        Insert(Caret(), std::u16string_view(pair, 2));
        Texts.CaretIndex += 2;
    } else if (c == TAB && LineText()) {
        return;
    } else if ((c < 32 && c != TAB) || c == 127) {
        return;
    } else {
        if (Len() - (HasSelection() ? std::abs(Texts.AnchorIndex - Caret()) : 0) >= max)
            return;
        if (HasSelection())
            DeleteSelection();
        Insert(Caret(), std::u16string_view(&c, 1));
        if (!rtl)
            ++Texts.CaretIndex;
    }
    Collapse();
    TextEdit.ColumnKept = false;
    TextEdit.TextDirty = true;
}


// The change since the snapshot stayed within the caret's line (after a layout in mode 2).
// A framing rectangle spans all lines, so such a text is always redrawn whole.
bool ChangeWithinCaretLine()
{
    if (LineText())
        return false;
    if (Texts.Symbol.size() > TsFramingMode && SymU8(Texts.Symbol, TsFramingMode) == 3)
        return false;
    return Texts.CaretLine == TextEdit.SnapLine && Texts.CaretY == TextEdit.SnapLineY
           && int64_t(Texts.CaretLineLast) - TextEdit.SnapLineEnd == int64_t(Len()) - TextEdit.SnapLength;
}

// The commit without background redraw: the old picture erased and the new one painted.
void CommitInPlace(int n)
{
    Layout(TextExtentMode);
    const bool lineOnly = ChangeWithinCaretLine();
    Unmark();
    struct LineOnlyScope {
        explicit LineOnlyScope(bool on) { Texts.CaretLineOnly = on; }
        ~LineOnlyScope() { Texts.CaretLineOnly = false; }
    } lineScope(lineOnly);
    // The store still holds the text that is on screen.
    const auto typed = std::make_unique<ElementRecord>(Index.CurElement);
    if (ReadElement(n, Index.CurElement))
        RedrawCurrent(true);
    Index.CurElement = *typed;
    Layout(TextExtentMode);
    {
        UndoSuspend noUndo;
        SaveElement(n);
    }
    RedrawCurrent(false);
    BuildCaret();
    Remark();
}

} // namespace

void ResetTextEdit()
{
    TextEdit = TextEditState{};
}

int MaxTypingChars(const ElementRecord& e)
{
    const int room = std::min(MaxElementTextSlots, MaxElementItems - int(e.nItem));
    return std::clamp(32 * (room / 8) - 1, 0, MaxTextChars);
}

void StartTyping()
{
    GuardEvent("WrText", "StartTyping", [] {
        ElementRecord& e = Index.CurElement;
        SetToolCursor(InsertTextCursor);
        EditSys.TypingActive = true;
        TextEdit.TextDragSelecting = false;
        TextEdit.TypingChanged = false;
        TextEdit.EditPending = false;
        TextEdit.TextDirty = false;
        TextEdit.ColumnKept = false;
        PrepareTextSymbol(e);
        Buf() = Texts.TextBuffer;
        RestoreTextColor();
        const int max = MaxTypingChars(e);
        if (Len() > max)
            Buf().resize(size_t(max));
        Texts.CaretIndex = Len();
        Texts.AnchorIndex = Len();
        Texts.CaretLineOnly = false;
        Layout(TextExtentMode);
        CollapseTextSelection();
        BuildCaret();
        MarkElement(e);
        TextEdit.PendingHighSurrogate = 0;
        if (Work.ActiveView && Work.ActiveView->Form)
            Work.ActiveView->Form->FocusSurface();
        if (QInputMethod* im = QGuiApplication::inputMethod())
            im->update(Qt::ImEnabled | Qt::ImCursorRectangle);
    });
}

void EndTyping()
{
    if (!EditSys.TypingActive)
        return;
    GuardEvent("WrText", "EndTyping", [] {
        if (TextEdit.EditPending)
            CommitTyping();
        Unmark();
        const int n = Index.SelectedIndex;
        if (n > 0 && Buf().empty()) {
            GetIndex(n);
            const CordRect r = Index.CurIndex.Rect;
            DeleteElement(n);
            DropSelection();
            UpdateRect(r);
        } else if (n > 0 && TextEdit.TypingChanged) {
            WriteBuffer(Index.CurElement);
            SaveElement(n);
        }
    });
    EditSys.TypingActive = false;
    EditSys.CaretPoints.clear();
    TextEdit.EditPending = false;
    TextEdit.TextDragSelecting = false;
    if (QInputMethod* im = QGuiApplication::inputMethod())
        im->update(Qt::ImEnabled);
}

bool PressOnTypingText()
{
    if (!EditSys.TypingActive || Index.SelectedIndex <= 0)
        return false;
    // The object as typed so far: its extent follows the last layout.
    const ElementRecord& e = Index.CurElement;
    const Cord p = Work.CursorMapPos;
    const int hole = Index.SelectedHoleStart;
    bool hit = false;
    try {
        ObjectSymbolScope symbol(e.Symbol);
        switch (e.ObjectType) {
        case LineObject: hit = HitOutline(p, e); break;
        case TextObject: hit = HitArea(p, e); break;
        case RectangleObject: hit = e.nText > 0 ? HitArea(p, e) : HitOutline(p, e); break;
        default: break;
        }
    } catch (const EAbort&) {
        // A stopped read is no hit; any other fault goes on to the event guard.
        hit = false;
    } catch (...) {
        Index.SelectedHoleStart = hole;
        throw;
    }
    Index.SelectedHoleStart = hole;
    return hit;
}

void TypingMouseDown()
{
    GuardEvent("WrText", "TypingMouseDown", [] {
        Unmark();
        PlaceCaretAtMouse();
        Layout(TextExtentMode);
        CollapseTextSelection();
        BuildCaret();
        Remark();
        TextEdit.ColumnKept = false;
        TextEdit.TextDragSelecting = true;
    });
}

void TypingMouseMove()
{
    if (!TextEdit.TextDragSelecting)
        return;
    GuardEvent("WrText", "TypingMouseMove", [] {
        const int before = Texts.CaretIndex;
        PlaceCaretAtMouse();
        if (Texts.CaretIndex == before)
            return;
        const int caret = Texts.CaretIndex;
        Texts.CaretIndex = before;
        Unmark();
        Texts.CaretIndex = caret;
        Layout(TextExtentMode);
        BuildCaret();
        Remark();
    });
}

void TypingMouseUp()
{
    TextEdit.TextDragSelecting = false;
}

void TypingKey(char16_t c)
{
    if (!EditSys.TypingActive)
        return;
    GuardEvent("WrText", "TypingKey", [c] {
        BeginTextEdit();
        TypeChar(c);
    });
}

void TypingText(const QString& text)
{
    for (QChar ch : text)
        TypingKey(ch.unicode());
}

bool TypingKeyDown(int key, bool shift, bool ctrl, bool alt)
{
    if (!EditSys.TypingActive || alt)
        return false;
    switch (key) {
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Left:
    case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
        if (ctrl)
            return false;
        MoveCaret(key, shift);
        return true;
    case Qt::Key_Insert:
        if (ctrl && !shift)
            CopyText();
        else if (shift && !ctrl)
            PasteText();
        else
            return false;
        return true;
    case Qt::Key_Delete:
        if (shift && !ctrl)
            CutText();
        else if (!ctrl)
            DeleteText();
        else
            return false;
        return true;
    case Qt::Key_C: case Qt::Key_V: case Qt::Key_X:
        if (!ctrl || shift)
            return false;
        if (key == Qt::Key_C)
            CopyText();
        else if (key == Qt::Key_V)
            PasteText();
        else
            CutText();
        return true;
    default:
        return false;
    }
}

void MoveCaret(int key, bool shift)
{
    if (!EditSys.TypingActive)
        return;
    GuardEvent("WrText", "MoveCaret", [&] {
        BeginTextEdit();
        int& c = Texts.CaretIndex;
        switch (key) {
        case Qt::Key_End:
            while (c < Len() && At(c) != CR)
                ++c;
            TextEdit.ColumnKept = false;
            break;
        case Qt::Key_Home:
            while (c > 0 && At(c - 1) != CR && At(c - 1) != LF)
                --c;
            TextEdit.ColumnKept = false;
            break;
        case Qt::Key_Left:
            c = StepBack(c);
            TextEdit.ColumnKept = false;
            break;
        case Qt::Key_Right:
            c = StepForward(c);
            TextEdit.ColumnKept = false;
            break;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            if (LineText())
                break;
            // The line and the column from the last layout; the column of the first step.
            const int anchor = Texts.AnchorIndex;
            Layout(TextExtentMode);
            if (!TextEdit.ColumnKept) {
                TextEdit.KeptColumnX = Texts.CaretX;
                TextEdit.ColumnKept = true;
            }
            const int line = Texts.CaretLine + (key == Qt::Key_Up ? -1 : 1);
            if (line < 0)
                break;
            Texts.CaretLine = line;
            Texts.CaretX = TextEdit.KeptColumnX;
            Texts.AnchorIndex = anchor;
            Layout(TextCaretLineMode);
            KeepPairsWhole();
            break;
        }
        default:
            break;
        }
        if (!shift)
            Collapse();
    });
}

void DeleteText()
{
    if (!EditSys.TypingActive)
        return;
    GuardEvent("WrText", "DeleteText", [] {
        UpdateInputDirection();
        BeginTextEdit();
        if (HasSelection())
            DeleteSelection();
        else if (!TextEdit.RightToLeft || Caret() == 0)
            DeleteForward(Caret());
        else
            BackspaceLeftToRight();
        Collapse();
        TextEdit.ColumnKept = false;
        TextEdit.TextDirty = true;
    });
}

void CopyText()
{
    if (!EditSys.TypingActive || !HasSelection())
        return;
    GuardEvent("WrText", "CopyText", [] {
        const int a = std::min(Texts.AnchorIndex, Caret()), b = std::max(Texts.AnchorIndex, Caret());
        const std::u16string_view s(Buf().data() + a, size_t(b - a));
        if (QClipboard* cb = QGuiApplication::clipboard())
            cb->setText(QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size())));
    });
}

void CutText()
{
    if (!EditSys.TypingActive || !HasSelection())
        return;
    CopyText();
    DeleteText();
}

std::u16string CleanPastedText(const QString& text, bool lineText)
{
    std::u16string out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == CR || c == LF) {
            if (lineText)
                continue;
            // CR LF, CR alone and LF alone all end one line.
            if (c == CR && i + 1 < n && text.at(i + 1).unicode() == LF)
                ++i;
            out.push_back(CR);
            out.push_back(LF);
        } else if (c == TAB) {
            if (!lineText)
                out.push_back(c);
        } else if (c < 32 || c == 127) {
            continue;
        } else if (IsHigh(c)) {
            if (i + 1 < n && IsLow(text.at(i + 1).unicode())) {
                out.push_back(c);
                out.push_back(text.at(i + 1).unicode());
                ++i;
            }
        } else if (IsLow(c)) {
            continue;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void PasteText()
{
    if (!EditSys.TypingActive)
        return;
    GuardEvent("WrText", "PasteText", [] {
        QClipboard* cb = QGuiApplication::clipboard();
        if (!cb || !cb->mimeData() || !cb->mimeData()->hasText())
            return;
        const std::u16string s = CleanPastedText(cb->text(), LineText());
        BeginTextEdit();
        if (HasSelection())
            DeleteSelection();
        const int max = MaxTypingChars(Index.CurElement);
        size_t k = 0;
        while (k < s.size()) {
            // A pair (surrogates or CR LF) goes in whole or not at all.
            const size_t step = (IsHigh(s[k]) || s[k] == CR) && k + 1 < s.size() ? 2 : 1;
            if (Len() + int(step) > max)
                break;
            Insert(Caret(), std::u16string_view(s.data() + k, step));
            Texts.CaretIndex += int(step);
            k += step;
        }
        Collapse();
        TextEdit.ColumnKept = false;
        TextEdit.TextDirty = true;
    });
}

void CommitTyping()
{
    if (!TextEdit.EditPending)
        return;
    if (!EditSys.TypingActive || !Index.MapOpen || Index.SelectedIndex <= 0) {
        TextEdit.EditPending = false;
        return;
    }
    GuardEvent("WrText", "CommitTyping", [] {
        const int n = Index.SelectedIndex;
        if (TextEdit.TextDirty) {
            if (!TextEdit.TypingChanged) {
                // The picture before the first change, for the redraw of the change.
                GetIndex(n);
                EditSys.EditOldRect = Index.CurIndex.Rect;
                ReadElement(n, Index.AuxElement3);
                EditSys.EditBackupValid = true;
                TextEdit.TypingChanged = true;
                DocumentPorts().UpdateUndoButtons();
            }
            GetIndex(n);
            const CordRect old = Index.CurIndex.Rect;
            if (ProgramConfig.RedrawBackground) {
                Unmark();
                Layout(TextExtentMode);
                {
                    UndoSuspend noUndo;
                    SaveElement(n);
                }
                BuildCaret();
                Remark();
                const CordRect now = Index.CurIndex.Rect;
                UpdateRect({std::min(old.x1, now.x1), std::min(old.y1, now.y1), std::max(old.x2, now.x2),
                            std::max(old.y2, now.y2)});
            } else {
                CommitInPlace(n);
            }
        } else {
            ShowCaret();
        }
    });
    TextEdit.EditPending = false;
    TextEdit.TextDirty = false;
}

} // namespace zemo
