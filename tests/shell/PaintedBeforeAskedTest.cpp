// A map whose opening asks something (a record the reader's rules skip, a template not found)
// is painted in its window before the question comes up, so that the user sees what is asked
// about.
#include "ShellFixture.h"

#include "core/LangTexts.h"
#include "core/Messages.h"

#include <QCoreApplication>

#include <functional>

using namespace zemo;
using namespace zemo::test;

namespace {

// Dark pixels of what the document window shows, while a message box
// runs its events.
int InkShown(TMdiChild* child)
{
    if (!child)
        return 0;
    QImage shown;
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        shown = child->WorkWin()->grab().toImage();
    }
    int n = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            n += qGray(shown.pixel(x, y)) < 100;
    return n;
}

// Answers every box with its default, looking at the window first.
class LookingMessages : public MessageService {
public:
    explicit LookingMessages(std::function<int()> look) : look_(std::move(look)), scope_(this) {}
    int Show(const ShownMessage& m) override
    {
        seen.push_back({m.key, look_()});
        return DefaultAnswer(m);
    }
    std::vector<std::pair<TextKey, int>> seen;

private:
    std::function<int()> look_;
    ScopedMessageService scope_;
};

} // namespace

TEST_F(ShellTest, TheMapIsPaintedBehindTheQuestionsItsOpeningAsks)
{
    struct Row {
        const char* what;
        bool skippedRecord, missingTemplate;
        std::vector<TextKey> asked;
    };
    const Row rows[] = {
        {"a record the rules skip", true, false, {TextKey::SkippedSymbols}},
        {"a template not found", false, true, {TextKey::TemplateSearch}},
        {"both", true, true, {TextKey::SkippedSymbols, TextKey::TemplateSearch}},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TestMapWriter w(8);
        w.symbols = {TestSymbol::Line(201, 0, 300)};
        if (row.skippedRecord)
            w.symbols.push_back(TestSymbol::Raw(123, 1, 29408));
        w.objects.push_back(TestObject::Line(201, {{-100 * Mm, 0}, {100 * Mm, 0}}));
        if (row.missingTemplate)
            w.strings.push_back(TestPString::Make(8, 0, "gone.tpx\ts1"));
        LookingMessages looking([this] { return InkShown(ActiveChild()); });
        ASSERT_TRUE(OpenWritten(w, QStringLiteral("asks%1.zmd").arg(++n)));
        ASSERT_EQ(looking.seen.size(), row.asked.size());
        for (size_t k = 0; k < row.asked.size(); ++k) {
            EXPECT_EQ(looking.seen[k].first, row.asked[k]);
            EXPECT_GT(looking.seen[k].second, 500) << "the line is shown behind question " << k;
        }
        Settle();
        EXPECT_GT(InkShown(ActiveChild()), 500);
        Trigger(Cmd::FileClose);
    }
}
