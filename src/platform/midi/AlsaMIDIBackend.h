#pragma once

#include "MIDIBackend.h"
#include "MIDIParser.h"

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;
typedef struct snd_seq_event snd_seq_event_t;

// The ALSA sequencer client "Melvora": the input port "Melvora In" is subscribed to the
// selected sources and to the system announce port (hot-plug) and, while every sender is
// heard, also takes what other programs send straight to it; the output port
// "Melvora Out" is connected to the output destinations. A thread of its own waits for
// input and hands parsed messages to the handler. Without /dev/snd/seq (no sequencer)
// the backend is unavailable and says why.
class AlsaMIDIBackend final : public MIDIBackend {
public:
    AlsaMIDIBackend();
    ~AlsaMIDIBackend() override;

    bool isAvailable() const override { return seq_ != nullptr; }
    QString unavailableReason() const override { return unavailableReason_; }
    QList<MIDIEndpoint> sources() const override;
    QList<MIDIEndpoint> destinations() const override;
    QList<MIDIEndpoint> selectedSources() const override;
    void setSelectedSources(const QList<MIDIEndpoint>& sources) override;
    QList<MIDIEndpoint> outputDestinations() const override;
    void setOutputDestinations(const QList<MIDIEndpoint>& destinations) override;
    void send(const std::vector<MIDIMessage>& messages) override;

    // Whether an event as the sequencer delivered it to our input port is input: never one
    // from our own ports (MIDI through would echo it back without end), else as hears() says
    // for its source address.
    static bool takesEvent(const snd_seq_event_t& event, int ownClient, const QList<MIDIEndpoint>& selected,
                           bool everySender);

private:
    struct Incoming {
        int address = 0; // client << 8 | port
        std::vector<std::uint8_t> bytes;
    };

    enum class Direction { In, Out };

    QList<MIDIEndpoint> ports(unsigned requiredCapabilities) const;
    // Moves a port's subscriptions from `current` to `wanted`; answers the endpoints that
    // are connected afterwards. Under mutex_.
    QList<MIDIEndpoint> resubscribe(Direction direction, const QList<MIDIEndpoint>& current,
                                    const QList<MIDIEndpoint>& wanted);
    void run();
    void readPending(std::vector<Incoming>& incoming, std::vector<Change>& changes);
    void handleAnnounce(const snd_seq_event_t* event, std::vector<Change>& changes);
    void forgetPort(int client, int port);

    snd_seq_t* seq_ = nullptr;
    QString unavailableReason_;
    int client_ = -1;
    int inPort_ = -1;
    int outPort_ = -1;
    snd_midi_event_t* decoder_ = nullptr; // input thread only
    snd_midi_event_t* encoder_ = nullptr; // under mutex_

    mutable std::mutex mutex_; // the sequencer handle and the two selections
    QList<MIDIEndpoint> selectedSources_;
    QList<MIDIEndpoint> outputDestinations_;

    std::map<int, MIDIParser> parsers_; // by source address; input thread only

    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
