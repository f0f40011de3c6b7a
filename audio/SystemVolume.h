#pragma once

#include <string>

namespace vy {

// The level used when the system volume cannot be read.
constexpr int kSystemVolumeFallback = 30;

// The system's master volume, 0 to 100: the default output's volume on the
// sound server's own scale (the percent its mixers show), put through
// MasterVolumeFromScalar. kSystemVolumeFallback when any step fails.
int GetSystemMasterVolume(int timeoutMs = 1000);

// min(100, trunc(s x 100) + 1), or 0 when trunc(s x 100) is 0: one half
// gives 51, a whisper above silence gives 0.
int MasterVolumeFromScalar(double scalar);

// The scalar (1.0 = the server's normal volume) of the default output; false
// with `error` set when it cannot be read.
bool ReadDefaultOutputScalar(double& scalar, std::string& error, int timeoutMs = 1000);

}  // namespace vy
