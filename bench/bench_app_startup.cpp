// The time from start to the first painted window: the delegate's start-up steps (database,
// settings, catalogue, menus, MIDI and instrument, exercise screen), then the event loop until
// the main window's content has been painted once. The first run of the process also makes
// the MIDI hub and loads the synthesizer's sound bank; it is reported on its own.
#include "ZTAppDelegate.h"

#include "FakeMIDIBackend.h"
#include "Log.h"
#include "TestEnvironment.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

class PaintWatcher : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// Seconds from the delegate's creation to the first paint of the exercise screen.
double startUntilFirstPaint()
{
    ZTPreferences::resetSharedForTesting();
    ZTUtils::resetSharedDbForTesting();
    QElapsedTimer timer;
    timer.start();
    ZTAppDelegate delegate;
    PaintWatcher watcher;
    delegate.mainViewController()->installEventFilter(&watcher);
    delegate.launch();
    while (!watcher.painted && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = timer.nsecsElapsed() / 1e9;
    delegate.mainViewController()->removeEventFilter(&watcher);
    return seconds;
}

void BM_StartToFirstPaint(benchmark::State& state)
{
    TestEnvironment environment;
    for (auto _ : state)
        state.SetIterationTime(startUntilFirstPaint());
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Log::setSink([](const QString&) {});
    ZTMIDIController::setSharedBackendFactory([] { return std::make_shared<FakeMIDIBackend>(); });
    {
        TestEnvironment environment;
        std::printf("First start of the process (MIDI hub and sound bank included): %.1f ms\n",
                    startUntilFirstPaint() * 1000.0);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
