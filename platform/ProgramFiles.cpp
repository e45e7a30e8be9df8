#include "ProgramFiles.h"

#include <QDir>

namespace platform {

TProgramFiles::TProgramFiles(const std::filesystem::path& folder) : folder_(QString::fromStdString(folder.string())) {}

QString TProgramFiles::DataFile(const QString& name) const { return QDir(folder_).filePath(QStringLiteral("Data/") + name); }
QString TProgramFiles::FlashFolder() const { return DataFile(QStringLiteral("Flash")); }
QString TProgramFiles::RuffleFolder() const { return QDir(folder_).filePath(QStringLiteral("Ruffle")); }
QString TProgramFiles::SiteFolder() const { return QDir(folder_).filePath(QStringLiteral("Site")); }
QString TProgramFiles::ListFile(ListKind kind) const { return DataFile(ListName(kind) + QStringLiteral(".xml")); }

QString TProgramFiles::ListName(ListKind kind)
{
    return kind == ListKind::Local ? QStringLiteral("gamelocal") : QStringLiteral("gamefavorites");
}

std::optional<ListKind> TProgramFiles::ListKindOf(const QString& name)
{
    for (const ListKind kind : {ListKind::Local, ListKind::Favorites})
        if (name == ListName(kind))
            return kind;
    return std::nullopt;
}

} // namespace platform
