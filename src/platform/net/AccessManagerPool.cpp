#include "AccessManagerPool.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QThread>

#include <memory>

namespace AccessManagerPool {

namespace {

// The parent of the calling thread's managers, current and replaced; a current manager is
// found by its pool's name, which a replaced one no longer carries.
QObject* pools()
{
    thread_local QPointer<QObject> holder;
    if (!holder) {
        holder = new QObject;
        QThread* thread = QThread::currentThread();
        QCoreApplication* application = QCoreApplication::instance();
        if (application && application->thread() == thread)
            holder->setParent(application);
        else
            QObject::connect(thread, &QThread::finished, holder, &QObject::deleteLater);
    }
    return holder;
}

} // namespace

QNetworkAccessManager* current(const QString& pool)
{
    Q_ASSERT(!pool.isEmpty());
    QObject* holder = pools();
    if (auto* manager = holder->findChild<QNetworkAccessManager*>(pool, Qt::FindDirectChildrenOnly))
        return manager;
    auto* manager = new QNetworkAccessManager(holder);
    manager->setObjectName(pool);
    return manager;
}

void replace(QNetworkAccessManager* manager)
{
    if (!manager || manager->objectName().isEmpty() || manager->parent() != pools())
        return;
    manager->setObjectName(QString());
    // Replies are children of their manager until they are deleted.
    const QList<QNetworkReply*> replies = manager->findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly);
    if (replies.isEmpty()) {
        manager->deleteLater();
        return;
    }
    auto remaining = std::make_shared<qsizetype>(replies.size());
    for (QNetworkReply* reply : replies)
        QObject::connect(reply, &QObject::destroyed, manager, [manager, remaining] {
            if (--*remaining == 0)
                manager->deleteLater();
        });
}

} // namespace AccessManagerPool
