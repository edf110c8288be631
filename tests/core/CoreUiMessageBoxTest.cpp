#include "core/Help.h"
#include "core/Messages.h"
#include "core/Ports.h"
#include "core/Status.h"
#include "core/widgets/EscapeFilter.h"
#include "core/widgets/QtMessageBoxes.h"
#include "core/widgets/QtServices.h"
#include "core/widgets/QtStatusBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <functional>
#include <tuple>

#include <gtest/gtest.h>

using namespace zemo;

namespace {

// Runs fn on the modal box once it is up; the box must be closed by fn.
void WhenBoxIsUp(std::function<void(MessageBox*)> fn)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        auto* box = qobject_cast<MessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        fn(box);
        // Never leave a box open: a test that forgot to close it fails, not hangs.
        if (box->isVisible()) {
            ADD_FAILURE() << "box left open";
            box->done(0);
        }
    });
    timer->start();
}

void Press(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

struct CoreUiBoxes : ::testing::Test {
    QtMessageService service;
    RecordingHelp help;
    ScopedMessageService scope{&service};
};

} // namespace

TEST_F(CoreUiBoxes, EnterOnAnOkCancelQuestionAnswersCancel)
{
    int focusedAnswer = 0;
    WhenBoxIsUp([&](MessageBox* box) {
        // Enter goes to whatever has the focus: the Cancel button.
        QWidget* f = box->focusWidget() ? box->focusWidget() : box;
        if (auto* b = qobject_cast<QAbstractButton*>(f))
            focusedAnswer = b->property("zemoAnswer").toInt();
        Press(f, Qt::Key_Return);
    });
    EXPECT_EQ(OkCancelMsg(TextKey::Ok), int(IdCancel));
    EXPECT_EQ(focusedAnswer, int(IdCancel));

    // Enter on the box itself takes the default button too.
    WhenBoxIsUp([](MessageBox* box) { Press(box, Qt::Key_Enter); });
    EXPECT_EQ(OkCancelMsg(TextKey::Ok), int(IdCancel));

    // Yes/No/Cancel: Yes is the default; Esc answers Cancel.
    WhenBoxIsUp([](MessageBox* box) { Press(box, Qt::Key_Return); });
    EXPECT_EQ(YesNoCancelMsg(TextKey::Ok), int(IdYes));
    WhenBoxIsUp([](MessageBox* box) { Press(box, Qt::Key_Escape); });
    EXPECT_EQ(YesNoCancelMsg(TextKey::Ok), int(IdCancel));
    WhenBoxIsUp([](MessageBox* box) { box->ButtonFor(IdNo)->click(); });
    EXPECT_EQ(YesNoCancelMsg(TextKey::Ok), int(IdNo));
    WhenBoxIsUp([](MessageBox* box) { box->ButtonFor(IdOk)->click(); });
    EXPECT_EQ(OkCancelMsg(TextKey::Ok), int(IdOk));

    // A question may name its own default: it gets the focus, and Enter on the box takes it.
    for (const auto& [kind, named, onFocus] : {std::tuple{MsgKind::OkCancel, int(IdOk), true},
                                               std::tuple{MsgKind::YesNoCancel, int(IdNo), false}}) {
        WhenBoxIsUp([onFocus](MessageBox* box) { Press(onFocus ? box->focusWidget() : box, Qt::Key_Return); });
        ShownMessage m;
        m.kind = kind;
        m.key = TextKey::Ok;
        m.defaultButton = named;
        EXPECT_EQ(ShowMsg(m), named);
    }
}

TEST_F(CoreUiBoxes, HelpButtonAndF1OpenTheTopicAndKeepTheBoxOpen)
{
    SetText(TextKey::CannotRead, "Cannot read");
    int contextWhileUp = 0;
    bool openAfterHelp = false;
    bool openAfterF1 = false;
    QString shownText;
    QString caption;
    WhenBoxIsUp([&](MessageBox* box) {
        contextWhileUp = MessageHelpContext();
        shownText = box->findChild<QLabel*>(QStringLiteral("messageText"))->text();
        caption = box->windowTitle();
        ASSERT_NE(box->HelpButton(), nullptr);
        box->HelpButton()->click();
        openAfterHelp = box->isVisible();
        Press(box, Qt::Key_F1);
        openAfterF1 = box->isVisible();
        box->ButtonFor(IdOk)->click();
    });
    EXPECT_EQ(ErrorMsg(TextKey::CannotRead, QStringLiteral("/tmp/x.zmd"), 50), int(IdOk));
    EXPECT_EQ(contextWhileUp, 50);
    EXPECT_TRUE(openAfterHelp);
    EXPECT_TRUE(openAfterF1);
    EXPECT_EQ(help.Topics(), (std::vector<int>{50, 50}));
    EXPECT_EQ(MessageHelpContext(), 0);
    EXPECT_EQ(MainWindowHelpContext(), 50);
    EXPECT_EQ(shownText, "Cannot read /tmp/x.zmd");
    EXPECT_EQ(caption, "ZEMO");
}

TEST_F(CoreUiBoxes, NoHelpButtonWithoutAContextAndF1FallsBackToTheMainWindow)
{
    SetMainWindowHelpContext(101);
    bool hasHelp = true;
    WhenBoxIsUp([&](MessageBox* box) {
        hasHelp = box->HelpButton() != nullptr;
        Press(box, Qt::Key_F1);
        box->ButtonFor(IdOk)->click();
    });
    InfoMsg(TextKey::Ok);
    EXPECT_FALSE(hasHelp);
    // A box without a topic sets the main window's context to 0 first.
    EXPECT_TRUE(help.Topics().empty());
}

TEST_F(CoreUiBoxes, EachKindHasItsButtonsAndAnIconButInfo)
{
    struct Case {
        MsgKind kind;
        std::vector<int> buttons;
        bool icon;
    };
    const Case cases[] = {
        {MsgKind::Error, {IdOk}, true},
        {MsgKind::Warning, {IdOk}, true},
        {MsgKind::Info, {IdOk}, false},
        {MsgKind::OkCancel, {IdOk, IdCancel}, true},
        {MsgKind::YesNoCancel, {IdYes, IdNo, IdCancel}, true},
    };
    for (const Case& c : cases) {
        ShownMessage m;
        m.kind = c.kind;
        m.key = TextKey::Ok;
        MessageBox box(m, nullptr);
        for (int a : {int(IdOk), int(IdCancel), int(IdYes), int(IdNo)}) {
            const bool expected = std::find(c.buttons.begin(), c.buttons.end(), a) != c.buttons.end();
            EXPECT_EQ(box.ButtonFor(a) != nullptr, expected) << int(c.kind) << " " << a;
        }
        int pixmaps = 0;
        for (QLabel* l : box.findChildren<QLabel*>())
            pixmaps += l->pixmap().isNull() ? 0 : 1;
        EXPECT_EQ(pixmaps, c.icon ? 1 : 0) << int(c.kind);
    }
}

TEST(CoreUiEscape, EscDuringAPollingLoopEndsItAndOtherInputIsHeldBack)
{
    ResetStatusUnit();
    EscapeFilter* filter = EscapeFilter::Install();
    CorePorts().PumpKeyMessages.Bind(&EscapeFilter::PumpInstalled);

    struct Target : QWidget {
        int clicks = 0;
        int keys = 0;
        void mousePressEvent(QMouseEvent*) override { ++clicks; }
        void keyPressEvent(QKeyEvent*) override { ++keys; }
    } target;
    target.show();

    RecordingStatus status;
    StartProgress(QStringLiteral("Working"), QString(), 1000, 1, true);
    int done = 0;
    for (int i = 1; i <= 1000; ++i) {
        if (i == 10) {
            const QPointF p(1, 1);
            QCoreApplication::postEvent(&target, new QMouseEvent(QEvent::MouseButtonPress, p, p, p,
                                                                 Qt::LeftButton, Qt::LeftButton,
                                                                 Qt::NoModifier));
            QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        }
        if (i == 20)
            QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        UpdateProgress(i, i);
        DispatchKeyMessages();
        if (AbortRequested)
            break;
        done = i;
    }
    EndProgress();
    EXPECT_EQ(done, 19);
    EXPECT_TRUE(AbortRequested);
    EXPECT_EQ(target.clicks, 0);
    EXPECT_EQ(target.keys, 0);

    // The click waited for the loop's end; the key found the program busy and is gone.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(target.clicks, 1);
    EXPECT_EQ(target.keys, 0);

    // Outside a pump nothing is held: input reaches the widget and Esc sets nothing.
    AbortRequested = false;
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QCoreApplication::processEvents();
    EXPECT_FALSE(AbortRequested);
    EXPECT_EQ(target.keys, 1);
    (void)filter;
    EscapeFilter::Uninstall();
    DispatchKeyMessages(); // no filter left: harmless
    CorePorts().PumpKeyMessages.Unbind();
}

TEST(CoreUiStatusLine, PanelsAndABarThatRepaintsOnlyOnAWidthChange)
{
    ResetStatusUnit();
    StatusLine line;
    line.resize(800, 24);
    line.show();
    QCoreApplication::processEvents();
    line.Install();
    EXPECT_EQ(line.Panel(StatusPanel::Left)->width(), 216);
    EXPECT_EQ(line.Panel(StatusPanel::Center)->width(), 169);
    EXPECT_EQ(line.Panel(StatusPanel::Zoom)->width(), 48);

    SetStatusText(QStringLiteral("Ready"));
    EXPECT_EQ(line.Panel(StatusPanel::Left)->text(), "Ready");
    EXPECT_FALSE(line.Progress()->isVisible());

    StartProgress(QStringLiteral("Work"), QString(), 10000, 1, false);
    EXPECT_TRUE(line.Progress()->isVisible());
    const int boxWidth = line.ProgressBoxWidth();
    ASSERT_GT(boxWidth, 10);
    const int before = line.Progress()->PaintCount();
    for (int i = 1; i <= 10000; ++i)
        UpdateProgress(i, i);
    const int paints = line.Progress()->PaintCount() - before;
    // One immediate repaint per pixel of growth, none for the other 10000 - width calls.
    EXPECT_EQ(paints, boxWidth);
    EXPECT_EQ(line.Progress()->BarWidth(), boxWidth);
    EndProgress();
    EXPECT_FALSE(line.Progress()->isVisible());
    EXPECT_EQ(line.Panel(StatusPanel::Left)->text(), "Ready");
    SetStatusDisplay(nullptr);
}

TEST(CoreUiDefaultDlg, HelpOpensTheFormsTopicUnlessAMessageIsUp)
{
    RecordingHelp help;
    TDefaultDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Default Dialog Box");
    dlg.SetHelpContext(77);
    auto* helpButton = dlg.findChild<QAbstractButton*>(QStringLiteral("helpButton"));
    ASSERT_NE(helpButton, nullptr);
    helpButton->click();
    Press(&dlg, Qt::Key_F1);
    EXPECT_EQ(help.Topics(), (std::vector<int>{77, 77}));

    // While a message box with a topic is up, its topic wins.
    RecordingMessages messages;
    struct Inner : MessageService {
        QAbstractButton* b;
        int Show(const ShownMessage&) override { b->click(); return IdOk; }
    } inner;
    inner.b = helpButton;
    ScopedMessageService scope(&inner);
    InfoMsg(TextKey::Ok, {}, 9);
    EXPECT_EQ(help.Topics(), (std::vector<int>{77, 77, 9}));
}

