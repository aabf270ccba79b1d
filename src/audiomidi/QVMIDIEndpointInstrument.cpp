#include "QVMIDIEndpointInstrument.h"

#include "MIDIBackend.h"
#include "ZTMIDIController.h"

#include <algorithm>

QVMIDIEndpointInstrument::QVMIDIEndpointInstrument(ZTMIDIController* controller)
    : controller_(controller)
{
}

QVMIDIEndpointInstrument::~QVMIDIEndpointInstrument()
{
    // Stop while the destination can still be told to silence the notes.
    QVMusicPlayerInstrument::stopPlayerShouldNotify(true);
}

void QVMIDIEndpointInstrument::send(const MIDIMessage& message)
{
    if (!controller_ || !controller_->endpoint())
        return;
    if (MIDIBackend* output = controller_->outputStream())
        output->send({message});
}

void QVMIDIEndpointInstrument::sendNote(int channel, int note, unsigned velocity)
{
    if (note < 0 || note > 127)
        return;
    MIDIMessage message = MIDIMessage::voiceMessage(0, 0x90, std::uint8_t(note),
                                                    std::uint8_t(std::min(velocity, 127u)));
    message.setChannel(channel);
    send(message);
}

void QVMIDIEndpointInstrument::noteOn(int note, unsigned velocity)
{
    if (controller_)
        sendNote(controller_->outputChannel(), note, velocity);
}

void QVMIDIEndpointInstrument::noteOff(int note)
{
    if (controller_)
        sendNote(controller_->outputChannel(), note, 0);
}

void QVMIDIEndpointInstrument::sequenceNoteOn(int channel, int note, int velocity)
{
    sendNote(channel + 1, note, unsigned(std::max(velocity, 1)));
}

void QVMIDIEndpointInstrument::sequenceNoteOff(int channel, int note)
{
    sendNote(channel + 1, note, 0);
}

void QVMIDIEndpointInstrument::sequenceChannelEvent(const MusicChannelEvent& event)
{
    const std::uint8_t channel = event.channel & 0x0F;
    switch (event.kind) {
    case MusicChannelEvent::Kind::ProgramChange:
        send(MIDIMessage::voiceMessage(0, std::uint8_t(0xC0 | channel), event.number));
        break;
    case MusicChannelEvent::Kind::Controller:
        send(MIDIMessage::voiceMessage(0, std::uint8_t(0xB0 | channel), event.number, std::uint8_t(event.value)));
        break;
    case MusicChannelEvent::Kind::PitchBend:
        send(MIDIMessage::voiceMessage(0, std::uint8_t(0xE0 | channel), std::uint8_t(event.value & 0x7F),
                                       std::uint8_t(event.value >> 7)));
        break;
    }
}
