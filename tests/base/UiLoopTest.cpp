#include "base/EventIds.h"
#include "base/MessageTarget.h"
#include "base/NotifyCenter.h"
#include "tests/support/FakeUiLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using vy::test::CFakeUiLoop;

namespace {

class RecordingTarget : public vy::CMessageTarget {
public:
    RecordingTarget(vy::IUiLoop& loop, std::vector<std::string>& log) : CMessageTarget(loop), m_log(log) {}

protected:
    intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t) override
    {
        m_log.push_back((msg == vy::WM_TIMER ? "timer " : "msg ") + std::to_string(wParam) + " at " +
                        std::to_string(Loop().NowMs() - 1000000));
        return 1;
    }

private:
    std::vector<std::string>& m_log;
};

}  // namespace

TEST(FakeUiLoop, RunsTimersAndPostedTasksInTimeOrder)
{
    CFakeUiLoop loop;
    std::vector<std::string> log;
    RecordingTarget target(loop, log);
    target.SetTimer(100, 200);
    target.SetTimer(105, 150);
    target.PostMessage(vy::WMU_APP_NOTIFY, 5, 0);
    loop.Advance(450);
    EXPECT_EQ(log, (std::vector<std::string>{"msg 5 at 0", "timer 105 at 150", "timer 100 at 200",
                                             "timer 105 at 300", "timer 100 at 400", "timer 105 at 450"}));
    log.clear();
    target.KillTimer(105);
    target.SetTimer(100, 200);  // restarting a timer resets its period
    loop.Advance(300);
    EXPECT_EQ(log, (std::vector<std::string>{"timer 100 at 650"}));
}

TEST(FakeUiLoop, TimerStoppedByAnotherTimerDoesNotFire)
{
    CFakeUiLoop loop;
    int fired = 0;
    vy::IUiLoop::TimerHandle second = 0;
    loop.StartTimer(10, [&] { loop.StopTimer(second); });
    second = loop.StartTimer(10, [&] { ++fired; });
    loop.Advance(100);
    EXPECT_EQ(fired, 0);
}

TEST(MessageTarget, MessagesPostedAfterDestructionAreDropped)
{
    CFakeUiLoop loop;
    std::vector<std::string> log;
    auto target = std::make_unique<RecordingTarget>(loop, log);
    std::thread worker([&] { target->PostMessage(vy::WMU_APP_NOTIFY, 2, 0); });
    worker.join();
    target->SetTimer(104, 10);
    target.reset();
    loop.Advance(100);
    EXPECT_TRUE(log.empty());
}

namespace {
class EventText : public vy::CEventBase {
public:
    EventText(uint32_t id, std::string value) : CEventBase(id, "on_text"), text(std::move(value)) {}
    std::string text;
};
}  // namespace

TEST(NotifyCenter, PostFromAnyThreadDeliversOnTheLoopByIdAndName)
{
    CFakeUiLoop loop;
    vy::SNotifyCenter center(loop);
    EXPECT_EQ(vy::SNotifyCenter::Current(), &center);
    std::vector<std::string> got;
    std::thread::id deliveredOn;
    vy::CEventSubscription byId(center, vy::events::kRecvData, [&](const vy::CEventBase& e) {
        got.push_back("id:" + static_cast<const EventText&>(e).text);
        deliveredOn = std::this_thread::get_id();
    });
    center.SubscribeByName("on_text", [&](const vy::CEventBase& e) { got.push_back("name:" + std::to_string(e.Id())); });

    std::thread worker([&] { center.Post(std::make_shared<EventText>(vy::events::kRecvData, "a")); });
    worker.join();
    EXPECT_TRUE(got.empty()) << "nothing is delivered before the loop runs";
    loop.Drain();
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
    EXPECT_EQ(got, (std::vector<std::string>{"id:a", "name:10030001"}));

    got.clear();
    byId.Reset();
    center.Fire(EventText(vy::events::kParamChanged, "b"));
    EXPECT_EQ(got, (std::vector<std::string>{"name:10030002"}));
}

TEST(NotifyCenter, HandlerMayUnsubscribeAnotherDuringDelivery)
{
    CFakeUiLoop loop;
    vy::SNotifyCenter center(loop);
    int secondCalls = 0;
    vy::SNotifyCenter::Token second = 0;
    center.Subscribe(1, [&](const vy::CEventBase&) { center.Unsubscribe(second); });
    second = center.Subscribe(1, [&](const vy::CEventBase&) { ++secondCalls; });
    center.Fire(vy::CEventBase(1, "x"));
    EXPECT_EQ(secondCalls, 0);
}
