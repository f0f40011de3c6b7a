#include "audio/PulseConnection.h"

#include "base/Log.h"

#include <sys/time.h>

namespace vy {
namespace {

struct TimeoutFlag {
    CPulseConnection* connection;
    bool expired = false;
};

void OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata)
{
    auto* flag = static_cast<TimeoutFlag*>(userdata);
    flag->expired = true;
    flag->connection->Signal();
}

AudioDeviceInfo DeviceFrom(const char* name, const char* description, const pa_sample_spec& sampleFormat, bool monitor)
{
    AudioDeviceInfo info;
    info.id = name ? name : "";
    info.name = description && *description ? description : info.id;
    info.sampleRate = sampleFormat.rate;
    info.channels = sampleFormat.channels;
    info.monitor = monitor;
    return info;
}

struct ListState {
    CPulseConnection* connection;
    std::vector<AudioDeviceInfo>* devices;
    bool done = false;
};

}  // namespace

CPulseConnection::CPulseConnection() = default;

CPulseConnection::~CPulseConnection()
{
    if (!m_loop)
        return;
    if (InLoopThread()) {
        // Cannot stop the loop from inside it; the owner broke the rule.
        VY_LOG("sound server connection destroyed on its own thread");
        return;
    }
    Lock();
    DropContext();
    Unlock();
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

bool CPulseConnection::Start(std::string& error)
{
    if (m_loop)
        return true;
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) {
        error = "cannot create the sound server loop";
        return false;
    }
    pa_threaded_mainloop_set_name(m_loop, "audio engine");
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        error = "cannot start the sound server thread";
        return false;
    }
    return true;
}

bool CPulseConnection::InLoopThread() const
{
    return m_loop && pa_threaded_mainloop_in_thread(m_loop);
}

void CPulseConnection::Lock()
{
    if (m_loop)
        pa_threaded_mainloop_lock(m_loop);
}

void CPulseConnection::Unlock()
{
    if (m_loop)
        pa_threaded_mainloop_unlock(m_loop);
}

void CPulseConnection::Signal()
{
    if (m_loop)
        pa_threaded_mainloop_signal(m_loop, 0);
}

void CPulseConnection::OnContextState(pa_context* context, void* self)
{
    auto* connection = static_cast<CPulseConnection*>(self);
    pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        connection->m_wasReady = true;
    } else if (!PA_CONTEXT_IS_GOOD(state) && connection->m_wasReady) {
        connection->m_wasReady = false;
        // Its streams fail too and report it themselves.
        VY_LOG("sound server connection lost: %s", pa_strerror(pa_context_errno(context)));
    }
    connection->Signal();
}

void CPulseConnection::DropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
    m_wasReady = false;
}

bool CPulseConnection::IsConnected() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool CPulseConnection::Connect(int timeoutMs, std::string& error)
{
    if (!m_loop && !Start(error))
        return false;
    if (IsConnected())
        return true;
    DropContext();
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "PX40");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "vyaudio");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "PX40", properties);
    pa_proplist_free(properties);
    if (!m_context) {
        error = "cannot create a sound server connection";
        return false;
    }
    pa_context_set_state_callback(m_context, &CPulseConnection::OnContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = ErrorText("cannot connect to the sound server");
        DropContext();
        return false;
    }
    bool settled = Wait(
        [this] {
            pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        },
        timeoutMs);
    if (!settled) {
        error = InLoopThread() ? "cannot connect to the sound server from the engine's own thread"
                               : "cannot connect to the sound server: no answer within " +
                                     std::to_string(timeoutMs) + " ms";
        DropContext();
        return false;
    }
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        error = ErrorText("cannot connect to the sound server");
        DropContext();
        return false;
    }
    return true;
}

bool CPulseConnection::Wait(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    if (!m_loop || InLoopThread())
        return false;
    TimeoutFlag flag{this, false};
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    struct timeval when;
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(timeoutMs < 0 ? 0 : timeoutMs) * PA_USEC_PER_MSEC);
    pa_time_event* timer = api->time_new(api, &when, &OnTimeout, &flag);
    bool result = false;
    for (;;) {
        if (done()) {
            result = true;
            break;
        }
        if (flag.expired)
            break;
        pa_threaded_mainloop_wait(m_loop);
    }
    if (timer)
        api->time_free(timer);
    return result;
}

bool CPulseConnection::Complete(pa_operation* operation, int timeoutMs)
{
    if (!operation)
        return false;
    bool done = Wait([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, timeoutMs);
    if (!done)
        pa_operation_cancel(operation);
    bool ok = done && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return ok;
}

std::string CPulseConnection::ErrorText(const std::string& what) const
{
    int code = m_context ? pa_context_errno(m_context) : PA_ERR_CONNECTIONREFUSED;
    if (code == PA_OK)
        code = PA_ERR_UNKNOWN;
    return what + ": " + pa_strerror(code);
}

bool CPulseConnection::ListOutputs(std::vector<AudioDeviceInfo>& devices, int timeoutMs, std::string& error)
{
    devices.clear();
    if (!IsConnected()) {
        error = "not connected to the sound server";
        return false;
    }
    ListState state{this, &devices, false};
    auto onSink = [](pa_context*, const pa_sink_info* info, int eol, void* userdata) {
        auto* list = static_cast<ListState*>(userdata);
        if (eol != 0 || !info) {
            list->done = true;
            list->connection->Signal();
            return;
        }
        list->devices->push_back(DeviceFrom(info->name, info->description, info->sample_spec, false));
    };
    pa_operation* operation = pa_context_get_sink_info_list(m_context, onSink, &state);
    if (!Complete(operation, timeoutMs) || !state.done) {
        error = ErrorText("cannot list the output devices");
        devices.clear();
        return false;
    }
    return true;
}

bool CPulseConnection::ListInputs(std::vector<AudioDeviceInfo>& devices, int timeoutMs, std::string& error)
{
    devices.clear();
    if (!IsConnected()) {
        error = "not connected to the sound server";
        return false;
    }
    std::vector<AudioDeviceInfo> all;
    ListState state{this, &all, false};
    auto onSource = [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
        auto* list = static_cast<ListState*>(userdata);
        if (eol != 0 || !info) {
            list->done = true;
            list->connection->Signal();
            return;
        }
        bool monitor = info->monitor_of_sink != PA_INVALID_INDEX;
        list->devices->push_back(DeviceFrom(info->name, info->description, info->sample_spec, monitor));
    };
    pa_operation* operation = pa_context_get_source_info_list(m_context, onSource, &state);
    if (!Complete(operation, timeoutMs) || !state.done) {
        error = ErrorText("cannot list the input devices");
        return false;
    }
    // A name match should find a card's real input before the monitor of
    // its output, whose description usually contains the card's name too.
    for (bool monitors : {false, true}) {
        for (const AudioDeviceInfo& device : all) {
            if (device.monitor == monitors)
                devices.push_back(device);
        }
    }
    return true;
}

bool CPulseConnection::DefaultSinkVolume(std::string& sinkName, pa_cvolume& volume, int timeoutMs,
                                         std::string& error)
{
    if (!IsConnected()) {
        error = "not connected to the sound server";
        return false;
    }
    struct ServerState {
        CPulseConnection* connection;
        std::string sink;
        bool done = false;
    } server{this, {}, false};
    auto onServer = [](pa_context*, const pa_server_info* info, void* userdata) {
        auto* state = static_cast<ServerState*>(userdata);
        if (info && info->default_sink_name)
            state->sink = info->default_sink_name;
        state->done = true;
        state->connection->Signal();
    };
    if (!Complete(pa_context_get_server_info(m_context, onServer, &server), timeoutMs) || !server.done) {
        error = ErrorText("cannot read the sound server's information");
        return false;
    }
    if (server.sink.empty()) {
        error = "the sound server has no default output";
        return false;
    }
    struct SinkState {
        CPulseConnection* connection;
        pa_cvolume volume{};
        bool found = false;
        bool done = false;
    } sink{this, {}, false, false};
    auto onSink = [](pa_context*, const pa_sink_info* info, int eol, void* userdata) {
        auto* state = static_cast<SinkState*>(userdata);
        if (eol != 0 || !info) {
            state->done = true;
            state->connection->Signal();
            return;
        }
        state->volume = info->volume;
        state->found = true;
    };
    pa_operation* operation = pa_context_get_sink_info_by_name(m_context, server.sink.c_str(), onSink, &sink);
    if (!Complete(operation, timeoutMs) || !sink.found) {
        error = "cannot read the volume of the default output " + server.sink;
        return false;
    }
    sinkName = server.sink;
    volume = sink.volume;
    return true;
}

}  // namespace vy
