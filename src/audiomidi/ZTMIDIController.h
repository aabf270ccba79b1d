#pragma once

#include "MIDIBackend.h"
#include "NotificationCenter.h"
#include "QVMusicInstrument.h"
#include "SharedSlot.h"
#include "ZTMIDIConnector.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The one MIDI hub of the process. It owns the current instrument (chosen by the setting
// "MIDIOutEndpoint"), keeps the list of MIDI destinations, takes MIDI input from the sources
// that "MIDIInSource" chooses (none, every one, or those of one name), filters it by
// channel, echoes it to the selected destination (MIDI through), and turns notes into
// sounds, remote-control commands and notifications, or hands them to a capturing connector.
//
// Incoming MIDI is handled on the MIDI input thread: "ZTMIDINoteOnNotification",
// "ZTMIDIRemoteNextNotification" and "ZTMIDIRemoteRepeatNotification" are posted there, so
// observers that touch the interface register for main-queue delivery. The MIDI settings
// used on that thread are copied when their change notifications arrive. Everything else
// runs on the main thread.
//
// Without a MIDI system the controller logs it and goes on: no input, no destinations,
// and both software synthesizers still sound.
class ZTMIDIController : public QVMusicInstrumentDelegate {
public:
    // The endpoint names with a fixed meaning; stored files rely on them.
    static const QString kSystemSynthesizerName; // "Apple DLS SoftSynth"
    static const QString kSampleSynthesizerName; // "Melvora SoftSynth"
    // The "MIDIInSource" values with a fixed meaning; any other value names a source.
    static const QString kNoInputSource;    // "": no MIDI input
    static const QString kAutoInputSource;  // "auto": every source

    // Makes an initialised instrument for the controller; may return null.
    using InstrumentFactory = std::function<std::shared_ptr<QVMusicInstrument>(ZTMIDIController*)>;
    using BackendFactory = std::function<std::shared_ptr<MIDIBackend>()>;

    // Created on first use with the system's MIDI backend (or the one the factory
    // below makes) and kept for the process.
    static ZTMIDIController* sharedInstance();
    // Lets the settings store check a stored output name against our destinations before the
    // hub exists: the check creates the shared hub on first use. Install it before the store
    // is first made, or a stored external device counts as vanished and is replaced.
    static void installSettingsEndpointLookup();
    // Tests and other tools: the backend of the shared instance, set before its creation.
    static void setSharedBackendFactory(BackendFactory factory);
    // The built-in sample synthesizer ("Melvora SoftSynth") lives in its own module, which
    // installs its maker here. Without one the General MIDI synthesizer stands in.
    static void setSampleSynthesizerFactory(InstrumentFactory factory);

    // What the user sees for an endpoint name: the fixed names through the string table.
    static QString displayNameForEndpoint(const QString& name);

    // The instrument an output name gives: the sample synthesizer only once its module has
    // installed its maker (the system synthesizer stands in until then), the system
    // synthesizer for its own name and for none, else the MIDI destination of that name.
    // The sound lists of the instruments menu follow it. Any thread; takes a short lock.
    enum class InstrumentKind { SystemSynthesizer, SampleSynthesizer, Destination };
    static InstrumentKind instrumentKindForEndpoint(const QString& name);

    // A controller on the given backend; call init() next. Tests make their own.
    explicit ZTMIDIController(std::shared_ptr<MIDIBackend> backend);
    ~ZTMIDIController() override;
    ZTMIDIController(const ZTMIDIController&) = delete;
    ZTMIDIController& operator=(const ZTMIDIController&) = delete;

    // Observers, the settings store's endpoint lookup, destinations, input, instrument.
    void init();

    bool isMIDIAvailable() const;

    // The current instrument; safe to call from any thread and to keep using while it is
    // replaced (the old one is released on the main thread).
    std::shared_ptr<QVMusicInstrument> instrument() const;
    void setInstrument(std::shared_ptr<QVMusicInstrument> instrument);

    // The destinations as last read.
    QList<MIDIEndpoint> endpoints() const;
    // The destination named by "MIDIOutEndpoint"; none when no destination has the name.
    std::optional<MIDIEndpoint> endpoint() const;
    // Selects the destination and routes the output to it (or to nothing).
    void setEndpoint(const std::optional<MIDIEndpoint>& endpoint);
    MIDIBackend* outputStream() const { return backend_.get(); }
    // The channel (1-16) on which single notes and MIDI through go out: "MIDIOutChannel",
    // or 1 when that is 1 or less.
    int outputChannel() const;

    ZTMIDIConnector* midiConnector() const { return midiConnector_.load(); }
    void setMidiConnector(ZTMIDIConnector* connector) { midiConnector_.store(connector); }

    // Set by the preferences window before it stores a new "MIDIOutEndpoint". Read by the
    // system synthesizer when it cannot be built, which may happen on the MIDI thread.
    QString lastEndpoint() const;
    void setLastEndpoint(const QString& name);

    // The first destination whose name equals the string exactly.
    std::optional<MIDIEndpoint> endpointWithName(const QString& name) const;

    void setupInstrument();
    void _reloadDestinationEndpoints();

    // The sources the input stream offers.
    QList<MIDIEndpoint> inputSources() const;
    QList<MIDIEndpoint> selectedInputSources() const;
    void setSelectedInputSources(const QList<MIDIEndpoint>& sources);
    void autoselectSources();
    // Selects what "MIDIInSource" chooses among the sources there are now; again whenever
    // the setting or the sources change, so a named device is taken when it is plugged in.
    // "Auto select" also hears programs that send to our input port without a source of
    // their own.
    void selectInputSourcesFromSettings();

    // Incoming MIDI (the MIDI input thread).
    void takeMIDIMessages(const std::vector<MIDIMessage>& messages);
    void noteOnEvent(unsigned note, unsigned velocity);
    void noteOffEvent(unsigned note);
    bool _isInternalPlayer() const;

    void playerDidStartForMusicInstrument(QVMusicInstrument* instrument) override;
    void playerDidStopForMusicInstrument(QVMusicInstrument* instrument) override;

    void MIDIOutEndpointChangedNotification(const Notification& notification);
    void MIDIObjectListChangedNotification();
    void _sourceListDidChange();
    void clientObjectAdded();
    void clientObjectRemoved();
    void _clientAdded();

private:
    struct InputSettings {
        std::atomic<bool> inputOn{true}; // "No MIDI in" drops every message
        std::atomic<bool> through{false};
        std::atomic<int> inChannel{0};
        std::atomic<int> outChannel{1};
        std::atomic<int> playKey{-1};
        std::atomic<int> nextKey{-1};
        std::atomic<bool> practiceMode{false};
        std::atomic<bool> internalPlayer{true};
    };

    void loadInputSettings();
    void handleChange(MIDIBackend::Change change);
    void installInstrument(std::shared_ptr<QVMusicInstrument> instrument);
    void deliverToConnector(ZTMIDIConnector* connector, std::function<void(ZTMIDIConnector*)> call);
    void post(const QString& name, QVariant object = {});

    std::shared_ptr<MIDIBackend> backend_;
    std::shared_ptr<int> lifeToken_ = std::make_shared<int>(0); // guards queued work
    InputSettings settings_;

    // The lookup and lastEndpoint may be read from any thread.
    mutable std::mutex endpointsMutex_;
    QList<MIDIEndpoint> endpoints_;
    SharedSlot<const MIDIEndpoint> endpoint_;
    SharedSlot<QVMusicInstrument> instrument_;
    std::atomic<ZTMIDIConnector*> midiConnector_{nullptr};
    QString lastEndpoint_; // under endpointsMutex_

    std::vector<NotificationObserver> observers_;
    DelayedCall clientAddedCall_;
};

Q_DECLARE_METATYPE(ZTMIDIController*)
