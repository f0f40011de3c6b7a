#pragma once

#include "base/ResourceProvider.h"

#include <memory>
#include <vector>

namespace vy {

// Asks its providers in the order they were added and returns the first
// find: the UI archive first, then the fallback (the executable's own
// resources, or a folder).
class CChainResourceProvider : public IResourceProvider {
public:
    CChainResourceProvider() = default;

    // A null provider is ignored.
    void Append(std::shared_ptr<const IResourceProvider> provider);
    size_t Size() const { return m_providers.size(); }

    bool Find(std::string_view type, std::string_view name, std::string& content) const override;

private:
    std::vector<std::shared_ptr<const IResourceProvider>> m_providers;
};

}  // namespace vy
