#pragma once
// The game site that comes with the program, served by the program itself
// over HTTP on the loopback, at a port that stays the same from one start
// to the next: its pages behave as any game site's (collect, download,
// offline copies), and favourites of them keep working.
//
// Of two game boxes running at once, one serves and the other uses it; the
// other takes over when the first one ends.
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QAbstractHttpServer;
class QNetworkAccessManager;

namespace services {

class TBuiltInSite : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 47615;
    // The answer every response of the site carries in its Server header.
    static const QByteArray ServerName;

    TBuiltInSite(const QString& folder, quint16 port, QObject* parent = nullptr);
    ~TBuiltInSite() override;

    // Serves the folder, or, while the port is held, asks who holds it and
    // tries again every RetryMs.
    void Start();
    bool Serving() const { return server_ != nullptr; }
    quint16 Port() const { return port_; }
    // http://127.0.0.1:<port>
    static QUrl Origin(quint16 port);
    QUrl HomePage() const { return HomePage(port_); }
    static QUrl HomePage(quint16 port);
    // The site a home page belongs to: its origin for a web address, the
    // built-in site's for anything else (about:blank, a file).
    static QUrl SiteOf(const QString& homePage, quint16 port);

    int RetryMs = 2000;

signals:
    // This program now answers the site.
    void Served();
    // Something other than a game box holds the port: the site cannot be
    // shown until it lets go. Said at most once until the site is served.
    void PortHeldByOther(quint16 port);

private:
    void TryListen();
    void AskHolder();

    QString folder_;
    quint16 port_;
    QAbstractHttpServer* server_ = nullptr;
    QNetworkAccessManager* network_ = nullptr;
    QTimer retry_;
    // Who holds the port is asked once until the site is served.
    bool asked_ = false;
    bool asking_ = false;
};

} // namespace services
