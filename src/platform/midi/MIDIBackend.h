#pragma once

#include "MIDIMessage.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class MIDIParser;

// A MIDI port of another program or device, as the MIDI system names it.
struct MIDIEndpoint {
    QString name;     // what the user sees and the settings store
    QString uniqueID; // the system's address of the port (for ALSA "client:port")
    friend bool operator==(const MIDIEndpoint&, const MIDIEndpoint&) = default;
};

// The MIDI system as the MIDI controller uses it: one client with an input stream that
// takes messages from the selected sources and an output stream that sends to the
// selected destinations. A backend that is not available (no MIDI system) answers empty
// lists and sends nothing.
class MIDIBackend {
public:
    enum class Change {
        ObjectListChanged,  // sources or destinations were added, removed or renamed
        SourceListChanged,  // the sources the input stream can select changed
        ClientObjectAdded,  // another program or device appeared
        ClientObjectRemoved,
    };
    // Incoming messages in arrival order, called on the MIDI input thread.
    using MessagesHandler = std::function<void(const std::vector<MIDIMessage>& messages)>;
    // Called on whichever thread noticed the change (the input thread for the system).
    using ChangeHandler = std::function<void(Change change)>;

    // The ALSA sequencer client of this process; check isAvailable().
    static std::shared_ptr<MIDIBackend> createSystemBackend();

    virtual ~MIDIBackend() = default;

    virtual bool isAvailable() const = 0;
    // Why the MIDI system could not be reached; empty when it is available.
    virtual QString unavailableReason() const = 0;

    virtual QList<MIDIEndpoint> sources() const = 0;
    virtual QList<MIDIEndpoint> destinations() const = 0;

    virtual QList<MIDIEndpoint> selectedSources() const = 0;
    virtual void setSelectedSources(const QList<MIDIEndpoint>& sources) = 0;

    virtual QList<MIDIEndpoint> outputDestinations() const = 0;
    virtual void setOutputDestinations(const QList<MIDIEndpoint>& destinations) = 0;
    // Sends the messages, in order, to every output destination. Callable from any thread.
    virtual void send(const std::vector<MIDIMessage>& messages) = 0;

    // Whether input from a sender that is not a selected source is heard too: a program that
    // sends straight to our input port (it may have no port we could subscribe to), or one
    // that connected its port to ours itself. On while every source is chosen, off while
    // sources are chosen by name. Any thread, lock-free.
    void setHearsEverySender(bool on) { hearsEverySender_ = on; }
    bool hearsEverySender() const { return hearsEverySender_; }

    // Setting a handler waits for a call of the previous one in progress to return, so an
    // owner that clears its handlers is not called afterwards. A handler may replace
    // itself (or the other one) while it runs.
    void setMessagesHandler(MessagesHandler handler);
    void setChangeHandler(ChangeHandler handler);

protected:
    // Called by the backends on the thread that received the input or noticed the change.
    void deliverMessages(const std::vector<MIDIMessage>& messages);
    void announceChange(Change change);
    // Whether a message from the sender at this address (as in MIDIEndpoint::uniqueID) is
    // taken, given the selected sources.
    static bool hears(const QString& senderID, const QList<MIDIEndpoint>& selected, bool everySender);
    // The messages in one source's bytes; bytes the parser had to drop are logged with the
    // source's label.
    static std::vector<MIDIMessage> parseInput(MIDIParser& parser, const std::vector<std::uint8_t>& bytes,
                                               const QString& sourceLabel);

private:
    std::atomic<bool> hearsEverySender_{false};
    std::recursive_mutex handlerMutex_;
    MessagesHandler messagesHandler_;
    ChangeHandler changeHandler_;
};
