#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Takes the web addresses the application hands to the default browser, while alive.
class BrowserStandIn : public QObject {
    Q_OBJECT
public:
    BrowserStandIn();
    ~BrowserStandIn() override;

    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl& url);
};
