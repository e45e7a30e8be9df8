#include "GameDownloadCheck.h"

#include <cmath>

DownloadDecision CheckGameDownload(const GamePageFacts& facts)
{
    if (!facts.domain || !facts.f)
        return {DownloadDecision::Clear, {}};
    if (facts.f->isEmpty())
        return {DownloadDecision::Keep, {}};
    if (!facts.percent || !std::isfinite(*facts.percent) || std::lround(*facts.percent) != 100)
        return {DownloadDecision::Clear, {}};
    return {DownloadDecision::Offer, QStringLiteral("http://") + *facts.domain + *facts.f};
}
