#pragma once

#include "base/EventIds.h"
#include "base/NotifyCenter.h"
#include "cloud/CloudRecords.h"
#include "model/EffectRecord.h"

#include <cstdint>
#include <string>
#include <vector>

// The finish events of the cloud jobs. Each carries the thread that raised it
// so that its creator can tell its own job's event apart, stop the thread and
// release it. Lists are the thread's own and stay valid until then.
namespace vy {

class CThreadObject;

// The sound list job ended: the sound pad store's cloud pages are filled.
class EventThreadCloudSoundFinishEvent : public CEventBase {
public:
    EventThreadCloudSoundFinishEvent(CThreadObject* thread, int success, std::string failureText)
        : CEventBase(events::kThreadCloudSoundFinish, "on_cloud_sound_finish"),
          m_thread(thread), m_success(success), m_failureText(std::move(failureText))
    {
    }
    CThreadObject* Thread() const { return m_thread; }
    int Success() const { return m_success; }  // the categories were fetched
    const std::string& FailureText() const { return m_failureText; }

private:
    CThreadObject* m_thread;
    int m_success;
    std::string m_failureText;
};

// One cloud sound was downloaded (or not).
class EventCloudSoundFileReady : public CEventBase {
public:
    EventCloudSoundFileReady(CThreadObject* thread, int entryId, int controlId, std::string localPath,
                             std::string entryName, int mode, int success, std::string failureText)
        : CEventBase(events::kCloudSoundFileReady, "on_cloud_sound_ready"),
          m_thread(thread), m_entryId(entryId), m_controlId(controlId), m_localPath(std::move(localPath)),
          m_entryName(std::move(entryName)), m_mode(mode), m_success(success), m_failureText(std::move(failureText))
    {
    }
    CThreadObject* Thread() const { return m_thread; }
    int EntryId() const { return m_entryId; }  // the sound's cloud id
    int ControlId() const { return m_controlId; }
    const std::string& LocalPath() const { return m_localPath; }
    const std::string& EntryName() const { return m_entryName; }
    int Mode() const { return m_mode; }
    int Success() const { return m_success; }
    const std::string& FailureText() const { return m_failureText; }

private:
    CThreadObject* m_thread;
    int m_entryId;
    int m_controlId;
    std::string m_localPath;
    std::string m_entryName;
    int m_mode;
    int m_success;
    std::string m_failureText;
};

// A list job ended; `List()` points at the thread's result list.
template <uint32_t kId, typename Item>
class CCloudListFinishEvent : public CEventBase {
public:
    CCloudListFinishEvent(const char* name, CThreadObject* thread, const std::vector<Item>* list, int success,
                          std::string failureText)
        : CEventBase(kId, name), m_thread(thread), m_list(list), m_success(success),
          m_failureText(std::move(failureText))
    {
    }
    CThreadObject* Thread() const { return m_thread; }
    const std::vector<Item>* List() const { return m_list; }
    int Success() const { return m_success; }
    const std::string& FailureText() const { return m_failureText; }

private:
    CThreadObject* m_thread;
    const std::vector<Item>* m_list;
    int m_success;
    std::string m_failureText;
};

class EventThreadCloudEffectFinishEvent
    : public CCloudListFinishEvent<events::kThreadCloudEffectFinish, CloudEffectItem> {
public:
    EventThreadCloudEffectFinishEvent(CThreadObject* thread, const std::vector<CloudEffectItem>* list, int success,
                                      std::string failureText)
        : CCloudListFinishEvent("on_cloud_effect_finish", thread, list, success, std::move(failureText))
    {
    }
};

// Shares its name with the parameter-group event; the ids tell them apart.
class EventThreadCloudEffectCategoryFinishEvent
    : public CCloudListFinishEvent<events::kThreadCloudEffectCategoryFinish, EffectCategory> {
public:
    EventThreadCloudEffectCategoryFinishEvent(CThreadObject* thread, const std::vector<EffectCategory>* list,
                                              int success, std::string failureText)
        : CCloudListFinishEvent("on_cloud_effect_paramgroup_finish", thread, list, success, std::move(failureText))
    {
    }
};

class EventThreadCloudEffectParamGroupFinishEvent
    : public CCloudListFinishEvent<events::kThreadCloudEffectParamGroupFinish, ParamGroup> {
public:
    EventThreadCloudEffectParamGroupFinishEvent(CThreadObject* thread, const std::vector<ParamGroup>* list,
                                                int success, std::string failureText)
        : CCloudListFinishEvent("on_cloud_effect_paramgroup_finish", thread, list, success, std::move(failureText))
    {
    }
};

// A worker of the effect page ended. The cloud effect download raises it with
// the type tag kTypeDetail; the record (kind 7, for the downloaded effects)
// is filled when `Success()` is set.
class EventCommonThreadFinishEvent : public CEventBase {
public:
    static constexpr uint32_t kTypeDetail = 0x6465746C;  // 'detl'

    EventCommonThreadFinishEvent(CThreadObject* thread, uint32_t type, const EffectRecord* record,
                                 int cloudEffectId, int success, std::string failureText)
        : CEventBase(events::kCommonThreadFinish, "on_thread_finish"),
          m_thread(thread), m_type(type), m_record(record), m_cloudEffectId(cloudEffectId), m_success(success),
          m_failureText(std::move(failureText))
    {
    }
    CThreadObject* Thread() const { return m_thread; }
    uint32_t Type() const { return m_type; }
    const EffectRecord* Record() const { return m_record; }
    int CloudEffectId() const { return m_cloudEffectId; }
    int Success() const { return m_success; }
    const std::string& FailureText() const { return m_failureText; }

private:
    CThreadObject* m_thread;
    uint32_t m_type;
    const EffectRecord* m_record;
    int m_cloudEffectId;
    int m_success;
    std::string m_failureText;
};

}  // namespace vy
