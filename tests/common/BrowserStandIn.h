#pragma once

#include <QList>
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

    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl& url);
};
