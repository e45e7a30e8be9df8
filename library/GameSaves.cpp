#include "GameSaves.h"

#include "KeptFiles.h"
#include "PageWait.h"
#include "browser/BrowserProfile.h"
#include "browser/LocalGamePages.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <memory>

namespace {

// Set in the game's storage once the saved data carried from the web has
// been taken, so that it is taken once only.
const QString kCarried = QStringLiteral("orvanzev:saves-carried");

// How long the program waits for the game's page.
constexpr int kWait = 5000;

QString Json(const QVariantMap& map)
{
    return QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact));
}

} // namespace

TGameSaves::TGameSaves(QString gamesFolder, QObject* parent) : QObject(parent), gamesFolder_(std::move(gamesFolder)) {}

QVariant TGameSaves::RunInOrigin(const QString& fileName, const QString& script)
{
    // A page of its own for each call: a late answer goes to a page that
    // is gone.
    auto* page = new QWebEnginePage(BrowserProfile(), this);
    const std::unique_ptr<QWebEnginePage, void (*)(QWebEnginePage*)> owner(page, [](QWebEnginePage* p) { p->deleteLater(); });
    auto loaded = std::make_shared<bool>(false);
    if (!AwaitAnswer(kWait, [&](auto done) {
            connect(page, &QWebEnginePage::loadFinished, page, [loaded, done](bool ok) {
                *loaded = ok;
                done();
            });
            page->load(local_games::SavesPage(gamesFolder_, fileName));
        })
        || !*loaded)
        return {};
    auto answer = std::make_shared<QVariant>();
    AwaitAnswer(kWait, [&](auto done) {
        page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [answer, done](const QVariant& value) {
            *answer = value;
            done();
        });
    });
    return *answer;
}

std::optional<QVariantMap> TGameSaves::Read(const QString& fileName)
{
    const QVariantMap answer = RunInOrigin(fileName, QStringLiteral(
        "(function(){var out={};for(var i=0;i<localStorage.length;i++){var k=localStorage.key(i);"
        "if(k.indexOf('orvanzev:')!==0)out[k]=localStorage.getItem(k);}"
        "return {saves:out,carried:localStorage.getItem('%1')!==null};})()").arg(kCarried)).toMap();
    if (!answer.contains(QStringLiteral("saves")))
        return std::nullopt;
    QVariantMap saves = answer.value(QStringLiteral("saves")).toMap();
    if (answer.value(QStringLiteral("carried")).toBool())
        return saves;
    // What the game saved on the web, not yet taken into its storage.
    if (const std::optional<QString> kept = KeptFolderOf(gamesFolder_, fileName)) {
        QFile carried(QDir(*kept).filePath(QStringLiteral("saves.json")));
        if (carried.open(QIODevice::ReadOnly) && carried.size() <= 4 * qint64(kMaxSavedCharacters)) {
            const QVariantMap web = QJsonDocument::fromJson(carried.readAll()).object().toVariantMap();
            for (auto value = web.begin(); value != web.end(); ++value)
                if (value->typeId() == QMetaType::QString && !saves.contains(value.key()))
                    saves.insert(value.key(), *value);
        }
    }
    return saves;
}

bool TGameSaves::Replace(const QString& fileName, const QVariantMap& saves)
{
    // The old data comes back when the storage refuses any of the new.
    return RunInOrigin(fileName, QStringLiteral(
        "(function(saves){var old={};for(var i=0;i<localStorage.length;i++){var k=localStorage.key(i);"
        "old[k]=localStorage.getItem(k);}"
        "try{localStorage.clear();for(var k in saves)localStorage.setItem(k,saves[k]);"
        "localStorage.setItem('%1','1');return true;}"
        "catch(e){localStorage.clear();for(var k in old)localStorage.setItem(k,old[k]);return false;}})(%2)")
        .arg(kCarried, Json(saves))).toBool();
}

bool TGameSaves::Clear(const QString& fileName)
{
    return RunInOrigin(fileName, QStringLiteral("(function(){localStorage.clear();return localStorage.length===0;})()")).toBool();
}
