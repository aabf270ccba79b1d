#pragma once

#include "NotificationCenter.h"

#include <QList>
#include <QVariantList>
#include <QVariantMap>

#include <mutex>

// The notices of one name that one sender posts, from whichever thread posts them.
class PostedNotices {
public:
    PostedNotices(const QString& name, const void* sender)
        : observer_(NotificationCenter::defaultCenter().addObserver(
              name,
              [this](const Notification& n) {
                  std::lock_guard lock(mutex_);
                  userInfos_ << n.userInfo;
              },
              NotificationCenter::Delivery::PostingThread, sender))
    {
    }

    int count() const
    {
        std::lock_guard lock(mutex_);
        return int(userInfos_.size());
    }
    // One entry of each notice's user info, in the order they were posted.
    QVariantList values(const QString& key) const
    {
        std::lock_guard lock(mutex_);
        QVariantList values;
        for (const QVariantMap& userInfo : userInfos_)
            values << userInfo.value(key);
        return values;
    }

private:
    mutable std::mutex mutex_;
    QList<QVariantMap> userInfos_;
    NotificationObserver observer_;
};
