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

void QVMIDIEndpointInstrument::sendNote(int channel, int note, unsigned velocity)
{
    if (!controller_ || note < 0 || note > 127)
        return;
    if (!controller_->endpoint())
        return;
    MIDIBackend* output = controller_->outputStream();
    if (!output)
        return;
    MIDIMessage message = MIDIMessage::voiceMessage(0, 0x90, std::uint8_t(note),
                                                    std::uint8_t(std::min(velocity, 127u)));
    message.setChannel(channel);
    output->send({message});
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
