#include "model/ChainResourceProvider.h"

namespace vy {

void CChainResourceProvider::Append(std::shared_ptr<const IResourceProvider> provider)
{
    if (provider)
        m_providers.push_back(std::move(provider));
}

bool CChainResourceProvider::Find(std::string_view type, std::string_view name, std::string& content) const
{
    for (const auto& provider : m_providers)
        if (provider->Find(type, name, content))
            return true;
    return false;
}

}  // namespace vy
