#include "ZTInstrumentQuestionPlayer.h"

#include "ZTMIDIController.h"

void ZTInstrumentQuestionPlayer::installIfNone()
{
    if (!ZTQuestionPlayer::current())
        ZTQuestionPlayer::setCurrent(std::make_shared<ZTInstrumentQuestionPlayer>());
}

bool ZTInstrumentQuestionPlayer::playSequence(MusicSequence sequence)
{
    const auto instrument = ZTMIDIController::sharedInstance()->instrument();
    if (!instrument)
        return false;
    instrument->playSequence(std::move(sequence));
    return true;
}

void ZTInstrumentQuestionPlayer::stopPlayer()
{
    if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
        instrument->stopPlayer();
}
