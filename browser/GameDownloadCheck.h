#pragma once
#include <QString>
#include <QUrl>
#include <optional>

// What a page's script world tells about its game at a document completion.
struct GamePageFacts {
    std::optional<QString> title;
    std::optional<QString> n;        // the script variable n, when defined
    std::optional<QString> protocol; // the document's scheme and ":", "https:"
    std::optional<QString> host;     // the document's host, with its port when not the default
    std::optional<QString> f;        // the script variable f, when defined
    std::optional<double> percent;   // Math.abs(movie.PercentLoaded()), when it gave a number
    std::optional<QString> movie;    // final address of the largest player's loaded movie
    bool movieReady = false;         // that player reports its movie wholly loaded
};

// The download state a page is left with after the check.
struct DownloadDecision {
    enum Kind { Keep, Clear, Offer } kind = Keep;
    QString gameFileUrl; // with Offer
};

// Whether a completed page offers its game for download: only when f is a
// path on the page's own host (exactly one leading "/"), the page is an
// http or https page and the movie reports exactly 100 percent. The game
// file's address has the page's own scheme and host. An empty f changes
// nothing; anything that cannot be read withdraws the offer.
DownloadDecision CheckGameDownload(const GamePageFacts& facts);

// Whether a completed page that declares no game offers the movie its
// largest player plays: only an http or https page, a movie loaded over
// http or https, and wholly loaded. Anything less withdraws the offer.
DownloadDecision CheckMovieDownload(const GamePageFacts& facts);
// The name such a download is listed under: the page's title by the caption
// rules, or the movie's file name without extension for an empty title.
QString MovieDownloadName(const QString& title, const QString& movieUrl);

// Whether the download of a game file follows a redirect from one address
// to the next: only on the same host (any port), and only by a scheme that
// keeps or raises the protection (http to https), never one that lowers it.
bool GameFileRedirectAllowed(const QUrl& from, const QUrl& to);
