#include "FakeMIDIBackend.h"

FakeMIDIBackend::FakeMIDIBackend(bool available)
    : available_(available)
{
}

QString FakeMIDIBackend::unavailableReason() const
{
    return available_ ? QString() : QStringLiteral("no MIDI system (fake)");
}

QList<MIDIEndpoint> FakeMIDIBackend::sources() const
{
    std::lock_guard lock(mutex_);
    return sources_;
}

QList<MIDIEndpoint> FakeMIDIBackend::destinations() const
{
    std::lock_guard lock(mutex_);
    return destinations_;
}

QList<MIDIEndpoint> FakeMIDIBackend::selectedSources() const
{
    std::lock_guard lock(mutex_);
    return selectedSources_;
}

void FakeMIDIBackend::setSelectedSources(const QList<MIDIEndpoint>& sources)
{
    std::lock_guard lock(mutex_);
    selectedSources_.clear();
    for (const MIDIEndpoint& source : sources)
        if (sources_.contains(source))
            selectedSources_.append(source);
}

QList<MIDIEndpoint> FakeMIDIBackend::outputDestinations() const
{
    std::lock_guard lock(mutex_);
    return outputDestinations_;
}

void FakeMIDIBackend::setOutputDestinations(const QList<MIDIEndpoint>& destinations)
{
    std::lock_guard lock(mutex_);
    outputDestinations_.clear();
    for (const MIDIEndpoint& destination : destinations)
        if (destinations_.contains(destination))
            outputDestinations_.append(destination);
}

void FakeMIDIBackend::send(const std::vector<MIDIMessage>& messages)
{
    std::lock_guard lock(mutex_);
    if (!available_ || outputDestinations_.isEmpty())
        return;
    for (const MIDIMessage& message : messages)
        sent_.push_back({message, outputDestinations_});
}

void FakeMIDIBackend::addSource(const MIDIEndpoint& source)
{
    {
        std::lock_guard lock(mutex_);
        sources_.append(source);
    }
    announceChange(Change::ClientObjectAdded);
    announceChange(Change::ObjectListChanged);
    announceChange(Change::SourceListChanged);
}

void FakeMIDIBackend::removeSource(const QString& uniqueID)
{
    {
        std::lock_guard lock(mutex_);
        auto gone = [&](const MIDIEndpoint& e) { return e.uniqueID == uniqueID; };
        sources_.removeIf(gone);
        selectedSources_.removeIf(gone);
        parsers_.remove(uniqueID);
    }
    announceChange(Change::ClientObjectRemoved);
    announceChange(Change::ObjectListChanged);
    announceChange(Change::SourceListChanged);
}

void FakeMIDIBackend::addDestination(const MIDIEndpoint& destination)
{
    {
        std::lock_guard lock(mutex_);
        destinations_.append(destination);
    }
    announceChange(Change::ClientObjectAdded);
    announceChange(Change::ObjectListChanged);
}

void FakeMIDIBackend::removeDestination(const QString& uniqueID)
{
    {
        std::lock_guard lock(mutex_);
        auto gone = [&](const MIDIEndpoint& e) { return e.uniqueID == uniqueID; };
        destinations_.removeIf(gone);
        outputDestinations_.removeIf(gone);
    }
    announceChange(Change::ClientObjectRemoved);
    announceChange(Change::ObjectListChanged);
}

void FakeMIDIBackend::receive(const std::vector<std::uint8_t>& bytes, const QString& sourceID)
{
    std::vector<MIDIMessage> messages;
    {
        std::lock_guard lock(mutex_);
        if (!available_)
            return;
        if (!sourceID.isEmpty() && !hears(sourceID, selectedSources_, hearsEverySender()))
            return;
        messages = parseInput(parsers_[sourceID], bytes, QLatin1Char('"') + sourceID + QLatin1Char('"'));
    }
    if (!messages.empty())
        receiveMessages(messages);
}

void FakeMIDIBackend::receiveMessages(const std::vector<MIDIMessage>& messages)
{
    deliverMessages(messages);
}

std::vector<FakeMIDIBackend::Sent> FakeMIDIBackend::sent() const
{
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<MIDIMessage> FakeMIDIBackend::sentMessages() const
{
    std::lock_guard lock(mutex_);
    std::vector<MIDIMessage> messages;
    for (const Sent& sent : sent_)
        messages.push_back(sent.message);
    return messages;
}

void FakeMIDIBackend::clearSent()
{
    std::lock_guard lock(mutex_);
    sent_.clear();
}
