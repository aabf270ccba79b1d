#include "ZTWikiMediaPlayer.h"

#include "AFHTTPRequestOperation.h"
#include "Log.h"
#include "QVOggPlayer.h"
#include "WebAddress.h"
#include "ZTMIDIController.h"
#include "ZTUtils.h"

#include <QFile>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr double kOggVolume = 0.6;
const QString kFilePrefix = QStringLiteral("File:");

// Sounds are fetched from the web only; a link to anything else (a local file, say) plays nothing.
std::optional<QUrl> webAddress(const QUrl& url)
{
    return isWebAddress(url) ? std::optional<QUrl>(url) : std::nullopt;
}

} // namespace

ZTWikiMediaPlayer::ZTWikiMediaPlayer(QProgressBar* downloadProgressIndicator) : indicator_(downloadProgressIndicator) {}

ZTWikiMediaPlayer::~ZTWikiMediaPlayer()
{
    *alive_ = false;
    if (downloadOggOperation_)
        downloadOggOperation_->cancel();
}

std::optional<QUrl> ZTWikiMediaPlayer::destinationURLForURLString(const QString& urlString, const QString& pageHTML,
                                                                  const QUrl& pageURL)
{
    const qsizetype file = urlString.indexOf(kFilePrefix);
    if (file < 0)
        return webAddress(QUrl(urlString));
    QString fileName = urlString.mid(file + kFilePrefix.size());
    fileName.replace(QLatin1Char(','), QStringLiteral("%2C"));
    if (fileName.isEmpty())
        return std::nullopt;
    static const QRegularExpression link(QStringLiteral("<a[^>]*href=\"([^\"]+)\"[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (auto it = link.globalMatch(pageHTML); it.hasNext();) {
        QString href = it.next().captured(1);
        if (!href.contains(fileName) || href.contains(kFilePrefix))
            continue;
        href.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        // "//host/..." and "/path" links take the page's own scheme and host.
        return webAddress(pageURL.resolved(QUrl(href)));
    }
    return std::nullopt;
}

std::optional<int> ZTWikiMediaPlayer::progressPercent(qint64 totalBytesRead, qint64 totalBytesExpected)
{
    if (totalBytesExpected <= 0)
        return std::nullopt;
    return int(std::clamp<qint64>(100 * std::max<qint64>(0, totalBytesRead) / totalBytesExpected, 0, 100));
}

void ZTWikiMediaPlayer::playMidiFileWithURL(const QUrl& url)
{
    auto operation = std::make_shared<AFHTTPRequestOperation>(URLRequest(url));
    midiDownloads_.push_back(operation);
    const auto place = std::prev(midiDownloads_.end());
    std::weak_ptr<bool> alive = alive_;
    auto finished = [this, alive, place] {
        if (!alive.expired())
            midiDownloads_.erase(place);
    };
    operation->setCompletionBlockWithSuccess(
        [finished](const std::shared_ptr<AFHTTPRequestOperation>& done, const QVariant&) {
            if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
                instrument->playMidiData(done->responseData());
            finished();
        },
        [finished](const std::shared_ptr<AFHTTPRequestOperation>& failed, const Error&) {
            Log::line(QStringLiteral("error: %1").arg(failed->responseString()));
            finished();
        });
    operation->start();
}

void ZTWikiMediaPlayer::playOggFileWithURL(const QUrl& url)
{
    if (downloadOggOperation_)
        downloadOggOperation_->cancel();
    auto operation = std::make_shared<AFHTTPRequestOperation>(URLRequest(url));
    downloadOggOperation_ = operation;
    if (indicator_) {
        indicator_->setRange(0, 0);
        indicator_->show();
    }
    std::weak_ptr<bool> alive = alive_;
    std::weak_ptr<AFHTTPRequestOperation> weakOperation = operation;
    // Only the download in progress speaks for the indicator: a cancelled one that answers
    // late leaves the next one's progress alone.
    auto isCurrent = [this, alive, weakOperation] {
        return !alive.expired() && downloadOggOperation_ && downloadOggOperation_ == weakOperation.lock();
    };
    operation->setDownloadProgressBlock([this, isCurrent](qint64 bytes, qint64 totalBytes, qint64 totalBytesExpected) {
        Log::line(QStringLiteral("bytesRead: %1 totalBytesRead:%2 totalBytesExpectedToRead:%3")
                      .arg(bytes).arg(totalBytes).arg(totalBytesExpected));
        if (isCurrent())
            showProgress(totalBytes, totalBytesExpected);
    });
    operation->setCompletionBlockWithSuccess(
        [this, isCurrent](const std::shared_ptr<AFHTTPRequestOperation>& done, const QVariant&) {
            if (!isCurrent())
                return;
            hideIndicator();
            downloadOggOperation_.reset();
            playOggData(done->responseData());
        },
        [this, isCurrent](const std::shared_ptr<AFHTTPRequestOperation>& failed, const Error&) {
            Log::line(QStringLiteral("error: %1").arg(failed->responseString()));
            if (!isCurrent())
                return;
            hideIndicator();
            downloadOggOperation_.reset();
        });
    operation->start();
}

void ZTWikiMediaPlayer::showProgress(qint64 totalBytesRead, qint64 totalBytesExpected)
{
    if (!indicator_)
        return;
    if (const std::optional<int> percent = progressPercent(totalBytesRead, totalBytesExpected)) {
        indicator_->setRange(0, 100);
        indicator_->setValue(*percent);
    } else {
        indicator_->setRange(0, 0);
    }
}

void ZTWikiMediaPlayer::hideIndicator()
{
    if (indicator_)
        indicator_->hide();
}

void ZTWikiMediaPlayer::playOggData(const QByteArray& data)
{
    const QString path = ZTUtils::tmpFile();
    if (path.isEmpty()) {
        Log::line(QStringLiteral("error creating tmp file"));
        return;
    }
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    if (!written) {
        Log::line(QStringLiteral("error writing tmp file %1").arg(path));
    } else {
        if (!player_) {
            player_ = std::make_unique<QVOggPlayer>();
            player_->setVolume(kOggVolume);
        }
        // The player decodes the whole file before it returns, so the download can go now.
        player_->playOggFileWithPath(path);
    }
    QFile::remove(path);
}
