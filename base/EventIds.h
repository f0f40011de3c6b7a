#pragma once

#include <cstdint>

// Ids and names of the program's events. The payload classes live with the
// code that raises them; delivery goes by id, so two events may share a name.
namespace vy::events {

constexpr uint32_t kRecvData = 10030001;                     // "on_recv_data"
constexpr uint32_t kParamChanged = 10030002;                 // "on_param_changed"
constexpr uint32_t kCloudSoundFileReady = 10030003;          // "on_cloud_sound_ready"
constexpr uint32_t kPlaybackMsg = 10030004;                  // "on_event_playback_msg"
constexpr uint32_t kThreadCloudSoundFinish = 10030005;       // "on_cloud_sound_finish"
constexpr uint32_t kThreadCloudEffectFinish = 10030006;      // "on_cloud_effect_finish"
constexpr uint32_t kCommonThreadFinish = 10030007;           // "on_thread_finish"
constexpr uint32_t kDeviceChanged = 10030008;                // "on_device_changed"
constexpr uint32_t kDecoderFinsh = 10030011;                 // "on_event_decoder_staus"
constexpr uint32_t kVolumeChange = 10030012;                 // "on_event_volumechange"
constexpr uint32_t kDoSendData = 10030013;                   // "on_event_dosenddata"
constexpr uint32_t kLoadAudioFileFinsh = 10030015;           // "on_event_dosenddata"
constexpr uint32_t kVolumeRecvData = 10030016;               // "on_event_eventvolumerecvdata"
constexpr uint32_t kThreadCloudEffectParamGroupFinish = 10030017;  // "on_cloud_effect_paramgroup_finish"
constexpr uint32_t kThreadCloudEffectCategoryFinish = 10030018;    // "on_cloud_effect_paramgroup_finish"
constexpr uint32_t kOneTouchSoundtrack = 10030020;           // "one_touch_soundtrack"
constexpr uint32_t kAnotherDevice = 10030021;                // "on_another_device"
constexpr uint32_t kThumbMoving = 29100;                     // "on_thumb_moving"
constexpr uint32_t kEditValueChanging = 29101;               // "on_edit_valuechanging"
constexpr uint32_t kEqValueChanged = 29200;                  // "on_eqchanged"

}  // namespace vy::events
