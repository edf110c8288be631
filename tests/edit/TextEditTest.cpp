// Typing into text and line-text objects: the buffer edits, the idle commit, the clipboard and
// input methods, where a press puts the caret, and how a commit reaches the screen with and
// without background redraw; checked against what the working file holds.
#include "EditFixture.h"

#include "document/Ports.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QPainter>

namespace zemo::test {
namespace {

using Typing = EditTest;

// A text object (1) and a line text "xy" (2).
std::vector<TestObject> Objects(std::string text = "ab")
{
    return {TestObject::Text(40, 0, 0, std::move(text)),
            TestObject::LineText(30, {{-10 * Mm, -5 * Mm}, {10 * Mm, -5 * Mm}}, "xy")};
}

const std::u16string& Buffer() { return Texts.TypingBuffer; }

Cord Mid(Cord a, Cord b)
{
    return {Masked(int32_t((int64_t(Masked(a.x)) + Masked(b.x)) / 2)),
            Masked(int32_t((int64_t(Masked(a.y)) + Masked(b.y)) / 2))};
}

TEST_F(Typing, CaretKeysStepOverLineBreaksAndUpAndDownKeepTheirColumn)
{
    TypeOn(Objects("abcdef"), 1);
    Type(u"\r");
    EXPECT_EQ(Buffer(), u"abcdef\r\n");
    Type(u"\b");  // Backspace after a line break takes CR and LF
    EXPECT_EQ(Buffer(), u"abcdef");
    Type(u"\rab\rabcdef");
    const struct {
        Qt::Key key;
        int caret;
    } rows[] = {{Qt::Key_Up, 10},   {Qt::Key_Up, 6},     {Qt::Key_Down, 10},  {Qt::Key_Down, 18},
                {Qt::Key_Home, 12}, {Qt::Key_Left, 10},  {Qt::Key_Right, 12}, {Qt::Key_Home, 12},
                {Qt::Key_Left, 10}, {Qt::Key_Home, 8},   {Qt::Key_End, 10}};
    for (const auto& r : rows) {
        MoveCaret(r.key, false);
        EXPECT_EQ(Texts.CaretIndex, r.caret) << r.key;
    }
    DeleteText();  // Delete at the end of a line joins the lines
    EndTyping();
    EXPECT_EQ(TextOf(Stored(1)), u"abcdef\r\nababcdef");
}

TEST_F(Typing, TenKeysThenIdleGiveOneStoreWrite)
{
    TypeOn(Objects(), 1);
    int writes = 0;
    DocumentPorts().MeasureText.Bind([&writes](ElementRecord& e) {
        ++writes;
        MeasureTextObject(e);
    });
    InstallEdit();
    CurveStart(0);  // a drawing tool hands its keys to typing
    for (char16_t c : std::u16string_view(u"0123456789")) {
        const QString t(QChar{c});
        QKeyEvent down(QEvent::KeyPress, Qt::Key_0 + (c - u'0'), Qt::NoModifier, t);
        QCoreApplication::sendEvent(win->WorkWin(), &down);
    }
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(TextOf(Stored(1)), u"ab");
    Process();
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(TextOf(Stored(1)), u"ab0123456789");
    EXPECT_FALSE(TextEdit.EditPending);
    // A caret move alone writes nothing.
    MoveCaret(Qt::Key_Left, false);
    Process();
    EXPECT_EQ(writes, 1);
    DocumentPorts().MeasureText.Unbind();
}

TEST_F(Typing, AnEmptiedTextDeletesItsObject)
{
    TypeOn(Objects(), 1);
    Type(u"\b\b\b");
    EXPECT_TRUE(Buffer().empty());
    EndTyping();
    EXPECT_FALSE(EditSys.TypingActive);
    GetIndex(1);
    EXPECT_EQ(Index.CurIndex.Symbol, DeletedSymbol);
    EXPECT_EQ(Index.SelectedIndex, 0);
    EXPECT_EQ(Live(), 1);
}

TEST_F(Typing, RightToLeftKeepsTheCaretAndBackspaceTakesTheNextCharacter)
{
    TypeOn(Objects(), 1);
    EditPorts().InputRightToLeft.Bind([] { return true; });
    Texts.CaretIndex = Texts.AnchorIndex = 1;
    Type(u"\u05d0\u05d1");
    EXPECT_EQ(Buffer(), u"a\u05d1\u05d0b");
    EXPECT_EQ(Texts.CaretIndex, 1);
    Type(u"\b");
    EXPECT_EQ(Buffer(), u"a\u05d0b");
    DeleteText();  // Delete takes the character before the caret
    EXPECT_EQ(Buffer(), u"\u05d0b");
    EXPECT_EQ(Texts.CaretIndex, 0);
}

TEST_F(Typing, TheCaretNeverSplitsASurrogatePair)
{
    TypeOn(Objects(), 1);
    Type(u"\U0001F600");
    EXPECT_EQ(Buffer(), u"ab\U0001F600");
    EXPECT_EQ(Texts.CaretIndex, 4);
    Type(std::u16string(1, char16_t(0xD83D)));  // a lone half shows nothing
    Type(u"c");
    EXPECT_EQ(Buffer(), u"ab\U0001F600c");
    MoveCaret(Qt::Key_Left, false);
    MoveCaret(Qt::Key_Left, false);
    EXPECT_EQ(Texts.CaretIndex, 2);
    MoveCaret(Qt::Key_Right, true);
    EXPECT_EQ(Texts.CaretIndex, 4);
    EXPECT_EQ(Texts.AnchorIndex, 2);
    CopyText();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf16(u"\U0001F600"));
    MoveCaret(Qt::Key_Right, false);
    Type(u"\b");
    EXPECT_EQ(Buffer(), u"ab\U0001F600");
    Type(u"\b");
    EXPECT_EQ(Buffer(), u"ab");
    CommitTyping();
    EndTyping();
    EXPECT_EQ(TextOf(Stored(1)), u"ab");
}

TEST_F(Typing, PastedLineEndsBecomeCrLfAndLineTextsDropControlsTypedOrPasted)
{
    TypeOn(Objects(), 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("one\ntwo\r\nthree\rfour\tfive\x01"));
    PasteText();
    EXPECT_EQ(Buffer(), u"abone\r\ntwo\r\nthree\r\nfour\tfive");
    CommitTyping();
    EndTyping();
    EXPECT_EQ(TextOf(Stored(1)), u"abone\r\ntwo\r\nthree\r\nfour\tfive");

    SelectOnly(2);
    ASSERT_TRUE(ReadElement(2, CurElement));
    StartTyping();
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"1\n2\r\n3\t4\x1b" u"5\xdc00"));
    TypingKeyDown(Qt::Key_Insert, true, false, false);
    EXPECT_EQ(Buffer(), u"xy12345");
    EXPECT_EQ(CleanPastedText(QString::fromUtf16(u"a\xd800"), false), u"a");
    // Enter and Tab typed into a line text do nothing either.
    Type(u"\r\t6\x01");
    EndTyping();
    EXPECT_EQ(TextOf(Stored(2)), u"xy123456");
    EXPECT_EQ(Stored(2).nItem, 2);
}

TEST_F(Typing, CutAndPasteThroughTheKeys)
{
    TypeOn(Objects("hello"), 1);
    TypingKeyDown(Qt::Key_Left, true, false, false);
    TypingKeyDown(Qt::Key_Left, true, false, false);
    TypingKeyDown(Qt::Key_Delete, true, false, false);  // Shift+Delete cuts
    EXPECT_EQ(Buffer(), u"hel");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("lo"));
    TypingKeyDown(Qt::Key_Home, false, false, false);
    TypingKeyDown(Qt::Key_V, false, true, false);
    EXPECT_EQ(Buffer(), u"lohel");
    EXPECT_FALSE(TypingKeyDown(Qt::Key_A, false, false, false));
}

TEST_F(Typing, TheTextStopsAtTheLimit)
{
    TypeOn(Objects(), 1);
    Texts.TypingBuffer.assign(size_t(MaxTextChars - 1), u'x');
    Texts.CaretIndex = Texts.AnchorIndex = MaxTextChars - 1;
    Type(u"yz\r");
    EXPECT_EQ(int(Buffer().size()), MaxTextChars);
    EXPECT_EQ(Buffer().back(), u'y');
    ElementRecord e;
    e.nItem = 5;
    EXPECT_EQ(MaxTypingChars(e), 8191);
    e.nItem = 32768 - 64;
    EXPECT_EQ(MaxTypingChars(e), 255);
    e.nItem = 32762;
    EXPECT_EQ(MaxTypingChars(e), 0);
}

TEST_F(Typing, AnInputMethodCommitIsTyped)
{
    TypeOn(Objects(), 1);
    QInputMethodEvent ev(QString(), {});
    ev.setCommitString(QString::fromUtf16(u"\u00e9\u4e2d"));
    QCoreApplication::sendEvent(win->WorkWin(), &ev);
    EXPECT_EQ(Buffer(), u"ab\u00e9\u4e2d");
    QInputMethodQueryEvent q(Qt::ImEnabled);
    QCoreApplication::sendEvent(win->WorkWin(), &q);
    EXPECT_TRUE(q.value(Qt::ImEnabled).toBool());
    EndTyping();
    EXPECT_EQ(TextOf(Stored(1)), u"ab\u00e9\u4e2d");
}

// A line text arched over the origin: up from (-15, -8) mm to the top near y = 2.5 mm and
// down to (15, -8) mm.
TestObject ArchedLineText(std::string text)
{
    return TestObject::LineText(30, {{-15 * Mm, -8 * Mm}, {-8 * Mm | FirstBezierFlag, 6 * Mm},
                                     {8 * Mm | SecondBezierFlag, 6 * Mm}, {15 * Mm, -8 * Mm}},
                                std::move(text));
}

TEST_F(Typing, AClickOnACharacterOfACurvedLineTextPutsTheCaretAfterItAndUnderTheArchEndsTyping)
{
    TypeOn({ArchedLineText("abcdefgh")}, 1);
    // Where each character starts along the path (the caret's point in the layout).
    std::vector<Cord> at(9);
    for (int k = 0; k <= 8; ++k) {
        Texts.CaretIndex = k;
        LayoutText(CurElement, TextExtentMode);
        at[size_t(k)] = Texts.CaretPoint;
    }
    // The text bends: its first and its last character run in clearly different directions.
    EXPECT_LT(Cosine(at[0], at[1], Cord{Masked(at[0].x) + (Masked(at[8].x) - Masked(at[7].x)),
                                        Masked(at[0].y) + (Masked(at[8].y) - Masked(at[7].y))}),
              0.95);
    Texts.CaretIndex = Texts.AnchorIndex = 8;

    for (int k : {0, 3, 7}) {
        ClickAt(Mid(at[size_t(k)], at[size_t(k) + 1]));
        EXPECT_TRUE(EditSys.TypingActive) << k;
        EXPECT_EQ(Texts.CaretIndex, k + 1) << k;
        EXPECT_EQ(Texts.AnchorIndex, k + 1) << k;
    }
    // On the path beyond the text: typing goes on, no character is hit, the caret stays.
    ClickAt(Cord{15 * Mm, -8 * Mm});
    EXPECT_TRUE(EditSys.TypingActive);
    EXPECT_EQ(Texts.CaretIndex, 8);

    // Dragging from one character to another selects between them.
    Press(CordToDevice(Mid(at[1], at[2])));
    Move(CordToDevice(Mid(at[4], at[5])));
    Release(CordToDevice(Mid(at[4], at[5])));
    EXPECT_EQ(Texts.AnchorIndex, 2);
    EXPECT_EQ(Texts.CaretIndex, 5);
    EXPECT_FALSE(TextEdit.TextDragSelecting);

    // Typed text lands at the placed caret.
    Texts.CaretIndex = Texts.AnchorIndex = 0;
    ClickAt(Mid(at[2], at[3]));
    Type(u"X");
    CommitTyping();
    EXPECT_EQ(Texts.TypingBuffer, u"abcXdefgh");

    // Under the arch: inside the object's rectangle, but millimetres away from its path.
    GetIndex(1);
    const CordRect r = Index.CurIndex.Rect;
    const Cord under{0, -5 * Mm};
    ASSERT_TRUE(under.x > r.x1 && under.x < r.x2 && under.y > r.y1 && under.y < r.y2);
    ClickAt(under);
    EXPECT_FALSE(EditSys.TypingActive);
}

TEST_F(Typing, APressOnATurnedTextKeepsTypingAndBesideItsBoxEndsIt)
{
    TestObject text = TestObject::Text(40, 0, 0, "abcdefghij");
    text.cords.resize(5);
    text.angle = 450;
    TypeOn({text}, 1);
    // The text's box as laid out, and the store's rectangle round it after one commit.
    Type(u"k");
    CommitTyping();
    const Cord* box = CurElement.Cords() + 1;
    int64_t sx = 0, sy = 0;
    int32_t x1 = INT32_MAX, y1 = INT32_MAX, x2 = INT32_MIN, y2 = INT32_MIN;
    for (int k = 0; k < 4; ++k) {
        sx += Masked(box[k].x);
        sy += Masked(box[k].y);
        x1 = std::min(x1, Masked(box[k].x));
        x2 = std::max(x2, Masked(box[k].x));
        y1 = std::min(y1, Masked(box[k].y));
        y2 = std::max(y2, Masked(box[k].y));
    }
    ASSERT_GT(x2 - x1, 10 * Mm);  // long and turned: the rectangle is far wider than the box
    const Cord centre{Masked(int32_t(sx / 4)), Masked(int32_t(sy / 4))};

    ClickAt(centre);
    EXPECT_TRUE(EditSys.TypingActive);
    EXPECT_GT(Texts.CaretIndex, 2);  // somewhere in the middle of the text, not at its end
    EXPECT_LT(Texts.CaretIndex, 9);
    EXPECT_EQ(Texts.CaretIndex, Texts.AnchorIndex);

    // The upper left corner of the rectangle: a turned text leaves it empty.
    const Cord beside{Masked(x1 + (x2 - x1) / 6), Masked(y2 - (y2 - y1) / 6)};
    GetIndex(1);
    const CordRect r = Index.CurIndex.Rect;
    ASSERT_TRUE(beside.x > r.x1 && beside.x < r.x2 && beside.y > r.y1 && beside.y < r.y2);
    ClickAt(beside);
    EXPECT_FALSE(EditSys.TypingActive);
    EXPECT_EQ(TextOf(Stored(1)), u"abcdefghijk");
}

// Rows and columns of the dark pixels of an image region, grouped into bands of rows.
struct InkBand {
    int top = 0, bottom = 0, left = 0, right = 0;
};

bool Dark(QRgb c) { return qGray(c) < 128; }

std::vector<InkBand> InkBands(const QImage& img)
{
    std::vector<InkBand> bands;
    bool open = false;
    for (int y = 0; y < img.height(); ++y) {
        int l = INT_MAX, r = -1;
        for (int x = 0; x < img.width(); ++x)
            if (Dark(img.pixel(x, y))) {
                l = std::min(l, x);
                r = std::max(r, x);
            }
        if (r < 0) {
            open = false;
            continue;
        }
        if (!open)
            bands.push_back({y, y, l, r});
        InkBand& b = bands.back();
        b.bottom = y;
        b.left = std::min(b.left, l);
        b.right = std::max(b.right, r);
        open = true;
    }
    return bands;
}

int DarkCount(const QImage& img, const InkBand& b)
{
    int n = 0;
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = 0; x < img.width(); ++x)
            n += Dark(img.pixel(x, y));
    return n;
}

bool AllRed(const QImage& img, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixel(x, y) != qRgb(255, 0, 0))
                return false;
    return true;
}

class TypingOnScreen : public EditTest {
protected:
    // A short first line over a longer second one, typing at the end of the second. The
    // window draws into an image that records invalidations; the first line's ink is
    // covered with red there.
    void Prepare(bool redrawBackground)
    {
        TestObject text = TestObject::Text(40, 0, 0, "a\r\ncdef");
        text.cords.resize(5);
        OpenCurveMap({text});
        StartCurve(LineSym);
        PaintNow(win);
        ReleaseEditDC();
        screen = std::make_unique<ImageMapWindow>(view->ClientWidth, view->ClientHeight);
        screen->image = win->Surface().copy();
        ownForm = view->Form;
        view->Form = screen.get();
        const std::vector<InkBand> bands = InkBands(Image());
        ASSERT_EQ(bands.size(), 2u);
        first = bands[0];
        second = bands[1];
        SelectOnly(1);
        ASSERT_TRUE(ReadElement(1, CurElement));
        StartTyping();
        ProgramConfig.RedrawBackground = redrawBackground;
        ReleaseEditDC();
        cover = QRect(first.left, first.top, first.right - first.left + 1, first.bottom - first.top + 1);
        QPainter(&Image()).fillRect(cover, QColor(255, 0, 0));
        darkBefore = DarkCount(Image(), second);
        screen->invalidated.clear();
    }
    void TearDown() override
    {
        ReleaseEditDC();
        if (ownForm)
            view->Form = ownForm;
        EditTest::TearDown();
    }
    QImage& Image() { return screen->image; }

    std::unique_ptr<ImageMapWindow> screen;
    MapWindow* ownForm = nullptr;
    InkBand first, second;
    QRect cover;
    int darkBefore = 0;
};

TEST_F(TypingOnScreen, WithoutBackgroundRedrawTheCaretLineIsRepaintedInPlace)
{
    Prepare(false);
    Type(u"g");
    CommitTyping();
    ReleaseEditDC();
    EXPECT_TRUE(screen->invalidated.empty());
    // The first line was not touched; the new character is on the screen at once.
    EXPECT_TRUE(AllRed(Image(), cover));
    EXPECT_GT(DarkCount(Image(), second), darkBefore + 100);

    // A line break redraws the whole text: the first line is erased and painted again.
    Type(u"\r");
    CommitTyping();
    ReleaseEditDC();
    EXPECT_TRUE(screen->invalidated.empty());
    EXPECT_FALSE(AllRed(Image(), cover));
}

TEST_F(TypingOnScreen, WithBackgroundRedrawTheCommitInvalidatesTheTextsRectangle)
{
    Prepare(true);
    Type(u"g");
    CommitTyping();
    ReleaseEditDC();
    ASSERT_EQ(screen->invalidated.size(), 1u);
    const PixRect p = screen->invalidated[0];
    EXPECT_LE(p.left, std::min(first.left, second.left));
    EXPECT_GE(p.right, std::max(first.right, second.right) + 8);  // room for the new character
    EXPECT_LE(p.top, first.top);
    EXPECT_GE(p.bottom, second.bottom);
    // Nothing was drawn in place; the paint that follows does it.
    EXPECT_TRUE(AllRed(Image(), cover));
    EXPECT_LE(DarkCount(Image(), second), darkBefore + 20);  // the caret moved, no more
    WorkWinWmPaint(*view, p);
    ReleaseEditDC();
    EXPECT_FALSE(AllRed(Image(), cover));
    EXPECT_GT(DarkCount(Image(), second), darkBefore + 100);
}

} // namespace
} // namespace zemo::test
