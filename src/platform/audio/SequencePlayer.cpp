#include "SequencePlayer.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {
// The controller message that returns a channel's controllers and pitch bend to rest.
constexpr std::uint8_t kResetAllControllers = 121;

std::mutex defaultDriverMutex;
SequencePlayer::Driver& storedDefaultDriver()
{
    static SequencePlayer::Driver driver;
    return driver;
}
} // namespace

SequencePlayer::Driver SequencePlayer::defaultDriver()
{
    std::lock_guard lock(defaultDriverMutex);
    return storedDefaultDriver();
}

void SequencePlayer::setDefaultDriver(Driver driver)
{
    std::lock_guard lock(defaultDriverMutex);
    storedDefaultDriver() = std::move(driver);
}

double SequencePlayer::steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

SequencePlayer::SequencePlayer(SequenceTarget* target, Driver driver)
    : target_(target)
    , driver_(std::move(driver))
{
    if (!driver_.clock)
        driver_.clock = &SequencePlayer::steadySeconds;
    if (!(driver_.pollInterval > 0))
        driver_.pollInterval = 0.001;
}

SequencePlayer::~SequencePlayer()
{
    stop();
}

void SequencePlayer::start(std::shared_ptr<const MusicSequence> sequence, double endBeat)
{
    std::lock_guard control(controlMutex_);
    halt();
    {
        std::unique_lock lock(mutex_);
        sequence_ = sequence ? std::move(sequence) : std::make_shared<const MusicSequence>();
        events_.clear();
        for (const MusicTrack& track : sequence_->tracks()) {
            for (const MusicNoteEvent& note : track.notes()) {
                // A note that lasts nothing sounds nothing; sending it would only risk an
                // off arriving before its on.
                if (!(note.duration > 0))
                    continue;
                Event on;
                on.seconds = sequence_->secondsForBeat(note.beat);
                on.type = Event::Type::NoteOn;
                on.channel = note.channel & 0x0F;
                on.note = static_cast<std::uint8_t>(std::min<int>(note.note, 255));
                on.velocity = note.velocity;
                Event off = on;
                off.type = Event::Type::NoteOff;
                off.seconds = sequence_->secondsForBeat(note.endBeat());
                events_.push_back(on);
                events_.push_back(off);
            }
            for (const MusicChannelEvent& message : track.channelEvents()) {
                Event event;
                event.seconds = sequence_->secondsForBeat(message.beat);
                event.type = Event::Type::Channel;
                event.channel = message.channel & 0x0F;
                event.message = message;
                events_.push_back(event);
            }
        }
        std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
            if (a.seconds != b.seconds)
                return a.seconds < b.seconds;
            return a.type < b.type;
        });
        nextEvent_ = 0;
        endBeat_ = std::max(endBeat, sequence_->lengthInBeats());
        startSeconds_ = driver_.clock();
        started_ = true;
        startDriveLocked();
    }
    pump();
}

void SequencePlayer::stop()
{
    std::lock_guard control(controlMutex_);
    halt();
}

void SequencePlayer::halt()
{
    std::unique_lock lock(mutex_);
    stopLocked();
    stopDrive(lock);
}

void SequencePlayer::stopLocked()
{
    if (!started_)
        return;
    started_ = false;
    for (int channel = 0; channel < 16; ++channel) {
        for (int note = 0; note < 256; ++note) {
            if (sounding_[channel][note] == 0)
                continue;
            sounding_[channel][note] = 0;
            if (target_)
                target_->sequenceNoteOff(channel, note);
        }
    }
    for (int channel = 0; channel < 16; ++channel) {
        if (!std::exchange(controllersChanged_[channel], false) || !target_)
            continue;
        MusicChannelEvent reset;
        reset.kind = MusicChannelEvent::Kind::Controller;
        reset.channel = std::uint8_t(channel);
        reset.number = kResetAllControllers;
        target_->sequenceChannelEvent(reset);
    }
    events_.clear();
    nextEvent_ = 0;
}

void SequencePlayer::startDriveLocked()
{
    switch (driver_.drive) {
    case Drive::OwnThread:
        threadStop_ = false;
        thread_ = std::thread([this] { runThread(); });
        break;
    case Drive::MainQueue:
        pumpCall_ = MainQueue::every(driver_.pollInterval, [this] { pump(); });
        break;
    case Drive::Manual:
        break;
    }
}

void SequencePlayer::stopDrive(std::unique_lock<std::mutex>& lock)
{
    threadStop_ = true;
    std::thread thread = std::move(thread_);
    DelayedCall pumpCall = std::move(pumpCall_);
    lock.unlock();
    wake_.notify_all();
    if (thread.joinable())
        thread.join();
    pumpCall.cancel();
}

void SequencePlayer::runThread()
{
    std::unique_lock lock(mutex_);
    while (!threadStop_) {
        lock.unlock();
        pump();
        lock.lock();
        wake_.wait_for(lock, std::chrono::duration<double>(driver_.pollInterval),
                       [this] { return threadStop_; });
    }
}

double SequencePlayer::elapsedSecondsLocked() const
{
    return driver_.clock() - startSeconds_;
}

void SequencePlayer::pump()
{
    std::lock_guard lock(mutex_);
    if (!started_)
        return;
    const double elapsed = elapsedSecondsLocked();
    while (nextEvent_ < events_.size() && events_[nextEvent_].seconds <= elapsed) {
        const Event& event = events_[nextEvent_++];
        if (event.type == Event::Type::Channel) {
            if (event.message.kind != MusicChannelEvent::Kind::ProgramChange)
                controllersChanged_[event.channel] = true;
            if (target_)
                target_->sequenceChannelEvent(event.message);
            continue;
        }
        std::uint8_t& count = sounding_[event.channel][event.note];
        if (event.type == Event::Type::NoteOn) {
            if (count < 255)
                ++count;
            if (target_)
                target_->sequenceNoteOn(event.channel, event.note, event.velocity);
        } else if (count > 0) {
            --count;
            if (target_)
                target_->sequenceNoteOff(event.channel, event.note);
        }
    }
}

bool SequencePlayer::isStarted() const
{
    std::lock_guard lock(mutex_);
    return started_;
}

bool SequencePlayer::isPlaying() const
{
    std::lock_guard lock(mutex_);
    return started_ && sequence_->beatForSeconds(elapsedSecondsLocked()) < endBeat_;
}

double SequencePlayer::time() const
{
    std::lock_guard lock(mutex_);
    if (!started_)
        return 0;
    return sequence_->beatForSeconds(elapsedSecondsLocked());
}

double SequencePlayer::endBeat() const
{
    std::lock_guard lock(mutex_);
    return endBeat_;
}

std::shared_ptr<const MusicSequence> SequencePlayer::sequence() const
{
    std::lock_guard lock(mutex_);
    return sequence_;
}
