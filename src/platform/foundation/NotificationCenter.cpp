#include "NotificationCenter.h"

#include "MainQueue.h"

#include <atomic>

struct NotificationObserver::Registration {
    QString name;
    const void* sender = nullptr;
    NotificationCenter::Handler handler;
    NotificationCenter::Delivery delivery = NotificationCenter::Delivery::PostingThread;
    std::atomic<bool> active{true};
    // Held while the handler runs, so remove() from another thread waits for it to finish.
    std::recursive_mutex running;
};

NotificationObserver::NotificationObserver(std::shared_ptr<Registration> registration)
    : registration_(std::move(registration))
{
}

NotificationObserver& NotificationObserver::operator=(NotificationObserver&& other) noexcept
{
    if (this != &other) {
        remove();
        registration_ = std::move(other.registration_);
    }
    return *this;
}

NotificationObserver::~NotificationObserver()
{
    remove();
}

void NotificationObserver::remove()
{
    if (!registration_)
        return;
    {
        std::lock_guard wait(registration_->running);
        registration_->active = false;
    }
    registration_.reset();
}

bool NotificationObserver::isActive() const
{
    return registration_ && registration_->active;
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationObserver NotificationCenter::addObserver(const QString& name, Handler handler,
                                                     Delivery delivery, const void* sender)
{
    auto registration = std::make_shared<NotificationObserver::Registration>();
    registration->name = name;
    registration->sender = sender;
    registration->handler = std::move(handler);
    registration->delivery = delivery;
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [](const auto& weak) { return weak.expired(); });
    registrations_.push_back(registration);
    return NotificationObserver(std::move(registration));
}

namespace {
void deliver(const std::shared_ptr<NotificationObserver::Registration>& registration,
             const Notification& notification)
{
    std::lock_guard running(registration->running);
    if (registration->active)
        registration->handler(notification);
}
} // namespace

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<NotificationObserver::Registration>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& weak : registrations_) {
            auto registration = weak.lock();
            if (!registration || !registration->active)
                continue;
            if (!registration->name.isEmpty() && registration->name != notification.name)
                continue;
            if (registration->sender && registration->sender != notification.sender)
                continue;
            matching.push_back(std::move(registration));
        }
    }
    for (const auto& registration : matching) {
        if (registration->delivery == Delivery::MainQueue) {
            std::weak_ptr<NotificationObserver::Registration> weak = registration;
            MainQueue::async([weak, notification] {
                if (auto alive = weak.lock())
                    deliver(alive, notification);
            });
        } else {
            deliver(registration, notification);
        }
    }
}

void NotificationCenter::post(const QString& name, const void* sender, QVariant object,
                              QVariantMap userInfo)
{
    post(Notification{name, sender, std::move(object), std::move(userInfo)});
}

void NotificationCenter::postAfter(double seconds, Notification notification)
{
    MainQueue::afterDetached(seconds, [this, notification = std::move(notification)] {
        post(notification);
    });
}
