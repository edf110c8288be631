// A fault inside the typing hit test is a bug: it reaches the event guard and is reported,
// it never passes for "the press missed the text". The fault is a failed allocation, injected
// by this binary's own operator new (a binary of its own, so that the other edit tests keep
// the sanitizer's allocator checks).
#include "../EditFixture.h"

#include "core/LangTexts.h"

#include <cstdlib>
#include <new>

namespace {

// The next allocation after arming fails once.
bool failNext = false;
int failures = 0;

void* Allocate(std::size_t n)
{
    if (failNext) {
        failNext = false;
        ++failures;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace zemo::test {
namespace {

using TypingFault = EditTest;

TEST_F(TypingFault, AFaultInTheTypingHitTestIsReportedNotTakenForAMiss)
{
    TestObject text = TestObject::Text(40, 0, 0, "abcdef");
    text.cords.resize(5);
    TypeOn({text}, 1);
    Type(u"g");
    CommitTyping();
    // The text's box as the layout left it; a control-point flag on its second corner makes
    // the ring test flatten a curve, which allocates.
    ElementRecord& e = CurElement;
    ASSERT_GE(e.nItem, 5);
    e.Cords()[2].x |= FirstBezierFlag;
    Work.CursorMapPos = e.Cords()[0];
    messages.Clear();

    failNext = true;
    ToolOf(ToolModes::Curve).MouseDown();
    failNext = false;

    ASSERT_EQ(failures, 1) << "the hit test allocated";
    ASSERT_EQ(messages.Count(), 1);
    EXPECT_EQ(messages.Last().key, TextKey::InternalError);
    EXPECT_EQ(messages.Last().label, QStringLiteral(": DrCurve.CurveMouseDown"));
    // Typing goes on: the press was neither a hit nor a miss.
    EXPECT_TRUE(EditSys.TypingActive);
}

} // namespace
} // namespace zemo::test
