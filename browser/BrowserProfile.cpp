#include "BrowserProfile.h"

#include <QCoreApplication>
#include <QWebEngineProfile>

QWebEngineProfile* BrowserProfile()
{
    static QWebEngineProfile* profile = new QWebEngineProfile(QStringLiteral("orvanzev"), qApp);
    return profile;
}
