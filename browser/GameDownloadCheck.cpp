#include "GameDownloadCheck.h"

#include "CaptionRules.h"

#include <QFileInfo>

#include <cmath>

namespace {

// How well a scheme keeps a game file from being changed on its way; 0 for
// the schemes a game file never comes by.
int SchemeStrength(const QString& scheme)
{
    if (scheme == QLatin1String("https"))
        return 2;
    if (scheme == QLatin1String("http"))
        return 1;
    return 0;
}

} // namespace

DownloadDecision CheckGameDownload(const GamePageFacts& facts)
{
    if (!facts.host || !facts.f || !facts.protocol)
        return {DownloadDecision::Clear, {}};
    if (facts.f->isEmpty())
        return {DownloadDecision::Keep, {}};
    // "//other.host/x.swf" or "@other.host/x.swf" would fetch from elsewhere.
    if (!facts.f->startsWith(QLatin1Char('/')) || facts.f->startsWith(QLatin1String("//")))
        return {DownloadDecision::Clear, {}};
    // Only a page of the web has a game file to fetch, by the page's own scheme.
    if (*facts.protocol != QLatin1String("http:") && *facts.protocol != QLatin1String("https:"))
        return {DownloadDecision::Clear, {}};
    if (!facts.percent || !std::isfinite(*facts.percent) || std::lround(*facts.percent) != 100)
        return {DownloadDecision::Clear, {}};
    return {DownloadDecision::Offer, *facts.protocol + QStringLiteral("//") + *facts.host + *facts.f};
}

DownloadDecision CheckMovieDownload(const GamePageFacts& facts)
{
    if (!facts.protocol || (*facts.protocol != QLatin1String("http:") && *facts.protocol != QLatin1String("https:")))
        return {DownloadDecision::Clear, {}};
    if (!facts.movie || !facts.movieReady)
        return {DownloadDecision::Clear, {}};
    const QUrl movie(*facts.movie, QUrl::StrictMode);
    if (!movie.isValid() || SchemeStrength(movie.scheme()) == 0 || movie.host().isEmpty())
        return {DownloadDecision::Clear, {}};
    return {DownloadDecision::Offer, movie.toString(QUrl::FullyEncoded)};
}

QString MovieDownloadName(const QString& title, const QString& movieUrl)
{
    const QString fromTitle = captions::FromTitle(title.trimmed());
    if (!fromTitle.isEmpty())
        return fromTitle;
    return captions::FromTitle(QFileInfo(QUrl(movieUrl).path()).completeBaseName());
}

bool GameFileRedirectAllowed(const QUrl& from, const QUrl& to)
{
    const int before = SchemeStrength(from.scheme());
    const int after = SchemeStrength(to.scheme());
    return before > 0 && after >= before && !to.host().isEmpty()
           && to.host().compare(from.host(), Qt::CaseInsensitive) == 0;
}
