#pragma once
#include <QString>

class QWebEnginePage;
class QWebEngineProfile;

// Flash games play through Ruffle from the program's own files, never fetched
// from the internet: pages get it under the scheme "orvanzev://ruffle/",
// local pages read the files directly. The same scheme serves the local
// games (LocalGamePages.h).
namespace flash {

inline constexpr char kScheme[] = "orvanzev";

// Registers the scheme; must run before the application object exists.
void RegisterScheme();
// Serves the player's files from playerFolder to every page of profile.
void Install(QWebEngineProfile* profile, const QString& playerFolder);
// Offers the player to every document of page: its <embed> and <object>
// movies play and answer PercentLoaded(); sound starts without a click.
void OfferTo(QWebEnginePage* page);

} // namespace flash
