#pragma once
// Where the program keeps its files inside its folder: Data/ with the two
// game lists, the games folder and the log, and the player beside them.
#include <QString>
#include <filesystem>
#include <optional>

namespace platform {

enum class ListKind { Local, Favorites };

class TProgramFiles {
public:
    explicit TProgramFiles(const std::filesystem::path& folder);

    QString Folder() const { return folder_; }
    // A file of Data/, by its name there.
    QString DataFile(const QString& name) const;
    QString FlashFolder() const;
    QString RuffleFolder() const;
    // The built-in game site's pages, pictures and games.
    QString SiteFolder() const;
    QString ListFile(ListKind kind) const;

    // A list's name: its file's stem, and the id and class of its entries
    // in the left page.
    static QString ListName(ListKind kind);
    static std::optional<ListKind> ListKindOf(const QString& name);

private:
    QString folder_;
};

} // namespace platform
