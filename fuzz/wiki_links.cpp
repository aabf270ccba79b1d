// A navigation in the encyclopedia pane as its link policy decides it, and, for a linked sound
// file, the file's address as it is found in the shown page. The input: a first byte whose
// lowest bit makes the navigation a link click, the navigation's address up to a line break,
// the shown page's address up to the next, and the page's HTML.
//
// Only the encyclopedia's own addresses open in the pane, and a sound is only ever fetched
// from a web address.
#include "FuzzEnvironment.h"
#include "WebAddress.h"
#include "ZTWikiLinkPolicy.h"
#include "ZTWikiMediaPlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment::shared();
    if (size == 0)
        return 0;
    const bool isLinkClick = data[0] & 1;
    const QList<QByteArray> parts = FuzzEnvironment::bytes(data + 1, size - 1).split('\n');
    const QUrl navigation(QString::fromUtf8(parts.value(0)));
    const QUrl pageURL(QString::fromUtf8(parts.value(1)));
    const QString pageHTML = QString::fromUtf8(parts.mid(2).join('\n'));

    using Decision = ZTWikiLinkPolicy::Decision;
    const ZTWikiSettings& settings = ZTWikiSettings::current();
    const Decision decision = ZTWikiLinkPolicy::decide(navigation, isLinkClick, settings);
    if (decision == Decision::UseWithoutJavaScript)
        FUZZ_REQUIRE(isLinkClick && settings.isEncyclopediaAddress(navigation));
    if (decision != Decision::PlayMidi && decision != Decision::PlayOgg)
        return 0;
    FUZZ_REQUIRE(isLinkClick);
    // The pane hands the media player the address as the page linked it.
    const std::optional<QUrl> sound =
        ZTWikiMediaPlayer::destinationURLForURLString(navigation.toString(QUrl::FullyEncoded), pageHTML, pageURL);
    if (sound)
        FUZZ_REQUIRE(isWebAddress(*sound));
    return 0;
}
