// How RtAudio's reports of failed transfers tell a device that is gone from one that stumbled.
#include "TransferFailures.h"

#include <gtest/gtest.h>

namespace {

// Blocks after as many failed transfers, each flagged or not as an underrun or overrun.
// How many blocks it took until the device counted as lost; 0 when it never did.
int blocksUntilLost(const std::vector<bool>& flagged)
{
    TransferFailures failures;
    for (std::size_t i = 0; i < flagged.size(); ++i) {
        failures.transferFailed();
        if (failures.nextBlock(flagged[i]).lost)
            return int(i + 1);
    }
    return 0;
}

} // namespace

TEST(TransferFailures, ARunOfFailedTransfersIsALostDeviceButUnderrunsAndOverrunsNeverAre)
{
    // The sound server went away: every transfer fails at once.
    EXPECT_EQ(blocksUntilLost({false, false, false, false}), TransferFailures::kInARowForLoss);
    // ALSA under load: each underrun (or overrun) comes through the error callback and is
    // flagged on the next block; the stream plays on however many there are.
    EXPECT_EQ(blocksUntilLost(std::vector<bool>(100, true)), 0);
    // An underrun between two failures breaks their run.
    EXPECT_EQ(blocksUntilLost({false, false, true, false, false, true}), 0);
}

TEST(TransferFailures, ABlockAfterAFailedReadHoldsNothingNewAndAGoodTransferEndsTheRun)
{
    TransferFailures failures;
    EXPECT_FALSE(failures.nextBlock(false).lastFailed);
    failures.transferFailed();
    const TransferFailures::Verdict overrun = failures.nextBlock(true);
    EXPECT_TRUE(overrun.lastFailed) << "what an overrun read left is not handed over";
    EXPECT_FALSE(overrun.lost);

    failures.transferFailed();
    failures.nextBlock(false);
    failures.transferFailed();
    failures.nextBlock(false);
    EXPECT_FALSE(failures.nextBlock(false).lastFailed) << "a transfer that worked";
    failures.transferFailed();
    EXPECT_FALSE(failures.nextBlock(false).lost) << "the run began anew";
}
