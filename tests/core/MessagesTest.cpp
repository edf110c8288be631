#include "core/Messages.h"

#include "core/LangTexts.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

using namespace zemo;

namespace {

struct ThrowingService : MessageService {
    int Show(const ShownMessage&) override { throw std::runtime_error("box failed"); }
};

} // namespace

TEST(Messages, EachFormShowsItsKindKeyParamsAndHelpContext)
{
    RecordingMessages rec;
    EXPECT_EQ(ErrorMsg(TextKey::CannotWrite, "/tmp/a.zmd"), IdOk);
    EXPECT_EQ(WarningMsg(TextKey::DiskFull, {}, 12), IdOk);
    EXPECT_EQ(InfoMsg(TextKey::Success, "x;y"), IdOk);
    OkCancelMsg(TextKey::Continue, "p", 50);
    YesNoCancelMsg(TextKey::Untitled, {}, 146);
    const std::tuple<MsgKind, TextKey, QString, int> shown[] = {
        {MsgKind::Error, TextKey::CannotWrite, "/tmp/a.zmd", 0}, {MsgKind::Warning, TextKey::DiskFull, "", 12},
        {MsgKind::Info, TextKey::Success, "x;y", 0}, {MsgKind::OkCancel, TextKey::Continue, "p", 50},
        {MsgKind::YesNoCancel, TextKey::Untitled, "", 146}};
    ASSERT_EQ(rec.Count(), 5);
    for (size_t i = 0; i < 5; ++i) {
        const ShownMessage& m = rec.Entries()[i].msg;
        EXPECT_EQ(std::tuple(m.kind, m.key, m.params, m.helpContext), shown[i]) << i;
    }
    EXPECT_EQ(rec.CountOf(TextKey::CannotWrite), 1);
}

TEST(Messages, QuestionsTakeScriptedAnswersThenTheDefault)
{
    RecordingMessages rec;
    // Unscripted questions get the box's default button: Cancel for OK/Cancel.
    EXPECT_EQ(OkCancelMsg(TextKey::Continue), IdCancel);
    EXPECT_EQ(YesNoCancelMsg(TextKey::Continue), IdYes);

    rec.QueueAnswer(IdNo);
    rec.QueueAnswer(IdOk);
    // Non-questions do not use up the script.
    EXPECT_EQ(ErrorMsg(TextKey::CannotRead), IdOk);
    EXPECT_EQ(rec.PendingAnswers(), 2);
    EXPECT_EQ(YesNoCancelMsg(TextKey::Continue), IdNo);
    EXPECT_EQ(OkCancelMsg(TextKey::Continue), IdOk);
    EXPECT_EQ(rec.PendingAnswers(), 0);

    rec.SetDefaultAnswer(IdNo);
    EXPECT_EQ(YesNoCancelMsg(TextKey::Continue), IdNo);
    EXPECT_EQ(rec.Entries().back().answer, IdNo);
    rec.SetDefaultAnswer(std::nullopt);
    EXPECT_EQ(OkCancelMsg(TextKey::Continue), IdCancel);
}

TEST(Messages, HelpContextIsSetOnlyWhileTheBoxIsUp)
{
    RecordingMessages rec;
    EXPECT_EQ(MessageHelpContext(), 0);
    ErrorMsg(TextKey::CannotRead, {}, 77);
    InfoMsg(TextKey::Success);
    EXPECT_EQ(rec.Entries()[0].helpContextWhileUp, 77);
    EXPECT_EQ(rec.Entries()[1].helpContextWhileUp, 0);
    EXPECT_EQ(MessageHelpContext(), 0);

    ThrowingService bad;
    ScopedMessageService scope(&bad);
    EXPECT_THROW(ErrorMsg(TextKey::CannotRead, {}, 5), std::runtime_error);
    EXPECT_EQ(MessageHelpContext(), 0);
}

TEST(Messages, ShownTextMergesParamsIntoTheLanguageText)
{
    SetText(TextKey::CannotWrite, "Cannot write to the file");
    SetText(TextKey::InternalError, "Internal error");
    SetText(TextKey::MustBetween, "Value of;must lie between;and");

    ShownMessage m;
    m.key = TextKey::CannotWrite;
    m.params = "/home/u/map.zmd";
    EXPECT_EQ(MessageText(m), "Cannot write to the file /home/u/map.zmd");

    m.key = TextKey::MustBetween;
    m.params = "Width;1;100";
    EXPECT_EQ(MessageText(m), "Value of Width must lie between 1 and 100");

    RecordingMessages rec;
    ErrorMsg(": EditSys.Join;", "17");
    ErrorMsg(": Index.GetIndex");
    ASSERT_EQ(rec.Count(), 2);
    const ShownMessage& withValue = rec.Entries()[0].msg;
    EXPECT_EQ(withValue.kind, MsgKind::Error);
    EXPECT_EQ(withValue.key, TextKey::InternalError);
    EXPECT_EQ(withValue.helpContext, 3);
    EXPECT_EQ(MessageText(withValue), "Internal error: EditSys.Join 17");
    EXPECT_EQ(MessageText(rec.Last()), "Internal error: Index.GetIndex");
}

TEST(Messages, WithoutAServiceMessagesGoToStderrAndQuestionsAreCancelled)
{
    ASSERT_EQ(CurrentMessageService(), nullptr);
    SetText(TextKey::CannotRead, "Cannot read from the file");
    testing::internal::CaptureStderr();
    const int a = ErrorMsg(TextKey::CannotRead, "/tmp/x.zmd");
    const int q = YesNoCancelMsg(TextKey::CannotRead, "/tmp/y.zmd");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(a, IdOk);
    EXPECT_EQ(q, IdCancel);
    EXPECT_NE(err.find("CannotRead"), std::string::npos) << err;
    EXPECT_NE(err.find("Cannot read from the file /tmp/x.zmd"), std::string::npos) << err;
    EXPECT_NE(err.find("/tmp/y.zmd"), std::string::npos) << err;

    // Texts not loaded yet: the key still says what happened.
    ClearTexts();
    testing::internal::CaptureStderr();
    ErrorMsg(TextKey::CannotWrite, "/tmp/z.zmd");
    const std::string bare = testing::internal::GetCapturedStderr();
    EXPECT_NE(bare.find("CannotWrite"), std::string::npos) << bare;
    EXPECT_NE(bare.find("/tmp/z.zmd"), std::string::npos) << bare;
}

TEST(Messages, RecordersNestAndRestoreThePreviousService)
{
    RecordingMessages outer;
    {
        RecordingMessages inner;
        ErrorMsg(TextKey::CannotRead);
        EXPECT_EQ(inner.Count(), 1);
        EXPECT_EQ(outer.Count(), 0);
    }
    EXPECT_EQ(CurrentMessageService(), &outer);
    ErrorMsg(TextKey::CannotRead);
    EXPECT_EQ(outer.Count(), 1);
    EXPECT_THROW(RecordingMessages().Last(), std::logic_error);
}
