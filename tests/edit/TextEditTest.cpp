// Typing into text and line-text objects: the buffer edits, the idle commit, the clipboard
// and input methods, checked against what the working file holds.
#include "DrCurveFixture.h"

#include "app/Install.h"
#include "document/Ports.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>

namespace zemo::test {
namespace {

class Typing : public CurveToolTest {
protected:
    void TearDown() override
    {
        DocumentPorts().MeasureText.Unbind();
        CurveToolTest::TearDown();
    }
    // A text object "ab" (1) and a line text "xy" (2); typing on `n`.
    void StartOn(int n, std::string text = "ab")
    {
        OpenCurveMap({TestObject::Text(40, 0, 0, text),
                      TestObject::LineText(30, {{-10 * Mm, -5 * Mm}, {10 * Mm, -5 * Mm}}, "xy")});
        win = NewWindow(400, 300);
        view = &win->View();
        DocumentPorts().MeasureText.Bind([this](ElementRecord& e) {
            ++writes;
            MeasureTextObject(e);
        });
        SelectOnly(n);
        ASSERT_TRUE(ReadElement(n, CurElement));
        StartTyping();
        ASSERT_TRUE(EditSys.TypingActive);
    }
    void Type(std::u16string_view s)
    {
        for (char16_t c : s)
            TypingKey(c);
    }
    std::u16string StoredText(int n)
    {
        const ElementRecord& e = Stored(n);
        PrepareTextSymbol(e);
        return Texts.TextBuffer;
    }
    const std::u16string& Buffer() const { return Texts.TypingBuffer; }
    int writes = 0;
};

TEST_F(Typing, BackspaceAfterALineBreakRemovesCrLfAndArrowsStepOverIt)
{
    StartOn(1);
    Type(u"\r");
    EXPECT_EQ(Buffer(), u"ab\r\n");
    EXPECT_EQ(Texts.CaretIndex, 4);
    Type(u"\b");
    EXPECT_EQ(Buffer(), u"ab");
    Type(u"\rcd");
    MoveCaret(Qt::Key_Left, false);
    MoveCaret(Qt::Key_Left, false);
    EXPECT_EQ(Texts.CaretIndex, 4);
    MoveCaret(Qt::Key_Left, false);
    EXPECT_EQ(Texts.CaretIndex, 2);
    MoveCaret(Qt::Key_Right, false);
    EXPECT_EQ(Texts.CaretIndex, 4);
    MoveCaret(Qt::Key_Home, false);
    EXPECT_EQ(Texts.CaretIndex, 4);
    MoveCaret(Qt::Key_Left, false);
    MoveCaret(Qt::Key_Home, false);
    EXPECT_EQ(Texts.CaretIndex, 0);
    MoveCaret(Qt::Key_End, false);
    EXPECT_EQ(Texts.CaretIndex, 2);
    DeleteText();  // Delete at the end of a line joins the lines
    EXPECT_EQ(Buffer(), u"abcd");
    CommitTyping();
    EndTyping();
    EXPECT_EQ(StoredText(1), u"abcd");
}

TEST_F(Typing, EnterAndTabDoNothingInALineText)
{
    StartOn(2);
    Type(u"\r\t1\x01");
    EXPECT_EQ(Buffer(), u"xy1");
    CommitTyping();
    EndTyping();
    EXPECT_EQ(StoredText(2), u"xy1");
    EXPECT_EQ(Stored(2).ObjectType, LineObject);
    EXPECT_EQ(Stored(2).nItem, 2);
}

TEST_F(Typing, TenKeysThenIdleGiveOneStoreWrite)
{
    StartOn(1);
    InstallEdit();
    CurveStart(0);  // a drawing tool hands its keys to typing
    for (char16_t c : std::u16string_view(u"0123456789")) {
        const QString t(QChar{c});
        QKeyEvent down(QEvent::KeyPress, Qt::Key_0 + (c - u'0'), Qt::NoModifier, t);
        QCoreApplication::sendEvent(win->WorkWin(), &down);
    }
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(StoredText(1), u"ab");
    Process();
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(StoredText(1), u"ab0123456789");
    EXPECT_FALSE(TextEdit.EditPending);
    // A caret move alone writes nothing.
    MoveCaret(Qt::Key_Left, false);
    Process();
    EXPECT_EQ(writes, 1);
}

TEST_F(Typing, AnEmptiedTextDeletesItsObject)
{
    StartOn(1);
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
    StartOn(1);
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
    StartOn(1);
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
    EXPECT_EQ(StoredText(1), u"ab");
}

TEST_F(Typing, PastedLineEndsBecomeCrLfAndLineTextsDropControls)
{
    StartOn(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("one\ntwo\r\nthree\rfour\tfive\x01"));
    PasteText();
    EXPECT_EQ(Buffer(), u"abone\r\ntwo\r\nthree\r\nfour\tfive");
    CommitTyping();
    EndTyping();
    EXPECT_EQ(StoredText(1), u"abone\r\ntwo\r\nthree\r\nfour\tfive");

    SelectOnly(2);
    ASSERT_TRUE(ReadElement(2, CurElement));
    StartTyping();
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"1\n2\r\n3\t4\x1b" u"5\xdc00"));
    TypingKeyDown(Qt::Key_Insert, true, false, false);
    EXPECT_EQ(Buffer(), u"xy12345");
    EXPECT_EQ(CleanPastedText(QString::fromUtf16(u"a\xd800"), false), u"a");
}

TEST_F(Typing, CutAndPasteThroughTheKeys)
{
    StartOn(1, "hello");
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
    StartOn(1);
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
    StartOn(1);
    QInputMethodEvent ev(QString(), {});
    ev.setCommitString(QString::fromUtf16(u"\u00e9\u4e2d"));
    QCoreApplication::sendEvent(win->WorkWin(), &ev);
    EXPECT_EQ(Buffer(), u"ab\u00e9\u4e2d");
    QInputMethodQueryEvent q(Qt::ImEnabled);
    QCoreApplication::sendEvent(win->WorkWin(), &q);
    EXPECT_TRUE(q.value(Qt::ImEnabled).toBool());
    EndTyping();
    EXPECT_EQ(StoredText(1), u"ab\u00e9\u4e2d");
}

TEST_F(Typing, UpAndDownKeepTheirColumn)
{
    StartOn(1, "abcdef");
    Type(u"\rab\rabcdef");
    MoveCaret(Qt::Key_Up, false);
    EXPECT_EQ(Texts.CaretIndex, 10);  // end of the short middle line
    MoveCaret(Qt::Key_Up, false);
    EXPECT_EQ(Texts.CaretIndex, 6);   // back at the column of the long line's end
    MoveCaret(Qt::Key_Down, false);
    MoveCaret(Qt::Key_Down, false);
    EXPECT_EQ(Texts.CaretIndex, int(Buffer().size()));
}

} // namespace
} // namespace zemo::test
