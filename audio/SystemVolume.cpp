#include "audio/SystemVolume.h"

#include "audio/PulseConnection.h"
#include "base/Log.h"

#include <cmath>

namespace vy {

int MasterVolumeFromScalar(double scalar)
{
    if (!(scalar > 0.0))
        return 0;  // also NaN
    const double scaled = std::trunc(scalar * 100.0);
    if (scaled < 1.0)
        return 0;
    if (scaled >= 100.0)
        return 100;
    return static_cast<int>(scaled) + 1;
}

bool ReadDefaultOutputScalar(double& scalar, std::string& error, int timeoutMs)
{
    CPulseConnection connection;
    if (!connection.Start(error))
        return false;
    CPulseLock lock(connection);
    if (!connection.Connect(timeoutMs, error))
        return false;
    std::string sink;
    pa_cvolume volume;
    if (!connection.DefaultSinkVolume(sink, volume, timeoutMs, error))
        return false;
    scalar = static_cast<double>(pa_cvolume_max(&volume)) / PA_VOLUME_NORM;
    return true;
}

int GetSystemMasterVolume(int timeoutMs)
{
    double scalar = 0;
    std::string error;
    if (!ReadDefaultOutputScalar(scalar, error, timeoutMs)) {
        VY_LOG("cannot read the system volume: %s", error.c_str());
        return kSystemVolumeFallback;
    }
    return MasterVolumeFromScalar(scalar);
}

}  // namespace vy
