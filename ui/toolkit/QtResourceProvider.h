#pragma once

#include "base/ResourceProvider.h"

#include <QString>

namespace vy {

// The executable's own resources (Qt resources compiled in), laid out like
// every other store: ":/res/<TYPE>/<name>[.ext]", e.g.
// ":/res/LAYOUT/XML_MSGBOX.xml". Type and name match without regard to case.
class CQtResourceProvider : public IResourceProvider {
public:
    explicit CQtResourceProvider(QString root = QStringLiteral(":/res"));
    bool Find(std::string_view type, std::string_view name, std::string& content) const override;

private:
    QString m_root;
};

// Finds "<dir>/<TYPE>/<name>[.ext]" in a folder store: the same rule over
// the executable's resources and over plain folders (tests, the gallery).
bool FindInResourceDir(const QString& root, std::string_view type, std::string_view name, std::string& content);

}  // namespace vy
