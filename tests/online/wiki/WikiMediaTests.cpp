// Linked sound files: finding a file's own address in a page, and fetching and playing MIDI
// and Ogg Vorbis files from a server on 127.0.0.1.
#include "FakeMIDIBackend.h"
#include "OggVorbisWriter.h"
#include "QVMusicInstrument.h"
#include "QVOggPlayer.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "ZTMIDIController.h"
#include "ZTWikiMediaPlayer.h"

#include "AFHTTPRequestOperation.h"
#include "MidiFiles.h"

#include <QDir>
#include <QProgressBar>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

QByteArray toneFile()
{
    std::vector<float> tone(22050);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.3f * float(std::sin(2 * M_PI * 440.0 * double(i) / 22050.0));
    return oggVorbisFile({tone}, 22050);
}

QStringList temporaryFiles()
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("melvoraTmpFile.*")}, QDir::Files);
}

class RecordingInstrument : public QVMusicInstrument {
public:
    void startInternalPlay() override { ++started; }
    int started = 0;
};

class WikiMediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QByteArray ogg = toneFile();
        server_.server().Get("/media/Tone.ogg", [ogg](const httplib::Request&, httplib::Response& response) {
            response.set_content(ogg.toStdString(), "audio/ogg");
        });
        // Sent in pieces without a length, the second one only once the test lets it go.
        server_.server().Get("/media/Slow.ogg", [this, ogg](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("audio/ogg", [this, ogg](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write(ogg.constData(), 1024);
                    return true;
                }
                for (int i = 0; i < 500 && !releaseSlow_; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                sink.write(ogg.constData() + 1024, size_t(ogg.size() - 1024));
                sink.done();
                return true;
            });
        });
        server_.server().Get("/media/Theme.mid", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(midiFile(480, twoInstrumentTracks()).toStdString(), "audio/midi");
        });
        server_.start();
    }

    void TearDown() override { releaseSlow_ = true; }

    TestEnvironment environment_;
    TestHttpServer server_;
    std::atomic<bool> releaseSlow_{false};
    QProgressBar indicator_;
};

} // namespace

TEST(WikiMediaAddress, AFilePageLeadsToTheFileItselfOnThePagesScheme)
{
    const QUrl page(QStringLiteral("https://en.wikipedia.org/wiki/Tritone"));
    const QString html = QStringLiteral(
        "<p><A class=\"internal\" HREF=\"/wiki/File:Tritone%2C_C-F.ogg\" title=\"x\">page</A>"
        "<a href=\"//upload.wikimedia.org/wikipedia/commons/4/4c/Tritone%2C_C-F.ogg?a=1&amp;b=2\">play</a></p>");
    EXPECT_EQ(ZTWikiMediaPlayer::destinationURLForURLString(QStringLiteral("https://en.wikipedia.org/w/index.php?title=File:Tritone,_C-F.ogg"),
                                                            html, page),
              QUrl(QStringLiteral("https://upload.wikimedia.org/wikipedia/commons/4/4c/Tritone%2C_C-F.ogg?a=1&b=2")));
    // A direct address is the file itself.
    const QString direct = QStringLiteral("https://upload.wikimedia.org/x/Tone.ogg");
    EXPECT_EQ(ZTWikiMediaPlayer::destinationURLForURLString(direct, html, page), QUrl(direct));
    // No link names the file: nothing is played.
    EXPECT_FALSE(ZTWikiMediaPlayer::destinationURLForURLString(QStringLiteral("https://en.wikipedia.org/w/index.php?title=File:Other.ogg"),
                                                               html, page));
    EXPECT_FALSE(ZTWikiMediaPlayer::destinationURLForURLString(QStringLiteral("https://a.org/?File:"), html, page));
    // Only the web is asked for sounds: not a local file, nor a link that leads off the web.
    EXPECT_FALSE(ZTWikiMediaPlayer::destinationURLForURLString(QStringLiteral("file:///tmp/Theme.mid"), html, page));
    EXPECT_FALSE(ZTWikiMediaPlayer::destinationURLForURLString(
        QStringLiteral("https://en.wikipedia.org/wiki/File:Local.ogg"), QStringLiteral("<a href=\"file:///tmp/Local.ogg\">"), page));
}

TEST(WikiMediaProgress, AnUnknownTotalIsIndeterminate)
{
    EXPECT_EQ(ZTWikiMediaPlayer::progressPercent(50, 200), 25);
    EXPECT_EQ(ZTWikiMediaPlayer::progressPercent(200, 200), 100);
    EXPECT_EQ(ZTWikiMediaPlayer::progressPercent(300, 200), 100);
    EXPECT_FALSE(ZTWikiMediaPlayer::progressPercent(50, 0));
    EXPECT_FALSE(ZTWikiMediaPlayer::progressPercent(50, -1));
}

TEST_F(WikiMediaTest, AnOggFilePlaysAtItsVolumeAndLeavesNoTemporaryFile)
{
    ZTWikiMediaPlayer media(&indicator_);
    media.playOggFileWithURL(server_.url(QStringLiteral("/media/Tone.ogg")));
    EXPECT_FALSE(indicator_.isHidden());
    EXPECT_NE(media.downloadOggOperation(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return media.player() != nullptr; }));
    EXPECT_DOUBLE_EQ(media.player()->volume(), 0.6);
    EXPECT_TRUE(indicator_.isHidden());
    EXPECT_TRUE(temporaryFiles().isEmpty()) << temporaryFiles().join(' ').toStdString();

    // Later files reuse the player.
    QVOggPlayer* first = media.player();
    media.playOggFileWithURL(server_.url(QStringLiteral("/media/Tone.ogg")));
    ASSERT_TRUE(waitUntil([&] { return !media.downloadOggOperation(); }));
    EXPECT_EQ(media.player(), first);
}

TEST_F(WikiMediaTest, ANewOggLinkCancelsTheDownloadBeforeAndKeepsItsOwnProgress)
{
    ZTWikiMediaPlayer media(&indicator_);
    media.playOggFileWithURL(server_.url(QStringLiteral("/media/Slow.ogg")));
    const std::shared_ptr<AFHTTPRequestOperation> slow = media.downloadOggOperation();
    // The first piece has come; its total is unknown, so the bar only says "busy".
    ASSERT_TRUE(waitUntil([&] { return slow->totalBytesRead() > 0; }));
    EXPECT_EQ(indicator_.maximum(), 0);

    LogCapture log;
    media.playOggFileWithURL(server_.url(QStringLiteral("/media/Slow.ogg")));
    EXPECT_TRUE(slow->isCancelled());
    // The cancelled download's failure comes, and the new download keeps its bar.
    ASSERT_TRUE(waitUntil([&] { return log.contains(QStringLiteral("error: ")); }));
    EXPECT_FALSE(indicator_.isHidden());
    releaseSlow_ = true;
    ASSERT_TRUE(waitUntil([&] { return media.player() != nullptr && indicator_.isHidden(); }));
    EXPECT_TRUE(temporaryFiles().isEmpty());
}

TEST_F(WikiMediaTest, AMidiFilePlaysOnTheCurrentInstrument)
{
    ZTMIDIController::setSharedBackendFactory([] { return std::make_shared<FakeMIDIBackend>(); });
    auto instrument = std::make_shared<RecordingInstrument>();
    ZTMIDIController::sharedInstance()->setInstrument(instrument);
    ZTWikiMediaPlayer media(&indicator_);
    media.playMidiFileWithURL(server_.url(QStringLiteral("/media/Theme.mid")));
    ASSERT_TRUE(waitUntil([&] { return instrument->started > 0; }));
    ASSERT_NE(instrument->musicSequence(), nullptr);
    EXPECT_TRUE(indicator_.isHidden()); // MIDI files are short: no bar

    // A missing file plays nothing and says why.
    LogCapture log;
    media.playMidiFileWithURL(server_.url(QStringLiteral("/media/Missing.mid")));
    ASSERT_TRUE(waitUntil([&] { return log.contains(QStringLiteral("error: ")); }));
    EXPECT_EQ(instrument->started, 1);
    instrument->stopPlayerShouldNotify(false);
}
