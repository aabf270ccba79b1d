#include "AudioOutput.h"

#include "Log.h"
#include "NotificationCenter.h"
#include "RtAudioDevice.h"

#include <algorithm>
#include <cstring>

const QString AudioOutput::kUnavailableNotification = QStringLiteral("AudioOutputUnavailableNotification");

void AudioRenderSource::soundStarts() noexcept
{
    if (AudioOutput* output = output_.load())
        output->wake();
}

AudioOutput* AudioOutput::sharedOutput()
{
    // Creating the output reaches nothing else, so plain statics are safe here. The centre
    // it posts to is made first, so that it outlives the output's thread.
    static NotificationCenter& center = NotificationCenter::defaultCenter();
    static AudioOutput output([] { return std::make_unique<RtAudioDevice>(AudioDevice::Direction::Output); });
    (void)center;
    return &output;
}

AudioOutput::AudioOutput(DeviceFactory deviceFactory, RetryPolicy retryPolicy)
    : deviceFactory_(std::move(deviceFactory))
    , retries_(retryPolicy)
    , scratch_(kScratchFrames * 2, 0.0f)
{
}

AudioOutput::~AudioOutput()
{
    stopKeeper();
    std::lock_guard lock(controlMutex_);
    closeDeviceLocked();
    // Nothing renders any more: sources left registered no longer reach this output.
    sources_.forEach([](AudioRenderSource* source) { source->output_.store(nullptr); });
}

void AudioOutput::open()
{
    QString failure;
    {
        std::lock_guard lock(controlMutex_);
        if (mode_.load() != Mode::Closed)
            return;
        const bool opened = openDeviceLocked(&failure);
        if (!opened) {
            Log::line(QStringLiteral("Audio output could not be opened (%1); rendering into the null device until one opens.")
                          .arg(failure));
            startNullDeviceLocked(Clock::now());
        }
        startKeeperLocked();
        if (opened)
            return;
    }
    announceUnavailable(false, failure);
}

void AudioOutput::useOfflineRendering()
{
    stopKeeper();
    std::lock_guard lock(controlMutex_);
    closeDeviceLocked();
    sampleRate_ = kDefaultSampleRate;
    bufferFrames_ = kPreferredBufferFrames;
    rateSettled_ = false;
    mode_ = Mode::Offline;
}

bool AudioOutput::isNullDevice() const
{
    const Mode mode = mode_.load();
    return mode == Mode::NullRealTime || mode == Mode::Offline;
}

unsigned AudioOutput::sampleRate()
{
    open();
    return sampleRate_.load();
}

unsigned AudioOutput::bufferFrames()
{
    open();
    return bufferFrames_.load();
}

bool AudioOutput::addSource(AudioRenderSource* source)
{
    if (!source)
        return false;
    open();
    {
        std::lock_guard lock(controlMutex_);
        if (!sources_.add(source)) {
            Log::line(QStringLiteral("Audio output: no free slot for another sound source."));
            return false;
        }
        source->output_.store(this);
    }
    // A sound file starts sounding as it is added.
    wake();
    return true;
}

void AudioOutput::removeSource(AudioRenderSource* source)
{
    if (!source)
        return;
    std::lock_guard lock(controlMutex_);
    sources_.remove(source);
    AudioOutput* self = this;
    source->output_.compare_exchange_strong(self, nullptr);
}

void AudioOutput::wake() noexcept
{
    wakes_.fetch_add(1);
    // A playing device hears of the note in its next block, and its keeper finds nothing
    // to do; but the keeper may be pausing the device just now, so it always looks.
    keeperSignal_.wake();
}

bool AudioOutput::renderOffline(float* interleavedStereo, std::size_t frames)
{
    if (mode_.load() != Mode::Offline || !interleavedStereo)
        return false;
    mix(interleavedStereo, frames);
    return true;
}

bool AudioOutput::processBlock(float* output, const float*, std::size_t frames) noexcept
{
    if (deviceFailed_.load())
        return false;
    if (!mixing_.load()) {
        std::memset(output, 0, frames * 2 * sizeof(float));
        return true;
    }
    // Read before the sources take their notes: a note handed over later changes the count.
    const unsigned wakes = wakes_.load();
    mix(output, frames);
    countQuiet(wakes, frames);
    return true;
}

void AudioOutput::countQuiet(unsigned wakes, std::size_t frames) noexcept
{
    if (wakes != wakesSeen_ || isSounding()) {
        wakesSeen_ = wakes;
        quietFrames_ = 0;
        return;
    }
    const auto restFrames = std::size_t(kQuietSecondsBeforeRest * sampleRate_.load());
    if (quietFrames_ >= restFrames)
        return; // told already
    quietFrames_ = std::min(quietFrames_ + frames, restFrames);
    if (quietFrames_ < restFrames)
        return;
    quietAtWakes_.store(wakes);
    if (devicePauses_.load())
        mixing_.store(false);
    fellQuiet_.store(true);
    keeperSignal_.wake();
}

void AudioOutput::deviceFailed() noexcept
{
    deviceFailed_.store(true);
    keeperSignal_.wake();
}

void AudioOutput::mix(float* out, std::size_t frames) noexcept
{
    float* scratch = scratch_.data();
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t chunk = std::min(kScratchFrames, frames - done);
        float* target = out + done * 2;
        std::memset(target, 0, chunk * 2 * sizeof(float));
        sources_.forEach([&](AudioRenderSource* source) {
            std::memset(scratch, 0, chunk * 2 * sizeof(float));
            source->render(scratch, chunk);
            for (std::size_t i = 0; i < chunk * 2; ++i)
                target[i] += scratch[i];
        });
        // Several loud sources must not wrap around in the converter.
        for (std::size_t i = 0; i < chunk * 2; ++i)
            target[i] = std::clamp(target[i], -1.0f, 1.0f);
        done += chunk;
    }
}

bool AudioOutput::isSounding() noexcept
{
    bool sounding = false;
    sources_.forEach([&](AudioRenderSource* source) { sounding = sounding || source->isSounding(); });
    return sounding;
}

bool AudioOutput::openDeviceLocked(QString* failure)
{
    std::unique_ptr<AudioDevice> device = deviceFactory_ ? deviceFactory_() : nullptr;
    if (!device) {
        *failure = QStringLiteral("no audio device");
        return false;
    }
    deviceFailed_ = false;
    fellQuiet_ = false;
    mixing_ = true;
    devicePauses_ = true;
    // Sources are built for the rate the output first had; a device that comes back must
    // play at it.
    const unsigned wantedRate = rateSettled_ ? sampleRate_.load() : 0;
    const std::optional<AudioDevice::Stream> stream =
        device->open(this, wantedRate, kPreferredBufferFrames, failure);
    if (!stream)
        return false;
    if (wantedRate != 0 && stream->sampleRate != wantedRate) {
        device->close();
        *failure = QStringLiteral("the device plays at %1 Hz, not at %2 Hz").arg(stream->sampleRate).arg(wantedRate);
        return false;
    }
    device_ = std::move(device);
    sampleRate_ = stream->sampleRate;
    bufferFrames_ = stream->bufferFrames;
    rateSettled_ = true;
    mode_ = Mode::Device;
    Log::line(QStringLiteral("Audio output: ") + stream->description());
    return true;
}

void AudioOutput::closeDeviceLocked()
{
    if (!device_)
        return;
    device_->close();
    device_.reset();
    resting_ = false;
    if (mode_.load() == Mode::Device)
        mode_ = Mode::Closed;
}

void AudioOutput::startNullDeviceLocked(Clock::time_point now)
{
    if (!rateSettled_) {
        sampleRate_ = kDefaultSampleRate;
        rateSettled_ = true;
    }
    bufferFrames_ = kPreferredBufferFrames;
    retries_.restart(now);
    mode_ = Mode::NullRealTime;
}

void AudioOutput::loseDeviceLocked(const QString& reason)
{
    // deviceFailed_ stays set until a device opens again: a block asked of the lost
    // device is refused.
    closeDeviceLocked();
    Log::line(QStringLiteral("Audio output lost (%1); rendering into the null device until it comes back.").arg(reason));
    startNullDeviceLocked(Clock::now());
}

void AudioOutput::startKeeperLocked()
{
    stopping_ = false;
    keeper_ = std::thread([this] { keep(); });
}

void AudioOutput::stopKeeper()
{
    std::thread keeper;
    {
        std::lock_guard lock(controlMutex_);
        stopping_ = true;
        keeper = std::move(keeper_);
    }
    keeperSignal_.wake();
    if (keeper.joinable())
        keeper.join();
}

void AudioOutput::announceUnavailable(bool lost, const QString& reason)
{
    NotificationCenter::defaultCenter().post(kUnavailableNotification, this, {},
                                             {{QStringLiteral("lost"), lost}, {QStringLiteral("reason"), reason}});
}

void AudioOutput::keep()
{
    std::vector<float> block(kPreferredBufferFrames * 2);
    Clock::time_point nextBlock;
    bool rendering = false;
    while (!stopping_.load()) {
        if (mode_.load() == Mode::Device) {
            rendering = false;
            watchDevice();
            continue;
        }
        const Clock::time_point now = Clock::now();
        const unsigned wakes = wakes_.load();
        const bool soundWanted = wakes != std::exchange(wakesHandled_, wakes);
        if (retries_.isDue(now, soundWanted) && retryDevice(now))
            continue;
        if (!soundWanted && !isSounding()) {
            rendering = false;
            restUntilWoken();
            continue;
        }
        // The null device: one block at the pace of real time, starting at once after a rest.
        if (!rendering)
            nextBlock = now;
        rendering = true;
        mix(block.data(), kPreferredBufferFrames);
        nextBlock += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(double(kPreferredBufferFrames) / sampleRate_.load()));
        if (nextBlock < now - std::chrono::seconds(1))
            nextBlock = now; // fell far behind (suspended): do not race to catch up
        std::this_thread::sleep_until(nextBlock);
    }
}

void AudioOutput::watchDevice()
{
    keeperSignal_.wait();
    if (deviceFailed_.load()) {
        fallBackToNullDevice();
        return;
    }
    const unsigned wakes = wakes_.load();
    if (resting_.load()) {
        if (wakes != restedAtWakes_)
            resumeDevice();
        return;
    }
    if (!fellQuiet_.exchange(false))
        return;
    // A note handed over since the quiet began keeps the device playing; the render
    // thread counts its quiet anew.
    if (quietAtWakes_.load() != wakes || !pauseDevice(wakes))
        mixing_ = true;
}

void AudioOutput::fallBackToNullDevice()
{
    QString reason;
    {
        std::lock_guard lock(controlMutex_);
        if (stopping_.load() || !device_)
            return;
        reason = device_->failureReason();
        loseDeviceLocked(reason);
    }
    announceUnavailable(true, reason);
}

bool AudioOutput::pauseDevice(unsigned wakes)
{
    std::lock_guard lock(controlMutex_);
    if (stopping_.load() || !device_)
        return false;
    if (!device_->pause()) {
        devicePauses_ = false;
        return false;
    }
    // A note handed over meanwhile has woken the keeper, which resumes at once; it waits
    // in its source, for the blocks the pause threw away did not mix it.
    restedAtWakes_ = wakes;
    resting_ = true;
    return true;
}

void AudioOutput::resumeDevice()
{
    QString failure;
    {
        std::lock_guard lock(controlMutex_);
        if (stopping_.load() || !device_)
            return;
        // Before the first block of the resumed stream.
        mixing_ = true;
        if (device_->resume(&failure)) {
            resting_ = false;
            return;
        }
        // The sound server went away during the rest: the device played, so it is lost.
        loseDeviceLocked(failure);
    }
    announceUnavailable(true, failure);
}

bool AudioOutput::retryDevice(Clock::time_point now)
{
    std::lock_guard lock(controlMutex_);
    if (stopping_.load())
        return false;
    QString failure;
    if (openDeviceLocked(&failure))
        return true;
    retries_.failed(now);
    return false;
}

void AudioOutput::restUntilWoken()
{
    resting_ = true;
    keeperSignal_.waitUntil(retries_.nextTry());
    resting_ = false;
}
