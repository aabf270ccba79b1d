#include "ZTMIDIController.h"

#include "Localization.h"
#include "Log.h"
#include "MainQueue.h"
#include "QVDLSSynthesizer.h"
#include "QVMIDIEndpointInstrument.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <algorithm>

const QString ZTMIDIController::kSystemSynthesizerName = QStringLiteral("Apple DLS SoftSynth");
const QString ZTMIDIController::kSampleSynthesizerName = QStringLiteral("Melvora SoftSynth");
const QString ZTMIDIController::kNoInputSource = QStringLiteral("");
const QString ZTMIDIController::kAutoInputSource = QStringLiteral("auto");

namespace {

std::recursive_mutex& creationMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}
ZTMIDIController* sharedController = nullptr;
ZTMIDIController::BackendFactory sharedBackendFactory;

std::mutex sampleSynthesizerMutex;
ZTMIDIController::InstrumentFactory sampleSynthesizerFactory;

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

// An instrument may be dropped last by the MIDI thread; its teardown (timers, player,
// delegate call) belongs to the main thread.
void releaseOnMainThread(std::shared_ptr<QVMusicInstrument> instrument)
{
    if (!instrument)
        return;
    if (onMainThread()) {
        instrument.reset();
        return;
    }
    MainQueue::async([instrument = std::move(instrument)]() mutable { instrument.reset(); });
}

const QStringList& inputSettingKeys()
{
    static const QStringList keys{
        QStringLiteral("MIDIThrough"),       QStringLiteral("MIDIInChannel"),
        QStringLiteral("MIDIOutChannel"),    QStringLiteral("MIDIRemotePlayKey"),
        QStringLiteral("MIDIRemoteNextKey"), QStringLiteral("practiceMode"),
    };
    return keys;
}

} // namespace

ZTMIDIController* ZTMIDIController::sharedInstance()
{
    std::lock_guard lock(creationMutex());
    if (sharedController)
        return sharedController;
    std::shared_ptr<MIDIBackend> backend =
        sharedBackendFactory ? sharedBackendFactory() : MIDIBackend::createSystemBackend();
    // Kept for the life of the process and never destroyed: it outlives the notification
    // centre and the main queue it is registered with. Published before init() so a request
    // made from inside the creation gets this instance.
    sharedController = std::make_unique<ZTMIDIController>(std::move(backend)).release();
    sharedController->init();
    return sharedController;
}

void ZTMIDIController::installSettingsEndpointLookup()
{
    ZTPreferences::setMIDIEndpointLookup(
        [](const QString& name) { return sharedInstance()->endpointWithName(name).has_value(); });
}

void ZTMIDIController::setSharedBackendFactory(BackendFactory factory)
{
    std::lock_guard lock(creationMutex());
    sharedBackendFactory = std::move(factory);
}

ZTMIDIController::InstrumentKind ZTMIDIController::instrumentKindForEndpoint(const QString& name)
{
    if (name == kSampleSynthesizerName) {
        std::lock_guard lock(sampleSynthesizerMutex);
        return sampleSynthesizerFactory ? InstrumentKind::SampleSynthesizer : InstrumentKind::SystemSynthesizer;
    }
    if (name == kSystemSynthesizerName || name.isEmpty())
        return InstrumentKind::SystemSynthesizer;
    return InstrumentKind::Destination;
}

void ZTMIDIController::setSampleSynthesizerFactory(InstrumentFactory factory)
{
    std::lock_guard lock(sampleSynthesizerMutex);
    sampleSynthesizerFactory = std::move(factory);
}

QString ZTMIDIController::displayNameForEndpoint(const QString& name)
{
    if (name == kSystemSynthesizerName || name == kSampleSynthesizerName)
        return localized(name);
    return name;
}

ZTMIDIController::ZTMIDIController(std::shared_ptr<MIDIBackend> backend)
    : backend_(std::move(backend))
{
}

ZTMIDIController::~ZTMIDIController()
{
    if (backend_) {
        backend_->setMessagesHandler({});
        backend_->setChangeHandler({});
    }
    observers_.clear();
    clientAddedCall_.cancel();
    lifeToken_.reset();
    ZTPreferences::setMIDIEndpointLookup({});
    ZTMusicalTest::setMIDIOutputEndpointCheck({});
    // The old instrument's teardown may still tell this controller that it stopped.
    std::shared_ptr<QVMusicInstrument> instrument = instrument_.exchange(nullptr);
    if (instrument)
        instrument->setDelegate(nullptr);
    instrument.reset();
}

void ZTMIDIController::init()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(
        QStringLiteral("MIDIOutEndpointChangedNotification"),
        [this](const Notification& n) { MIDIOutEndpointChangedNotification(n); },
        NotificationCenter::Delivery::MainQueue));
    for (const QString& key : inputSettingKeys())
        observers_.push_back(center.addObserver(key + QStringLiteral("ChangedNotification"),
                                                [this](const Notification&) { loadInputSettings(); },
                                                NotificationCenter::Delivery::MainQueue));
    observers_.push_back(center.addObserver(QStringLiteral("MIDIInSourceChangedNotification"),
                                            [this](const Notification&) { selectInputSourcesFromSettings(); },
                                            NotificationCenter::Delivery::MainQueue));
    observers_.push_back(center.addObserver(QStringLiteral("ZTPreferencesResetNotification"),
                                            [this](const Notification&) {
                                                loadInputSettings();
                                                selectInputSourcesFromSettings();
                                                setupInstrument();
                                                _reloadDestinationEndpoints();
                                            },
                                            NotificationCenter::Delivery::MainQueue));

    if (!isMIDIAvailable())
        Log::line(QStringLiteral("MIDI is not available (%1); going on without MIDI input and output.")
                      .arg(backend_ ? backend_->unavailableReason() : QStringLiteral("no MIDI backend")));

    ZTPreferences::setMIDIEndpointLookup(
        [this](const QString& name) { return endpointWithName(name).has_value(); });
    ZTMusicalTest::setMIDIOutputEndpointCheck([this] { return endpoint().has_value(); });

    _reloadDestinationEndpoints();
    if (backend_) {
        backend_->setMessagesHandler(
            [this](const std::vector<MIDIMessage>& messages) { takeMIDIMessages(messages); });
        std::weak_ptr<int> alive = lifeToken_;
        backend_->setChangeHandler([this, alive](MIDIBackend::Change change) {
            MainQueue::async([this, alive, change] {
                if (alive.lock())
                    handleChange(change);
            });
        });
    }
    selectInputSourcesFromSettings();
    loadInputSettings();
    setupInstrument();
}

bool ZTMIDIController::isMIDIAvailable() const
{
    return backend_ && backend_->isAvailable();
}

void ZTMIDIController::loadInputSettings()
{
    ZTPreferences* preferences = ZTPreferences::sharedPreferences();
    settings_.through = preferences->MIDIThrough();
    settings_.inChannel = preferences->MIDIInChannel();
    settings_.outChannel = preferences->MIDIOutChannel();
    settings_.playKey = preferences->MIDIRemotePlayKey();
    settings_.nextKey = preferences->MIDIRemoteNextKey();
    settings_.practiceMode = preferences->practiceMode();
    settings_.internalPlayer = preferences->isInternalPlayer();
}

std::shared_ptr<QVMusicInstrument> ZTMIDIController::instrument() const
{
    return instrument_.load();
}

void ZTMIDIController::setInstrument(std::shared_ptr<QVMusicInstrument> instrument)
{
    installInstrument(std::move(instrument));
}

void ZTMIDIController::installInstrument(std::shared_ptr<QVMusicInstrument> instrument)
{
    std::shared_ptr<QVMusicInstrument> guarded;
    if (instrument) {
        QVMusicInstrument* raw = instrument.get();
        guarded = std::shared_ptr<QVMusicInstrument>(
            raw, [keep = std::move(instrument)](QVMusicInstrument*) mutable {
                releaseOnMainThread(std::move(keep));
            });
    }
    // The old instrument goes here (on the main thread); its teardown stops a sequence it
    // still plays, which tells this controller.
    std::shared_ptr<QVMusicInstrument> old = instrument_.exchange(std::move(guarded));
    old.reset();
}

void ZTMIDIController::setupInstrument()
{
    ZTPreferences* preferences = ZTPreferences::sharedPreferences();
    const QString name = preferences->MIDIOutEndpoint();
    std::shared_ptr<QVMusicInstrument> made;

    if (name == kSampleSynthesizerName) {
        InstrumentFactory factory;
        {
            std::lock_guard lock(sampleSynthesizerMutex);
            factory = sampleSynthesizerFactory;
        }
        if (factory)
            made = factory(this);
        if (made)
            made->programChange(preferences->melvoraSoftSynthInstrumentNr());
        else
            Log::line(QStringLiteral("The built-in sample synthesizer is not available; "
                                     "the General MIDI synthesizer plays instead."));
    }
    if (!made) {
        // An empty name selects no destination at all; the settings count it as an
        // internal player, so it gets the system synthesizer rather than silence.
        if (instrumentKindForEndpoint(name) != InstrumentKind::Destination) {
            auto synthesizer = std::make_shared<QVDLSSynthesizer>(this);
            synthesizer->init();
            synthesizer->programChange(preferences->GMMIDIInstrumentNr());
            made = synthesizer;
        } else {
            auto endpointInstrument = std::make_shared<QVMIDIEndpointInstrument>(this);
            endpointInstrument->init();
            made = endpointInstrument;
        }
    }
    made->setDelegate(this);
    installInstrument(std::move(made));
    settings_.internalPlayer = preferences->isInternalPlayer();
}

QList<MIDIEndpoint> ZTMIDIController::endpoints() const
{
    std::lock_guard lock(endpointsMutex_);
    return endpoints_;
}

std::optional<MIDIEndpoint> ZTMIDIController::endpoint() const
{
    const std::shared_ptr<const MIDIEndpoint> selected = endpoint_.load();
    if (!selected)
        return std::nullopt;
    return *selected;
}

void ZTMIDIController::setEndpoint(const std::optional<MIDIEndpoint>& endpoint)
{
    endpoint_.store(endpoint ? std::make_shared<const MIDIEndpoint>(*endpoint) : nullptr);
    if (backend_)
        backend_->setOutputDestinations(endpoint ? QList<MIDIEndpoint>{*endpoint} : QList<MIDIEndpoint>{});
}

int ZTMIDIController::outputChannel() const
{
    return std::clamp(settings_.outChannel.load(), 1, 16);
}

QString ZTMIDIController::lastEndpoint() const
{
    std::lock_guard lock(endpointsMutex_);
    return lastEndpoint_;
}

void ZTMIDIController::setLastEndpoint(const QString& name)
{
    std::lock_guard lock(endpointsMutex_);
    lastEndpoint_ = name;
}

std::optional<MIDIEndpoint> ZTMIDIController::endpointWithName(const QString& name) const
{
    std::lock_guard lock(endpointsMutex_);
    for (const MIDIEndpoint& candidate : endpoints_)
        if (candidate.name == name)
            return candidate;
    return std::nullopt;
}

void ZTMIDIController::_reloadDestinationEndpoints()
{
    {
        const QList<MIDIEndpoint> current = backend_ ? backend_->destinations() : QList<MIDIEndpoint>{};
        std::lock_guard lock(endpointsMutex_);
        endpoints_ = current;
    }
    const QString name = ZTPreferences::sharedPreferences()->MIDIOutEndpoint();
    setEndpoint(name.isEmpty() ? std::nullopt : endpointWithName(name));

    QStringList names;
    for (const MIDIEndpoint& destination : endpoints())
        names.append(destination.name);
    post(QStringLiteral("ZTEndpointDidChangedNotification"), names);
}

QList<MIDIEndpoint> ZTMIDIController::inputSources() const
{
    return backend_ ? backend_->sources() : QList<MIDIEndpoint>{};
}

QList<MIDIEndpoint> ZTMIDIController::selectedInputSources() const
{
    return backend_ ? backend_->selectedSources() : QList<MIDIEndpoint>{};
}

void ZTMIDIController::setSelectedInputSources(const QList<MIDIEndpoint>& sources)
{
    if (!backend_ || sources == backend_->selectedSources())
        return;
    backend_->setSelectedSources(sources);
}

void ZTMIDIController::autoselectSources()
{
    setSelectedInputSources(inputSources());
}

void ZTMIDIController::selectInputSourcesFromSettings()
{
    const QString choice = ZTPreferences::sharedPreferences()->MIDIInSource();
    settings_.inputOn = choice != kNoInputSource;
    // "Auto select" takes every message, also from programs that send straight to our port.
    if (backend_)
        backend_->setHearsEverySender(choice == kAutoInputSource);
    if (choice == kAutoInputSource) {
        autoselectSources();
        return;
    }
    QList<MIDIEndpoint> named;
    if (choice != kNoInputSource)
        for (const MIDIEndpoint& source : inputSources())
            if (source.name == choice)
                named.append(source);
    setSelectedInputSources(named);
}

void ZTMIDIController::takeMIDIMessages(const std::vector<MIDIMessage>& messages)
{
    if (!settings_.inputOn.load())
        return;
    const bool through = settings_.through.load() && endpoint_.load() != nullptr;
    const int inChannel = settings_.inChannel.load();
    std::vector<MIDIMessage> throughList;

    for (const MIDIMessage& message : messages) {
        if (!message.isVoiceMessage()) {
            if (through)
                throughList.push_back(message);
            continue;
        }
        if (inChannel != 0 && inChannel != message.channel())
            continue;
        if (through) {
            MIDIMessage echo = message;
            echo.setChannel(outputChannel());
            throughList.push_back(echo);
        }

        const int status = message.status();
        const auto note = std::uint8_t(message.dataByte1());
        const auto velocity = std::uint8_t(message.dataByte2());
        const bool noteOff = status == 0x80 || (status == 0x90 && velocity == 0);
        if (noteOff) {
            if (ZTMIDIConnector* connector = midiConnector_.load())
                deliverToConnector(connector, [note](ZTMIDIConnector* c) { c->noteOff(note); });
            else
                noteOffEvent(note);
        } else if (status == 0x90) {
            if (ZTMIDIConnector* connector = midiConnector_.load())
                deliverToConnector(connector, [note, velocity](ZTMIDIConnector* c) { c->noteOn(note, velocity); });
            else
                noteOnEvent(note, velocity);
        }
    }

    if (through && !throughList.empty() && backend_)
        backend_->send(throughList);
}

void ZTMIDIController::deliverToConnector(ZTMIDIConnector* connector,
                                          std::function<void(ZTMIDIConnector*)> call)
{
    // The connector is a window: it is called on the main queue, and only while it is
    // still the connector (a window that went away has cleared itself first).
    std::weak_ptr<int> alive = lifeToken_;
    MainQueue::async([this, alive, connector, call = std::move(call)] {
        if (alive.lock() && midiConnector_.load() == connector)
            call(connector);
    });
}

void ZTMIDIController::noteOnEvent(unsigned note, unsigned velocity)
{
    const std::shared_ptr<QVMusicInstrument> current = instrument_.load();
    if (!settings_.practiceMode.load()) {
        const bool playing = current && current->isPlaying();
        if (int(note) == settings_.nextKey.load()) {
            if (!playing)
                post(QStringLiteral("ZTMIDIRemoteNextNotification"), QVariant::fromValue(this));
            return;
        }
        if (int(note) == settings_.playKey.load()) {
            if (!playing)
                post(QStringLiteral("ZTMIDIRemoteRepeatNotification"), QVariant::fromValue(this));
            return;
        }
    }
    post(QStringLiteral("ZTMIDINoteOnNotification"), int(note));
    if (_isInternalPlayer() && current)
        current->noteOn(int(note), velocity);
}

void ZTMIDIController::noteOffEvent(unsigned note)
{
    if (!_isInternalPlayer())
        return;
    if (const std::shared_ptr<QVMusicInstrument> current = instrument_.load())
        current->noteOff(int(note));
}

bool ZTMIDIController::_isInternalPlayer() const
{
    return settings_.internalPlayer.load();
}

void ZTMIDIController::post(const QString& name, QVariant object)
{
    NotificationCenter::defaultCenter().post(name, this, std::move(object));
}

void ZTMIDIController::playerDidStartForMusicInstrument(QVMusicInstrument* instrument)
{
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTSamplePlayerDidStartNotification"),
                                             instrument, QVariant::fromValue(instrument));
}

void ZTMIDIController::playerDidStopForMusicInstrument(QVMusicInstrument* instrument)
{
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTSamplePlayerDidStopNotification"),
                                             instrument, QVariant::fromValue(instrument));
}

void ZTMIDIController::MIDIOutEndpointChangedNotification(const Notification&)
{
    setupInstrument();
    _reloadDestinationEndpoints();
}

void ZTMIDIController::MIDIObjectListChangedNotification() {}

void ZTMIDIController::_sourceListDidChange()
{
    selectInputSourcesFromSettings();
}

void ZTMIDIController::clientObjectAdded()
{
    clientAddedCall_ = MainQueue::after(0.1, [this] { _clientAdded(); });
}

void ZTMIDIController::clientObjectRemoved()
{
    clientAddedCall_ = MainQueue::after(0.1, [this] { _clientAdded(); });
}

void ZTMIDIController::_clientAdded()
{
    // The destinations first: the instrument is chosen by a name that may have just
    // (re)appeared, and the settings store checks names against this list.
    _reloadDestinationEndpoints();
    setupInstrument();
}

void ZTMIDIController::handleChange(MIDIBackend::Change change)
{
    switch (change) {
    case MIDIBackend::Change::ObjectListChanged:
        MIDIObjectListChangedNotification();
        break;
    case MIDIBackend::Change::SourceListChanged:
        _sourceListDidChange();
        break;
    case MIDIBackend::Change::ClientObjectAdded:
        clientObjectAdded();
        break;
    case MIDIBackend::Change::ClientObjectRemoved:
        clientObjectRemoved();
        break;
    }
}
