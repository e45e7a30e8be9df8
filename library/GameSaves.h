#pragma once
// A downloaded game's saved data: what its movie stored in the storage of
// the game's own origin, reached through an empty page of that origin. Each
// call waits for the page, at most a few seconds.
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <optional>

class TGameSaves : public QObject {
    Q_OBJECT
public:
    explicit TGameSaves(QString gamesFolder, QObject* parent = nullptr);

    // Everything the game of fileName saved (key -> value), or nothing when
    // its storage could not be reached. Saved data carried from the web
    // that the game has not taken yet counts as saved.
    std::optional<QVariantMap> Read(const QString& fileName);
    // Puts saves in the place of all the game's saved data; false, with the
    // old data left as it was, when the storage refuses it.
    bool Replace(const QString& fileName, const QVariantMap& saves);
    // Removes all the game's saved data.
    bool Clear(const QString& fileName);

private:
    QVariant RunInOrigin(const QString& fileName, const QString& script);

    QString gamesFolder_;
};
