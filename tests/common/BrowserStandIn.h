#pragma once

#include <QList>
#include <QStringList>
#include <QObject>
#include <QUrl>

// Takes the web addresses the application hands to the default browser, while alive and
// available. While unavailable no browser can be started, as on a desktop without one.
class BrowserStandIn : public QObject {
    Q_OBJECT
public:
    BrowserStandIn();
    ~BrowserStandIn() override;

    void setAvailable(bool available);
    // Also takes the addresses of another scheme, as a desktop with a program for it would.
    void alsoTake(const QString& scheme);

    QList<QUrl> opened;

private:
    QStringList others_;

public slots:
    void openUrl(const QUrl& url);
};
