#include "GameDownloadCheck.h"

#include <cmath>

DownloadDecision CheckGameDownload(const GamePageFacts& facts)
{
    if (!facts.host || !facts.f)
        return {DownloadDecision::Clear, {}};
    if (facts.f->isEmpty())
        return {DownloadDecision::Keep, {}};
    // "//other.host/x.swf" or "@other.host/x.swf" would fetch from elsewhere.
    if (!facts.f->startsWith(QLatin1Char('/')) || facts.f->startsWith(QLatin1String("//")))
        return {DownloadDecision::Clear, {}};
    if (!facts.percent || !std::isfinite(*facts.percent) || std::lround(*facts.percent) != 100)
        return {DownloadDecision::Clear, {}};
    return {DownloadDecision::Offer, QStringLiteral("http://") + *facts.host + *facts.f};
}
