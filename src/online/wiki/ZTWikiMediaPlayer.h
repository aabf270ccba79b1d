#pragma once

#include <QString>
#include <QUrl>

#include <list>
#include <memory>
#include <optional>

class AFHTTPRequestOperation;
class QProgressBar;
class QVOggPlayer;

// Plays the sound files that encyclopedia pages link to: MIDI files on the current
// instrument, Ogg Vorbis files through an Ogg player of its own. Both are fetched with the HTTP
// layer; the Ogg download shows on the download indicator, and a new one cancels the one
// before. MIDI downloads run to their end.
//
// Main thread only.
class ZTWikiMediaPlayer {
public:
    explicit ZTWikiMediaPlayer(QProgressBar* downloadProgressIndicator);
    ~ZTWikiMediaPlayer();
    ZTWikiMediaPlayer(const ZTWikiMediaPlayer&) = delete;
    ZTWikiMediaPlayer& operator=(const ZTWikiMediaPlayer&) = delete;

    // The address of a linked sound file. A link without "File:" is the file itself. Otherwise
    // the page is searched for the first link whose address names the file and is not itself
    // a "File:" page. The address is resolved against the page's; none when no link names it,
    // or when the address is not a web address.
    static std::optional<QUrl> destinationURLForURLString(const QString& urlString, const QString& pageHTML,
                                                          const QUrl& pageURL);
    // The indicator's value: a percentage, or none while the total is unknown.
    static std::optional<int> progressPercent(qint64 totalBytesRead, qint64 totalBytesExpected);

    void playMidiFileWithURL(const QUrl& url);
    void playOggFileWithURL(const QUrl& url);

    std::shared_ptr<AFHTTPRequestOperation> downloadOggOperation() const { return downloadOggOperation_; }
    // Made on the first Ogg playback.
    QVOggPlayer* player() const { return player_.get(); }

private:
    void showProgress(qint64 totalBytesRead, qint64 totalBytesExpected);
    void playOggData(const QByteArray& data);
    void hideIndicator();

    QProgressBar* indicator_ = nullptr;
    std::shared_ptr<AFHTTPRequestOperation> downloadOggOperation_;
    std::list<std::shared_ptr<AFHTTPRequestOperation>> midiDownloads_;
    std::unique_ptr<QVOggPlayer> player_;
    // Replies that arrive after the player is gone find nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
