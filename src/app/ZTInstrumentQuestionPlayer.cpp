#include "ZTInstrumentQuestionPlayer.h"

#include "ZTMIDIController.h"

void ZTInstrumentQuestionPlayer::installIfNone()
{
    if (!ZTQuestionPlayer::current())
        ZTQuestionPlayer::setCurrent(std::make_shared<ZTInstrumentQuestionPlayer>());
}

void ZTInstrumentQuestionPlayer::playSequence(MusicSequence sequence)
{
    if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
        instrument->playSequence(std::move(sequence));
}

void ZTInstrumentQuestionPlayer::stopPlayer()
{
    if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
        instrument->stopPlayer();
}
