#pragma once

// Failure texts of the cloud jobs, shown to the user as they are.
namespace vy::cloudtext {

inline constexpr const char* kParseJson = "解析json数据失败";
inline constexpr const char* kParseJsonCategorySounds = "解析JSON数据失败";
inline constexpr const char* kSoundCategoriesRequest = "从服务器获取特效分类失败";
inline constexpr const char* kCategorySoundsRequest = "从服务器获取分类中的特效失败";
inline constexpr const char* kCloudEffectsRequest = "从服务器获取云音效列表失败";
inline constexpr const char* kEffectCategoriesRequest = "从服务器获取云音效分类列表失败";
inline constexpr const char* kParamGroupsRequest = "从服务器获取云音效列表失败";
inline constexpr const char* kBadParameter = "错误的参数";
inline constexpr const char* kDownloadFile = "下载文件失败";
inline constexpr const char* kDownloadCloudEffect = "下载云音效失败";

}  // namespace vy::cloudtext
