// The audio-unit kernel framework: the render loop's slicing at events, the parameter
// ramper, the gain unit and the shared unit render path.
#include "AudioPCMBuffer.h"
#include "DSPKernel.h"
#include "ParameterRamper.h"
#include "SilenceAudioUnit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Records what the render loop asks of it.
class RecordingKernel : public ZTDSPKernel {
public:
    void process(std::uint32_t frames, std::uint32_t offset) override { calls.emplace_back(frames, offset); }
    void startRamp(AUParameterAddress address, float value, std::uint32_t) override
    {
        events.emplace_back(address, value);
    }
    void init(int, double) override {}

    std::vector<std::pair<std::uint32_t, std::uint32_t>> calls; // frames, offset
    std::vector<std::pair<AUParameterAddress, float>> events;
};

AURenderEvent parameterEvent(std::int64_t time, AUParameterAddress address, float value)
{
    AURenderEvent event;
    event.eventType = AURenderEventType::parameter;
    event.eventSampleTime = time;
    event.parameterAddress = address;
    event.value = value;
    return event;
}

void link(std::vector<AURenderEvent>& events)
{
    for (std::size_t i = 0; i + 1 < events.size(); ++i)
        events[i].next = &events[i + 1];
}

// A pull operation that fills every buffer with `value`.
AURenderPullInputBlock constantInput(float value)
{
    return [value](AudioUnitRenderActionFlags&, const AudioTimeStamp&, std::uint32_t frames, int,
                   AudioBufferList* list) {
        for (std::uint32_t c = 0; c < list->numberBuffers; ++c)
            std::fill_n(list->buffers[c].data, frames, value);
        return AudioUnitStatus::noErr;
    };
}

// An output list of `channels` buffers of `frames` samples each, initialised to `fill`.
struct OutputBuffers {
    OutputBuffers(std::uint32_t channels, std::uint32_t frames, float fill = -7.0f)
        : samples(channels, std::vector<float>(frames, fill))
    {
        list.numberBuffers = channels;
        for (std::uint32_t c = 0; c < channels; ++c)
            list.buffers[c] = {1, std::uint32_t(frames * sizeof(float)), samples[c].data()};
    }
    std::vector<std::vector<float>> samples;
    AudioBufferList list;
};

// A gain unit set up for `channels` channels at 44100 Hz and allocated.
std::unique_ptr<SilenceAudioUnit> allocatedBooster(std::uint32_t channels)
{
    auto unit = std::make_unique<SilenceAudioUnit>();
    unit->outputBus().format = {44100.0, channels};
    unit->inputBus().init({44100.0, channels}, 8);
    EXPECT_TRUE(unit->allocateRenderResources());
    return unit;
}

OSStatus renderOnce(EffectAudioUnit& unit, AudioBufferList& output, std::uint32_t frames,
                    const AURenderPullInputBlock& pull, double time = 0.0)
{
    AudioUnitRenderActionFlags flags = 0;
    return unit.render(flags, AudioTimeStamp{time}, frames, 0, &output, nullptr, &pull);
}

} // namespace

TEST(RenderLoop, SplitsTheCycleAtEventsAndHandlesSimultaneousOnesTogether)
{
    RecordingKernel kernel;
    std::vector<AURenderEvent> events = {parameterEvent(1100, 0, 1.0f), parameterEvent(1100, 1, 2.0f)};
    link(events);
    renderWithEvents(kernel, AudioTimeStamp{1000.0}, 512, &events[0]);
    using Calls = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    EXPECT_EQ(kernel.calls, (Calls{{100, 0}, {412, 100}}));
    EXPECT_EQ(kernel.events.size(), 2u);

    // An event at the first sample: no empty stretch before it.
    RecordingKernel atStart;
    AURenderEvent first = parameterEvent(1000, 0, 0.5f);
    renderWithEvents(atStart, AudioTimeStamp{1000.0}, 512, &first);
    EXPECT_EQ(atStart.calls, (Calls{{512, 0}}));
    EXPECT_EQ(atStart.events.size(), 1u);

    // No frames: nothing at all.
    RecordingKernel empty;
    renderWithEvents(empty, AudioTimeStamp{0.0}, 0, &first);
    EXPECT_TRUE(empty.calls.empty());
}

TEST(RenderLoop, EventsOutsideTheCycleNeverMakeItRunPastItsBuffers)
{
    using Calls = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    // Late (before the cycle) and early (after it) events: the kernel still covers exactly
    // the cycle's 512 frames, and every event is handled.
    RecordingKernel kernel;
    std::vector<AURenderEvent> events = {parameterEvent(900, 0, 1.0f), parameterEvent(1200, 0, 2.0f),
                                         parameterEvent(5000, 0, 3.0f), parameterEvent(9000, 0, 4.0f)};
    link(events);
    renderWithEvents(kernel, AudioTimeStamp{1000.0}, 512, &events[0]);
    EXPECT_EQ(kernel.calls, (Calls{{200, 0}, {312, 200}}));
    ASSERT_EQ(kernel.events.size(), 4u);
    EXPECT_EQ(kernel.events.back().second, 4.0f);
}

TEST(ParameterRamper, RampsLinearlyJumpsWithoutDurationAndClamps)
{
    ParameterRamper ramper;
    ramper.startRamp(8, 1.0f);
    std::vector<float> steps;
    for (int i = 0; i < 10; ++i)
        steps.push_back(ramper.step());
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(steps[std::size_t(i)], 0.125f * float(i));
    EXPECT_FLOAT_EQ(steps[8], 1.0f);
    EXPECT_FLOAT_EQ(steps[9], 1.0f);

    ramper.startRamp(0, 0.25f);
    EXPECT_FLOAT_EQ(ramper.step(), 0.25f);
    EXPECT_EQ(ramper.samplesRemaining(), 0u);

    ramper.setUIValue(200000.0f);
    EXPECT_FLOAT_EQ(ramper.uiValue(), 100000.0f);
    EXPECT_FLOAT_EQ(ramper.step(), 100000.0f) << "a value from outside is taken up at the next frame";
    ramper.setUIValue(-3e9f);
    ramper.reset();
    EXPECT_FLOAT_EQ(ramper.goal(), -100000.0f);
}

TEST(BoosterKernel, RampsItsGainThroughRenderEventsWithClampedValues)
{
    BoosterDSPKernel kernel;
    kernel.init(1, 44100.0);
    kernel.startRamp(0, 200000.0f, 0);
    EXPECT_FLOAT_EQ(kernel.gainRamper.goal(), 100000.0f);
    kernel.startRamp(1, 0.5f, 0);
    EXPECT_FLOAT_EQ(kernel.gainRamper.goal(), 100000.0f) << "only address 0 is the gain";
}

TEST(SilenceAudioUnit, IsSilentFromTheFirstFrameAndTakesGainChangesAtTheNextFrame)
{
    auto unit = std::make_unique<SilenceAudioUnit>();
    unit->setGain(0.0f);
    unit->outputBus().format = {44100.0, 1};
    unit->inputBus().init({44100.0, 1}, 8);
    ASSERT_TRUE(unit->allocateRenderResources());
    EXPECT_TRUE(unit->isSetUp());

    OutputBuffers out(1, 64);
    ASSERT_EQ(renderOnce(*unit, out.list, 64, constantInput(0.8f)), AudioUnitStatus::noErr);
    for (float sample : out.samples[0])
        EXPECT_EQ(sample, 0.0f);

    unit->setGain(0.5f);
    ASSERT_EQ(renderOnce(*unit, out.list, 64, constantInput(0.8f), 64), AudioUnitStatus::noErr);
    EXPECT_FLOAT_EQ(out.samples[0][0], 0.4f);
    EXPECT_FLOAT_EQ(out.samples[0][63], 0.4f);
    EXPECT_FLOAT_EQ(unit->kernel.gain.load(), 0.5f);
}

TEST(SilenceAudioUnit, GainSetFromAnotherThreadWhileRenderingIsAlwaysOneWholeValue)
{
    auto unit = allocatedBooster(1);
    std::atomic<bool> done{false};
    std::thread setter([&] {
        for (int i = 0; !done; ++i)
            unit->setGain(i % 2 ? 0.25f : 0.75f);
    });
    OutputBuffers out(1, 256);
    bool onlyWholeGains = true;
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_EQ(renderOnce(*unit, out.list, 256, constantInput(1.0f), cycle * 256.0), AudioUnitStatus::noErr);
        for (float sample : out.samples[0])
            onlyWholeGains = onlyWholeGains && (sample == 0.25f || sample == 0.75f || sample == 0.0f);
    }
    done = true;
    setter.join();
    EXPECT_TRUE(onlyWholeGains);
}

TEST(SilenceAudioUnit, StoppedItPassesBuffersThroughAndAMonoListTouchesNoSecondBuffer)
{
    // Stereo: the output takes the input's two buffers as they are.
    auto stereo = allocatedBooster(2);
    stereo->stop();
    EXPECT_FALSE(stereo->isPlaying());
    OutputBuffers out(2, 32);
    ASSERT_EQ(renderOnce(*stereo, out.list, 32, constantInput(0.3f)), AudioUnitStatus::noErr);
    const AudioBufferList* input = stereo->inputBus().mutableAudioBufferList;
    EXPECT_EQ(out.list.buffers[0].data, input->buffers[0].data);
    EXPECT_EQ(out.list.buffers[1].data, input->buffers[1].data);
    EXPECT_FLOAT_EQ(out.list.buffers[1].data[31], 0.3f);

    // Mono: a second buffer description in the output list stays as it was.
    auto mono = allocatedBooster(1);
    mono->stop();
    OutputBuffers monoOut(2, 32);
    monoOut.list.numberBuffers = 1;
    float* secondBefore = monoOut.list.buffers[1].data;
    ASSERT_EQ(renderOnce(*mono, monoOut.list, 32, constantInput(0.3f)), AudioUnitStatus::noErr);
    EXPECT_EQ(monoOut.list.buffers[1].data, secondBefore);
    EXPECT_EQ(monoOut.samples[1][0], -7.0f);
    EXPECT_EQ(monoOut.list.buffers[0].data, mono->inputBus().mutableAudioBufferList->buffers[0].data);
}

TEST(SilenceAudioUnit, RefusesMismatchedChannelsMissingInputAndTooManyFrames)
{
    auto unit = std::make_unique<SilenceAudioUnit>();
    unit->outputBus().format = {44100.0, 2};
    unit->inputBus().init({44100.0, 1}, 8);
    OSStatus status = 0;
    EXPECT_FALSE(unit->allocateRenderResources(&status));
    EXPECT_EQ(status, AudioUnitStatus::formatMismatch);
    OutputBuffers out(2, 16);
    EXPECT_EQ(renderOnce(*unit, out.list, 16, constantInput(1.0f)), AudioUnitStatus::notAllocated);

    auto allocated = allocatedBooster(2);
    AudioUnitRenderActionFlags flags = 0;
    EXPECT_EQ(allocated->render(flags, AudioTimeStamp{}, 16, 0, &out.list, nullptr, nullptr),
              AudioUnitStatus::noInputConnection);
    OutputBuffers big(2, 1024);
    EXPECT_EQ(renderOnce(*allocated, big.list, 1024, constantInput(1.0f)), AudioUnitStatus::tooManyFrames);
    EXPECT_EQ(big.samples[0][0], -7.0f);
}

TEST(SilenceAudioUnit, GainParameterWritesTheRamperBeforeAllocationAndRampsAfterIt)
{
    auto unit = std::make_unique<SilenceAudioUnit>();
    AUParameter* gain = unit->parameterTree()->parameterWithAddress(0);
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(gain->identifier(), QStringLiteral("gain"));
    EXPECT_EQ(gain->displayName(), QStringLiteral("Boosting amount."));
    EXPECT_EQ(gain->value(), 0.0f);
    gain->setValue(1.0f);
    EXPECT_EQ(unit->kernel.gainRamper.uiValue(), 1.0f);
    EXPECT_EQ(gain->stringFromValue(), QStringLiteral("1.000"));

    unit->outputBus().format = {44100.0, 1};
    unit->inputBus().init({44100.0, 1}, 8);
    ASSERT_TRUE(unit->allocateRenderResources());
    // After allocation a value travels as a ramp over 0.2 ms (8 frames at 44100 Hz).
    gain->setValue(0.0f);
    OutputBuffers out(1, 16);
    ASSERT_EQ(renderOnce(*unit, out.list, 16, constantInput(1.0f)), AudioUnitStatus::noErr);
    EXPECT_FLOAT_EQ(out.samples[0][0], 1.0f);
    EXPECT_FLOAT_EQ(out.samples[0][4], 0.5f);
    EXPECT_FLOAT_EQ(out.samples[0][8], 0.0f);
    EXPECT_FLOAT_EQ(gain->value(), 0.0f);
}
