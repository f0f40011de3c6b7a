#include "ui/toolkit/QtResourceProvider.h"

#include "ui/toolkit/AttrParse.h"

#include <QDir>
#include <QFile>

namespace vy {
namespace {

// Resource names never climb out of their type folder.
bool IsPlainName(std::string_view name)
{
    return !name.empty() && name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos &&
           name != "." && name != "..";
}

bool MatchesName(const QString& fileName, const QString& name)
{
    if (fileName.compare(name, Qt::CaseInsensitive) == 0)
        return true;
    // "<name>.<ext>": one extension after the whole name.
    if (fileName.size() <= name.size() + 1 || fileName[name.size()] != QLatin1Char('.'))
        return false;
    if (!fileName.startsWith(name, Qt::CaseInsensitive))
        return false;
    return !fileName.mid(name.size() + 1).contains(QLatin1Char('.'));
}

}  // namespace

bool FindInResourceDir(const QString& root, std::string_view type, std::string_view name, std::string& content)
{
    while (!name.empty() && name.front() == ':')
        name.remove_prefix(1);
    if (!IsPlainName(type) || !IsPlainName(name))
        return false;
    QDir rootDir(root);
    QString qType = ToQString(type);
    QString qName = ToQString(name);
    const QStringList typeDirs = rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& typeDir : typeDirs) {
        if (typeDir.compare(qType, Qt::CaseInsensitive) != 0)
            continue;
        QDir dir(rootDir.filePath(typeDir));
        // Exact names before names with an extension, then by name: stable.
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        QString found;
        for (const QString& file : files) {
            if (file.compare(qName, Qt::CaseInsensitive) == 0) {
                found = file;
                break;
            }
            if (found.isEmpty() && MatchesName(file, qName))
                found = file;
        }
        if (found.isEmpty())
            continue;
        QFile f(dir.filePath(found));
        if (!f.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = f.readAll();
        content.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        return true;
    }
    return false;
}

CQtResourceProvider::CQtResourceProvider(QString root) : m_root(std::move(root)) {}

bool CQtResourceProvider::Find(std::string_view type, std::string_view name, std::string& content) const
{
    return FindInResourceDir(m_root, type, name, content);
}

}  // namespace vy
