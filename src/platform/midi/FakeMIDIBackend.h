#pragma once

#include "MIDIBackend.h"
#include "MIDIParser.h"

#include <QMap>

#include <mutex>

// A MIDI system in memory, for tests: sources and destinations are added and removed by
// hand (announcing the change as the system would), incoming bytes are injected as if a
// source had sent them, and everything sent is recorded.
class FakeMIDIBackend final : public MIDIBackend {
public:
    struct Sent {
        MIDIMessage message;
        QList<MIDIEndpoint> destinations;
    };

    explicit FakeMIDIBackend(bool available = true);

    bool isAvailable() const override { return available_; }
    QString unavailableReason() const override;
    QList<MIDIEndpoint> sources() const override;
    QList<MIDIEndpoint> destinations() const override;
    QList<MIDIEndpoint> selectedSources() const override;
    void setSelectedSources(const QList<MIDIEndpoint>& sources) override;
    QList<MIDIEndpoint> outputDestinations() const override;
    void setOutputDestinations(const QList<MIDIEndpoint>& destinations) override;
    void send(const std::vector<MIDIMessage>& messages) override;

    // Hot-plug, announced through the change handler on the calling thread.
    void addSource(const MIDIEndpoint& source);
    void removeSource(const QString& uniqueID);
    void addDestination(const MIDIEndpoint& destination);
    void removeDestination(const QString& uniqueID);

    // Bytes from a sender (a source, or a program that sends straight to our input port),
    // parsed with that sender's running state and delivered as one batch on the calling
    // thread. Bytes from a sender that is not heard are lost, as they would be; an empty
    // source ID delivers in any case.
    void receive(const std::vector<std::uint8_t>& bytes, const QString& sourceID = {});
    // Messages as they are, for batches the parser would not make.
    void receiveMessages(const std::vector<MIDIMessage>& messages);

    std::vector<Sent> sent() const;
    // Every message sent, without the destinations.
    std::vector<MIDIMessage> sentMessages() const;
    void clearSent();

private:
    const bool available_;
    mutable std::mutex mutex_;
    QList<MIDIEndpoint> sources_;
    QList<MIDIEndpoint> destinations_;
    QList<MIDIEndpoint> selectedSources_;
    QList<MIDIEndpoint> outputDestinations_;
    QMap<QString, MIDIParser> parsers_;
    std::vector<Sent> sent_;
};
