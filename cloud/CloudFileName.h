#pragma once

#include <string>
#include <string_view>

// Local names for files downloaded from URLs the service hands out. The name
// is the URL's last path segment, but only when it is a safe single file
// name; anything else gets the fallback form, so a download never lands
// outside its folder.
namespace vy {

// The URL's part after its last "/" (query and fragment dropped) when that is
// a safe single name: not empty, not "." or "..", no "/" or "\", no control
// characters, at most 255 bytes. Otherwise "<id><fallbackExtension>".
std::string CloudFileNameFromUrl(std::string_view url, int id, std::string_view fallbackExtension);

// True for a name that can only ever mean a file inside its folder.
bool IsSafeSingleFileName(std::string_view name);

// Where a cloud sound is stored: <userDataFolder>/CloudSound/<name>, the name
// from the URL or "%d.mp3" with the sound's id. The folder is created when
// missing; "" when it cannot be or no folder is given.
std::string CloudSoundFilePath(const std::string& userDataFolder, std::string_view url, int id);

// The folder cloud effect files go to: <resourceFolder>/<cloudEffectFolder>,
// created when missing; "" when it cannot be, when no resource folder is
// given, or when the folder name is not a safe single name.
std::string CloudEffectFolderPath(const std::string& resourceFolder, const std::string& cloudEffectFolder);

}  // namespace vy
