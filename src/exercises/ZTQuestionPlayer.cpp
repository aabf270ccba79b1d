#include "ZTQuestionPlayer.h"

namespace {

std::shared_ptr<ZTQuestionPlayer>& currentPlayer()
{
    static std::shared_ptr<ZTQuestionPlayer> player;
    return player;
}

} // namespace

std::shared_ptr<ZTQuestionPlayer> ZTQuestionPlayer::current()
{
    return currentPlayer();
}

void ZTQuestionPlayer::setCurrent(std::shared_ptr<ZTQuestionPlayer> player)
{
    currentPlayer() = std::move(player);
}
