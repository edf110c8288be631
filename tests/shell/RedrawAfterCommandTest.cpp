// Paints that came while a command or a question held the windows back are made up for
// when it ends, whatever the route: frame, tool, guard, a cancelled exit, the start-up's
// recovery questions.
#include "ShellFixture.h"

#include "core/LangTexts.h"
#include "core/Messages.h"
#include "core/Folders.h"
#include "document/Index.h"

#include <QApplication>
#include <QDir>
#include <QMdiSubWindow>

using namespace zemo;

namespace {

// Answers as the recorder does, but runs the event loop while the box is up, as a real
// modal box does: the windows get their paints then, and have to wait.
class ModalMessages : public MessageService {
public:
    explicit ModalMessages(RecordingMessages& answers)
        : answers_(answers), prev_(SetMessageService(this)) {}
    ~ModalMessages() override { SetMessageService(prev_); }
    int Show(const ShownMessage& m) override
    {
        for (int i = 0; i < 10; ++i)
            QApplication::processEvents();
        return answers_.Show(m);
    }

private:
    RecordingMessages& answers_;
    MessageService* prev_;
};

class RedrawAfterCommand : public test::ShellTest {
protected:
    // The window in front owes no paint and shows its map (the sample's line crosses the
    // middle of the view); maximised, the others are out of sight.
    void ExpectPainted(const char* what)
    {
        TMdiChild* c = ActiveChild();
        ASSERT_NE(c, nullptr);
        EXPECT_FALSE(c->View().PendingValid) << what;
        const QImage& img = c->Surface();
        int dark = 0;
        for (int y = 0; y < img.height(); y += 2)
            for (int x = 0; x < img.width(); x += 2)
                dark += qGray(img.pixel(x, y)) < 200 ? 1 : 0;
        EXPECT_GT(dark, 0) << what << ": the window stays white";
    }
};

TEST_F(RedrawAfterCommand, ACancelledExitPaintsTheWindowsItsQuestionsHeldBack)
{
    ASSERT_TRUE(OpenSample(QStringLiteral("a.zmd")));
    ChooseSymbol(1); // the line, with the curve tool
    Trigger(Cmd::CurveBtn);
    Index.ActiveZmd->Modified = true;
    ASSERT_TRUE(OpenSample(QStringLiteral("b.zmd")));
    ChooseSymbol(1);
    Trigger(Cmd::CurveBtn);
    Settle();
    ExpectPainted("opened");
    ASSERT_EQ(Work.ToolMode, ToolModes::Curve);
    ModalMessages modal(messages);
    messages.QueueAnswer(IdCancel);
    Trigger(Cmd::FileExit);
    ASSERT_EQ(messages.CountOf(TextKey::FileModified), 1);
    ASSERT_TRUE(Frame().isVisible());
    Settle();
    ExpectPainted("after Cancel");
    EXPECT_EQ(Work.ToolMode, ToolModes::Curve) << "the tool runs again";
}

TEST_F(RedrawAfterCommand, MapsRecoveredAtStartUpArePaintedAfterTheLastQuestion)
{
    ASSERT_TRUE(QDir().mkpath(StateFolder()));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(QFile::copy(WriteSample(QStringLiteral("m%1.zmd").arg(i)),
                                StateFolder() + QStringLiteral("temp000%1.~md").arg(i)));
    ModalMessages modal(messages);
    Frame().close();
    Restart();
    Settle();
    ASSERT_EQ(messages.CountOf(TextKey::SessionAborted), 3);
    ASSERT_EQ(Windows(), 3);
    ExpectPainted("recovered");
}

} // namespace
