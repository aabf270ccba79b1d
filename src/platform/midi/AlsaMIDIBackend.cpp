#include "AlsaMIDIBackend.h"

#include "Log.h"

#include <alsa/asoundlib.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// ALSA prints its own complaints to stderr (no card, no sequencer); we log ours instead.
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

constexpr long kCoderBufferSize = 256;

bool parseAddress(const QString& uniqueID, int& client, int& port)
{
    const QStringList parts = uniqueID.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    bool clientOk = false;
    bool portOk = false;
    client = parts[0].toInt(&clientOk);
    port = parts[1].toInt(&portOk);
    return clientOk && portOk;
}

QString addressID(int client, int port)
{
    return QStringLiteral("%1:%2").arg(client).arg(port);
}

bool containsID(const QList<MIDIEndpoint>& list, const QString& uniqueID)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const MIDIEndpoint& e) { return e.uniqueID == uniqueID; });
}

} // namespace

std::shared_ptr<MIDIBackend> MIDIBackend::createSystemBackend()
{
    return std::make_shared<AlsaMIDIBackend>();
}

AlsaMIDIBackend::AlsaMIDIBackend()
{
    snd_lib_error_set_handler(&quietAlsaErrors);
    int err = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    if (err < 0) {
        seq_ = nullptr;
        unavailableReason_ = QStringLiteral("the ALSA sequencer could not be opened: %1")
                                 .arg(QString::fromLocal8Bit(snd_strerror(err)));
        return;
    }
    snd_seq_set_client_name(seq_, "Melvora");
    client_ = snd_seq_client_id(seq_);
    inPort_ = snd_seq_create_simple_port(seq_, "Melvora In",
                                         SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                         SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    outPort_ = snd_seq_create_simple_port(seq_, "Melvora Out",
                                          SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                          SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inPort_ < 0 || outPort_ < 0 || wakeFd_ < 0 || snd_midi_event_new(kCoderBufferSize, &decoder_) < 0 ||
        snd_midi_event_new(kCoderBufferSize, &encoder_) < 0) {
        unavailableReason_ = QStringLiteral("the ALSA sequencer ports could not be made");
        if (decoder_)
            snd_midi_event_free(decoder_);
        if (encoder_)
            snd_midi_event_free(encoder_);
        decoder_ = encoder_ = nullptr;
        if (wakeFd_ >= 0)
            close(wakeFd_);
        wakeFd_ = -1;
        snd_seq_close(seq_);
        seq_ = nullptr;
        return;
    }
    snd_midi_event_no_status(decoder_, 1);
    // Hot-plug: the system announces every port that comes and goes.
    err = snd_seq_connect_from(seq_, inPort_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    if (err < 0)
        Log::line(QStringLiteral("MIDI: no hot-plug announcements (%1).")
                      .arg(QString::fromLocal8Bit(snd_strerror(err))));
    thread_ = std::thread([this] { run(); });
}

AlsaMIDIBackend::~AlsaMIDIBackend()
{
    if (!seq_)
        return;
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    snd_midi_event_free(decoder_);
    snd_midi_event_free(encoder_);
    close(wakeFd_);
    snd_seq_close(seq_);
    seq_ = nullptr;
}

QList<MIDIEndpoint> AlsaMIDIBackend::ports(unsigned required) const
{
    QList<MIDIEndpoint> found;
    std::lock_guard lock(mutex_);
    if (!seq_)
        return found;
    snd_seq_client_info_t* clientInfo = nullptr;
    snd_seq_port_info_t* portInfo = nullptr;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq_, clientInfo) >= 0) {
        const int client = snd_seq_client_info_get_client(clientInfo);
        if (client == SND_SEQ_CLIENT_SYSTEM || client == client_)
            continue;
        snd_seq_port_info_set_client(portInfo, client);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(seq_, portInfo) >= 0) {
            const unsigned capabilities = snd_seq_port_info_get_capability(portInfo);
            if (capabilities & SND_SEQ_PORT_CAP_NO_EXPORT)
                continue;
            if ((capabilities & required) != required)
                continue;
            found.append({QString::fromLocal8Bit(snd_seq_port_info_get_name(portInfo)),
                          addressID(client, snd_seq_port_info_get_port(portInfo))});
        }
    }
    return found;
}

QList<MIDIEndpoint> AlsaMIDIBackend::sources() const
{
    return ports(SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
}

QList<MIDIEndpoint> AlsaMIDIBackend::destinations() const
{
    return ports(SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
}

QList<MIDIEndpoint> AlsaMIDIBackend::selectedSources() const
{
    std::lock_guard lock(mutex_);
    return selectedSources_;
}

void AlsaMIDIBackend::setSelectedSources(const QList<MIDIEndpoint>& sources)
{
    std::lock_guard lock(mutex_);
    if (seq_)
        selectedSources_ = resubscribe(Direction::In, selectedSources_, sources);
}

QList<MIDIEndpoint> AlsaMIDIBackend::outputDestinations() const
{
    std::lock_guard lock(mutex_);
    return outputDestinations_;
}

void AlsaMIDIBackend::setOutputDestinations(const QList<MIDIEndpoint>& destinations)
{
    std::lock_guard lock(mutex_);
    if (seq_)
        outputDestinations_ = resubscribe(Direction::Out, outputDestinations_, destinations);
}

QList<MIDIEndpoint> AlsaMIDIBackend::resubscribe(Direction direction, const QList<MIDIEndpoint>& current,
                                                 const QList<MIDIEndpoint>& wanted)
{
    const bool in = direction == Direction::In;
    int client = 0;
    int port = 0;
    for (const MIDIEndpoint& old : current) {
        if (containsID(wanted, old.uniqueID) || !parseAddress(old.uniqueID, client, port))
            continue;
        if (in)
            snd_seq_disconnect_from(seq_, inPort_, client, port);
        else
            snd_seq_disconnect_to(seq_, outPort_, client, port);
    }
    QList<MIDIEndpoint> connected;
    for (const MIDIEndpoint& endpoint : wanted) {
        if (!parseAddress(endpoint.uniqueID, client, port))
            continue;
        if (!containsID(current, endpoint.uniqueID)) {
            const int err = in ? snd_seq_connect_from(seq_, inPort_, client, port)
                               : snd_seq_connect_to(seq_, outPort_, client, port);
            if (err < 0) {
                Log::line(QStringLiteral("MIDI: could not %1 \"%2\" (%3).")
                              .arg(in ? QStringLiteral("listen to") : QStringLiteral("connect to"), endpoint.name,
                                   QString::fromLocal8Bit(snd_strerror(err))));
                continue;
            }
        }
        connected.append(endpoint);
    }
    return connected;
}

void AlsaMIDIBackend::send(const std::vector<MIDIMessage>& messages)
{
    std::lock_guard lock(mutex_);
    if (!seq_ || outputDestinations_.isEmpty())
        return;
    for (const MIDIMessage& message : messages) {
        const std::vector<std::uint8_t>& bytes = message.bytes();
        if (bytes.empty())
            continue;
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        if (bytes[0] == 0xF0) {
            snd_seq_ev_set_sysex(&event, static_cast<unsigned>(bytes.size()),
                                 const_cast<std::uint8_t*>(bytes.data()));
        } else {
            snd_midi_event_reset_encode(encoder_);
            const long used = snd_midi_event_encode(encoder_, bytes.data(), long(bytes.size()), &event);
            if (used <= 0 || event.type == SND_SEQ_EVENT_NONE)
                continue;
        }
        snd_seq_ev_set_source(&event, outPort_);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        const int err = snd_seq_event_output_direct(seq_, &event);
        if (err < 0)
            Log::line(QStringLiteral("MIDI: a message could not be sent (%1).")
                          .arg(QString::fromLocal8Bit(snd_strerror(err))));
    }
}

void AlsaMIDIBackend::run()
{
    std::vector<pollfd> fds;
    {
        std::lock_guard lock(mutex_);
        const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
        fds.resize(std::size_t(std::max(count, 0)) + 1);
        snd_seq_poll_descriptors(seq_, fds.data(), unsigned(count), POLLIN);
        fds.back() = {wakeFd_, POLLIN, 0};
    }
    while (!stopping_.load()) {
        for (pollfd& fd : fds)
            fd.revents = 0;
        const int ready = poll(fds.data(), nfds_t(fds.size()), -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            Log::line(QStringLiteral("MIDI: waiting for input failed; MIDI input stops."));
            return;
        }
        if (stopping_.load())
            return;

        std::vector<Incoming> incoming;
        std::vector<Change> changes;
        readPending(incoming, changes);

        std::vector<MIDIMessage> batch;
        for (Incoming& in : incoming) {
            std::vector<MIDIMessage> messages = parseInput(parsers_[in.address], in.bytes,
                                                           addressID(in.address >> 8, in.address & 0xFF));
            std::move(messages.begin(), messages.end(), std::back_inserter(batch));
        }
        if (!batch.empty())
            deliverMessages(batch);
        for (Change change : changes)
            announceChange(change);
    }
}

void AlsaMIDIBackend::readPending(std::vector<Incoming>& incoming, std::vector<Change>& changes)
{
    std::lock_guard lock(mutex_);
    bool overrun = false;
    for (;;) {
        snd_seq_event_t* event = nullptr;
        const int result = snd_seq_event_input(seq_, &event);
        if (result == -ENOSPC) {
            overrun = true;
            continue;
        }
        if (result < 0 || !event)
            break;
        if (event->source.client == SND_SEQ_CLIENT_SYSTEM &&
            event->source.port == SND_SEQ_PORT_SYSTEM_ANNOUNCE) {
            handleAnnounce(event, changes);
            continue;
        }
        if (!takesEvent(*event, client_, selectedSources_, hearsEverySender()))
            continue;
        Incoming in;
        in.address = (event->source.client << 8) | event->source.port;
        if (event->type == SND_SEQ_EVENT_SYSEX) {
            const auto* data = static_cast<const std::uint8_t*>(event->data.ext.ptr);
            in.bytes.assign(data, data + event->data.ext.len);
        } else {
            unsigned char buffer[kCoderBufferSize];
            const long length = snd_midi_event_decode(decoder_, buffer, sizeof buffer, event);
            if (length <= 0)
                continue; // not a MIDI message (subscription notices and the like)
            in.bytes.assign(buffer, buffer + length);
        }
        incoming.push_back(std::move(in));
    }
    if (overrun)
        Log::line(QStringLiteral("MIDI input: the sequencer dropped messages (input overrun)."));
}

bool AlsaMIDIBackend::takesEvent(const snd_seq_event_t& event, int ownClient, const QList<MIDIEndpoint>& selected,
                                 bool everySender)
{
    if (event.source.client == ownClient)
        return false;
    return hears(addressID(event.source.client, event.source.port), selected, everySender);
}

void AlsaMIDIBackend::handleAnnounce(const snd_seq_event_t* event, std::vector<Change>& changes)
{
    auto add = [&changes](Change change) {
        if (std::find(changes.begin(), changes.end(), change) == changes.end())
            changes.push_back(change);
    };
    const snd_seq_addr_t& address = event->data.addr;
    if (address.client == client_)
        return; // our own ports
    switch (event->type) {
    case SND_SEQ_EVENT_PORT_START:
        parsers_.erase((address.client << 8) | address.port);
        add(Change::ClientObjectAdded);
        add(Change::ObjectListChanged);
        add(Change::SourceListChanged);
        break;
    case SND_SEQ_EVENT_PORT_EXIT:
        forgetPort(address.client, address.port);
        add(Change::ClientObjectRemoved);
        add(Change::ObjectListChanged);
        add(Change::SourceListChanged);
        break;
    case SND_SEQ_EVENT_PORT_CHANGE:
        add(Change::ObjectListChanged);
        add(Change::SourceListChanged);
        break;
    default:
        break; // client start and exit come with their ports' announcements
    }
}

void AlsaMIDIBackend::forgetPort(int client, int port)
{
    // The sequencer drops the subscriptions of a vanished port itself.
    const QString id = addressID(client, port);
    auto gone = [&](const MIDIEndpoint& e) { return e.uniqueID == id; };
    selectedSources_.removeIf(gone);
    outputDestinations_.removeIf(gone);
    parsers_.erase((client << 8) | port);
}
