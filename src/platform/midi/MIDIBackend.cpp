#include "MIDIBackend.h"

#include "Log.h"
#include "MIDIParser.h"

#include <algorithm>

void MIDIBackend::setMessagesHandler(MessagesHandler handler)
{
    std::lock_guard lock(handlerMutex_);
    messagesHandler_ = std::move(handler);
}

void MIDIBackend::setChangeHandler(ChangeHandler handler)
{
    std::lock_guard lock(handlerMutex_);
    changeHandler_ = std::move(handler);
}

void MIDIBackend::deliverMessages(const std::vector<MIDIMessage>& messages)
{
    std::lock_guard lock(handlerMutex_);
    // Called through a copy: a handler that replaces itself must not be destroyed mid-call.
    if (const MessagesHandler handler = messagesHandler_)
        handler(messages);
}

void MIDIBackend::announceChange(Change change)
{
    std::lock_guard lock(handlerMutex_);
    if (const ChangeHandler handler = changeHandler_)
        handler(change);
}

bool MIDIBackend::hears(const QString& senderID, const QList<MIDIEndpoint>& selected, bool everySender)
{
    return everySender || std::any_of(selected.begin(), selected.end(),
                                      [&](const MIDIEndpoint& source) { return source.uniqueID == senderID; });
}

std::vector<MIDIMessage> MIDIBackend::parseInput(MIDIParser& parser, const std::vector<std::uint8_t>& bytes,
                                                 const QString& sourceLabel)
{
    std::vector<MIDIMessage> messages = parser.parse(bytes);
    if (parser.droppedByLastParse() > 0)
        Log::line(QStringLiteral("MIDI input: ignored %1 malformed byte(s) from %2.")
                      .arg(parser.droppedByLastParse())
                      .arg(sourceLabel));
    return messages;
}
