// The map behind a dialog that opens a command: the keys that open it stop a paint of the map,
// and the rest of the paint is made up for behind the dialog, so that the map is whole while
// the dialog is up; input to the dialog stops that paint too, and it goes on after it.
#include "ShellFixture.h"
#include "../support/ImageDiff.h"
#include "core/Status.h"
#include "edit/Work.h"
#include "io/widgets/PrintDlg.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <functional>

// QtGui's own entry for keys typed into a window (the one QtTest uses).
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text = QString(), bool autorep = false,
                                    ushort count = 1);

using namespace zemo;
using namespace zemo::test;

namespace {

// File dialogs that run the event loop as a real one does while it is up, then do `look` and
// are cancelled. The command's Esc is noted as the dialog came up.
class LoopingFileDialogs : public FileDialogService {
public:
    explicit LoopingFileDialogs(std::function<void(const FileDialogRequest&, bool escAtStart)> look)
        : look_(std::move(look)), prev_(SetFileDialogService(this))
    {
    }
    ~LoopingFileDialogs() override { SetFileDialogService(prev_); }
    bool Run(FileDialogRequest& r) override
    {
        const bool esc = AbortRequested;
        for (int i = 0; i < 50; ++i)
            Pass();
        look_(r, esc);
        return false;
    }
    static void Pass() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }

private:
    std::function<void(const FileDialogRequest&, bool)> look_;
    FileDialogService* prev_;
};

class PaintBehindDialogs : public ShellTest {
protected:
    void TearDown() override
    {
        inject_.stop();
        watch_.stop();
        ShellTest::TearDown();
    }
    // 600 lines across the view: a paint polls for input many times.
    bool OpenBig()
    {
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Point(101), TestSymbol::Line(201)};
        // Print settings in their ranges: the print dialog has nothing to mend.
        PutI16(w.setup, setup::PrintIntensity, 100);
        PutI16(w.setup, setup::PrintLineWidth, 100);
        for (int i = 0; i < 600; ++i) {
            const int32_t x = (i % 30 - 15) * 3 * Mm, y = (i / 30 - 10) * 3 * Mm;
            w.objects.push_back(TestObject::Line(201, {{x, y}, {x + 5 * Mm, y + 2 * Mm}}));
        }
        if (!OpenWritten(w, QStringLiteral("big.zmd")))
            return false;
        if (ActiveChild()->View().SwallowClick)
            Click(Surface(), {5, 5});
        return !ActiveChild()->View().SwallowClick;
    }
    // `input` runs once, from inside the next map paint, where the window system's queue runs.
    void DuringNextPaint(std::function<void()> input)
    {
        inject_.setInterval(0);
        QObject::disconnect(&inject_, nullptr, nullptr, nullptr);
        QObject::connect(&inject_, &QTimer::timeout, [this, input] {
            if (!Work.PaintBusy)
                return;
            inject_.stop();
            injected_ = true;
            input();
        });
        injected_ = false;
        inject_.start();
    }
    void TypeKey(int key, Qt::KeyboardModifiers mods, const QString& text)
    {
        QWindow* w = Frame().windowHandle();
        qt_handleKeyEvent(w, QEvent::KeyPress, key, mods, text);
        qt_handleKeyEvent(w, QEvent::KeyRelease, key, mods, text);
    }
    // Once the print dialog is up and no paint runs: `look`, and the dialog is cancelled.
    void WhenPrintDialogIsUp(std::function<void(TPrintDlg&)> look)
    {
        watch_.setInterval(5);
        QObject::disconnect(&watch_, nullptr, nullptr, nullptr);
        idle_ = 0;
        looked_ = false;
        QObject::connect(&watch_, &QTimer::timeout, [this, look] {
            auto* d = dynamic_cast<TPrintDlg*>(QApplication::activeModalWidget());
            if (!d || !d->isVisible() || Work.PaintBusy)
                return;
            // The paint messages of the dialog's first rounds have come.
            if (++idle_ < 5)
                return;
            watch_.stop();
            looked_ = true;
            look(*d);
            d->reject();
        });
        watch_.start();
    }
    MapView& View() const { return ActiveChild()->View(); }

    QTimer inject_;
    bool injected_ = false;
    QTimer watch_;
    int idle_ = 0;
    bool looked_ = false;
};

TEST_F(PaintBehindDialogs, APaintCtrlPStoppedIsFinishedBehindThePrintDialog)
{
    ASSERT_TRUE(OpenBig());
    Settle();
    const QImage whole = ActiveChild()->Surface().copy();
    const uint8_t modified = Index.ActiveZmd->Modified;
    ASSERT_FALSE(View().PendingValid);

    // Ctrl+P comes while the map paints again: the paint stops, and the dialog opens after it.
    QImage behind;
    bool pending = true;
    bool commandRan = false;
    DuringNextPaint([&] { TypeKey(Qt::Key_P, Qt::ControlModifier, QStringLiteral("\x10")); });
    WhenPrintDialogIsUp([&](TPrintDlg&) {
        commandRan = CommandBusy;
        pending = View().PendingValid;
        behind = ActiveChild()->Surface().copy();
    });
    Trigger(Cmd::ViewRedraw);
    ASSERT_TRUE(injected_);
    for (int i = 0; i < 200 && !looked_; ++i)
        Settle(1);
    ASSERT_TRUE(looked_) << "the print dialog came up";
    EXPECT_TRUE(commandRan);
    EXPECT_FALSE(pending) << "painted whole behind the dialog";
    EXPECT_EQ(DifferingPixels(behind, whole), QRect());
    // Cancelled, the map stays as it was.
    EXPECT_EQ(Index.ActiveZmd->Modified, modified);
    EXPECT_EQ(DifferingPixels(ActiveChild()->Surface(), whole), QRect());
}

} // namespace

TEST_F(PaintBehindDialogs, FileDialogsToo_AndInputToThemOnlyPausesThePaint)
{
    ASSERT_TRUE(OpenBig());
    Settle();
    const QImage whole = ActiveChild()->Surface().copy();

    // Ctrl+O stops a paint; behind the open dialog the map is painted whole, though a key
    // typed into the dialog stopped that paint once more.
    struct Seen {
        FileDialogRequest::Kind kind;
        bool commandRan;
        bool pending;
        QImage surface;
        bool escKept;
    };
    std::vector<Seen> seen;
    LoopingFileDialogs dialogs([&](const FileDialogRequest& r, bool escAtStart) {
        seen.push_back({r.kind, CommandBusy, View().PendingValid, ActiveChild()->Surface().copy(),
                        AbortRequested == escAtStart});
    });
    bool typedInDialog = false;
    DuringNextPaint([&] {
        TypeKey(Qt::Key_O, Qt::ControlModifier, QStringLiteral("\x0f"));
        // The next paint is the one behind the dialog.
        DuringNextPaint([&] {
            typedInDialog = CommandBusy;
            TypeKey(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        });
    });
    Trigger(Cmd::ViewRedraw);
    ASSERT_TRUE(injected_);
    Settle();
    EXPECT_TRUE(typedInDialog) << "a paint ran behind the dialog and was stopped";

    // File > Save As: what waits to be painted is painted behind its dialog.
    ActiveChild()->InvalidateRect({0, 0, View().ClientWidth, View().ClientHeight});
    Frame().Action(Cmd::FileSaveAs)->trigger();
    Settle();

    ASSERT_EQ(seen.size(), 2u);
    const FileDialogRequest::Kind kinds[] = {FileDialogRequest::Open, FileDialogRequest::Save};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(seen[i].kind, kinds[i]);
        EXPECT_TRUE(seen[i].commandRan) << i;
        EXPECT_FALSE(seen[i].pending) << i;
        EXPECT_EQ(DifferingPixels(seen[i].surface, whole), QRect()) << i;
        EXPECT_TRUE(seen[i].escKept) << "the paints leave the command's Esc alone " << i;
    }
}

TEST_F(PaintBehindDialogs, EscTypedWhileTheMapPaintsBehindADialogStopsThePaintAlone)
{
    ASSERT_TRUE(OpenBig());
    Settle();
    const QImage whole = ActiveChild()->Surface().copy();
    bool pending = false;
    LoopingFileDialogs dialogs([&](const FileDialogRequest&, bool) { pending = View().PendingValid; });
    DuringNextPaint([&] {
        TypeKey(Qt::Key_O, Qt::ControlModifier, QStringLiteral("\x0f"));
        DuringNextPaint([&] { TypeKey(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")); });
    });
    Trigger(Cmd::ViewRedraw);
    Settle();
    // The rest waits for the command's end.
    EXPECT_TRUE(pending);
    EXPECT_FALSE(View().PendingValid);
    EXPECT_EQ(DifferingPixels(ActiveChild()->Surface(), whole), QRect());
}
