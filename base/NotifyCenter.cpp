#include "base/NotifyCenter.h"

#include <atomic>

namespace vy {
namespace {
std::atomic<SNotifyCenter*> g_current{nullptr};
}

SNotifyCenter::SNotifyCenter(IUiLoop& loop) : m_loop(loop), m_alive(std::make_shared<SNotifyCenter*>(this))
{
    m_previous = g_current.exchange(this);
}

SNotifyCenter::~SNotifyCenter()
{
    SNotifyCenter* self = this;
    g_current.compare_exchange_strong(self, m_previous);
}

SNotifyCenter* SNotifyCenter::Current()
{
    return g_current.load();
}

SNotifyCenter::Token SNotifyCenter::Subscribe(uint32_t eventId, Handler handler)
{
    Token token = m_nextToken++;
    m_subscriptions[token] = Subscription{eventId, {}, std::move(handler)};
    return token;
}

SNotifyCenter::Token SNotifyCenter::SubscribeByName(const std::string& eventName, Handler handler)
{
    Token token = m_nextToken++;
    m_subscriptions[token] = Subscription{0, eventName, std::move(handler)};
    return token;
}

void SNotifyCenter::Unsubscribe(Token token)
{
    m_subscriptions.erase(token);
}

void SNotifyCenter::Post(EventPtr event)
{
    if (!event)
        return;
    std::weak_ptr<SNotifyCenter*> alive = m_alive;
    m_loop.Post([alive, event] {
        if (auto center = alive.lock())
            (*center)->Fire(*event);
    });
}

void SNotifyCenter::Fire(const CEventBase& event)
{
    // Handlers may subscribe or unsubscribe while being called: walk a copy
    // of the tokens and skip the ones removed meanwhile.
    std::vector<Token> tokens;
    tokens.reserve(m_subscriptions.size());
    for (const auto& [token, subscription] : m_subscriptions) {
        bool matches = subscription.name.empty() ? subscription.id == event.Id() : subscription.name == event.Name();
        if (matches)
            tokens.push_back(token);
    }
    for (Token token : tokens) {
        auto it = m_subscriptions.find(token);
        if (it == m_subscriptions.end())
            continue;
        Handler handler = it->second.handler;
        handler(event);
    }
}

}  // namespace vy
