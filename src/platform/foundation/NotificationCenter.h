#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct Notification {
    QString name;
    // Identity of the poster, for observers that only listen to one sender (may be null).
    const void* sender = nullptr;
    // The value the notification carries ("object"): an item record, a store, ...
    QVariant object;
    QVariantMap userInfo;
};

class NotificationCenter;

// Keeps an observation alive; destroying it (or calling remove) ends it, also while a
// notification is being delivered, so a destroyed observer is never called.
class [[nodiscard]] NotificationObserver {
public:
    NotificationObserver() = default;
    NotificationObserver(NotificationObserver&&) noexcept = default;
    NotificationObserver& operator=(NotificationObserver&& other) noexcept;
    NotificationObserver(const NotificationObserver&) = delete;
    NotificationObserver& operator=(const NotificationObserver&) = delete;
    ~NotificationObserver();

    void remove();
    bool isActive() const;

    struct Registration; // opaque; defined by the centre

private:
    friend class NotificationCenter;
    explicit NotificationObserver(std::shared_ptr<Registration> registration);
    std::shared_ptr<Registration> registration_;
};

// Named notifications with a sender, an object and user info.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;
    enum class Delivery {
        PostingThread, // run during post, on the thread that posts
        MainQueue,     // queued to the main thread, in posting order
    };

    static NotificationCenter& defaultCenter();

    // An empty name observes every notification; a null sender accepts any sender.
    NotificationObserver addObserver(const QString& name, Handler handler,
                                     Delivery delivery = Delivery::PostingThread,
                                     const void* sender = nullptr);

    void post(const Notification& notification);
    void post(const QString& name, const void* sender = nullptr, QVariant object = {},
              QVariantMap userInfo = {});
    // Posts on the main queue after the delay (performSelector-style delayed posting).
    void postAfter(double seconds, Notification notification);

private:
    std::mutex mutex_;
    std::vector<std::weak_ptr<NotificationObserver::Registration>> registrations_;
};
