#pragma once

#include "base/UiLoop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vy {

// An event: numeric id, name and, in derived classes, a payload.
class CEventBase {
public:
    CEventBase(uint32_t id, std::string name) : m_id(id), m_name(std::move(name)) {}
    virtual ~CEventBase() = default;
    uint32_t Id() const { return m_id; }
    const std::string& Name() const { return m_name; }

private:
    uint32_t m_id;
    std::string m_name;
};

using EventPtr = std::shared_ptr<const CEventBase>;

// The program's notification center. Any thread may Post an event; it is
// delivered on the UI thread to every handler subscribed to its id (or name).
// Fire delivers synchronously and is for the UI thread only.
class SNotifyCenter {
public:
    using Handler = std::function<void(const CEventBase&)>;
    using Token = uint64_t;

    explicit SNotifyCenter(IUiLoop& loop);
    ~SNotifyCenter();
    SNotifyCenter(const SNotifyCenter&) = delete;
    SNotifyCenter& operator=(const SNotifyCenter&) = delete;

    // The process-wide center: the most recently created one still alive.
    static SNotifyCenter* Current();

    Token Subscribe(uint32_t eventId, Handler handler);
    Token SubscribeByName(const std::string& eventName, Handler handler);
    void Unsubscribe(Token token);

    void Post(EventPtr event);
    void Fire(const CEventBase& event);

    IUiLoop& Loop() const { return m_loop; }

private:
    struct Subscription {
        uint32_t id;
        std::string name;  // empty: by id
        Handler handler;
    };

    IUiLoop& m_loop;
    std::shared_ptr<SNotifyCenter*> m_alive;
    std::map<Token, Subscription> m_subscriptions;
    Token m_nextToken = 1;
    SNotifyCenter* m_previous = nullptr;
};

// Subscribes for the lifetime of the object.
class CEventSubscription {
public:
    CEventSubscription() = default;
    CEventSubscription(SNotifyCenter& center, uint32_t eventId, SNotifyCenter::Handler handler)
        : m_center(&center), m_token(center.Subscribe(eventId, std::move(handler)))
    {
    }
    ~CEventSubscription() { Reset(); }
    CEventSubscription(CEventSubscription&& other) noexcept { *this = std::move(other); }
    CEventSubscription& operator=(CEventSubscription&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_center = other.m_center;
            m_token = other.m_token;
            other.m_center = nullptr;
        }
        return *this;
    }
    void Reset()
    {
        if (m_center)
            m_center->Unsubscribe(m_token);
        m_center = nullptr;
    }

private:
    SNotifyCenter* m_center = nullptr;
    SNotifyCenter::Token m_token = 0;
};

}  // namespace vy
