#pragma once
#include <QString>
#include <optional>

// What a page's script world tells about its game at a document completion.
struct GamePageFacts {
    std::optional<QString> title;
    std::optional<QString> n;      // the script variable n, when defined
    std::optional<QString> host;   // the document's host, with its port when not the default
    std::optional<QString> f;      // the script variable f, when defined
    std::optional<double> percent; // Math.abs(movie.PercentLoaded()), when it gave a number
};

// The download state a page is left with after the check.
struct DownloadDecision {
    enum Kind { Keep, Clear, Offer } kind = Keep;
    QString gameFileUrl; // with Offer
};

// Whether a completed page offers its game for download: only when f is a
// path on the page's own host (exactly one leading "/") and the movie
// reports exactly 100 percent; an empty f changes nothing; anything that
// cannot be read withdraws the offer.
DownloadDecision CheckGameDownload(const GamePageFacts& facts);
