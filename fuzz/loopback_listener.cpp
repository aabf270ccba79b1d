// The sign-in's loopback listener: whatever a local program sends is read as a request head
// within a bound, and a request for an address is checked against the waiting sign-in's state
// as the listener's handler checks it. Only that state's redirects count, and a code taken in
// is one the token request can carry.
#include "BearerToken.h"
#include "DropboxAuthorization.h"
#include "DropboxLoopbackReceiver.h"
#include "FuzzEnvironment.h"

#include <QUrlQuery>

namespace {
// The state of the sign-in the inputs answer; the committed corpus carries it.
const QString kState = QStringLiteral("fuzz-state");
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment::shared();
    const QByteArray bytes = FuzzEnvironment::bytes(data, size);

    using Status = LoopbackRequest::Status;
    const LoopbackRequest request = LoopbackRequest::read(bytes);
    FUZZ_REQUIRE(request.status != Status::TooLarge || bytes.size() >= LoopbackRequest::kMaxSize);
    FUZZ_REQUIRE(request.status == Status::Complete || !request.target.isValid());
    if (!request.target.isValid())
        return 0;
    FUZZ_REQUIRE(request.target.host() == QLatin1String("127.0.0.1") && request.target.port() == -1);

    using Kind = DropboxRedirect::Kind;
    const DropboxRedirect redirect = DropboxRedirect::read(request.target, kState);
    FUZZ_REQUIRE(redirect.kind == Kind::Foreign
                 || QUrlQuery(request.target).queryItemValue(QStringLiteral("state")) == kState);
    if (redirect.kind == Kind::Code)
        FUZZ_REQUIRE(!redirect.code.isEmpty() && redirect.code.size() <= BearerToken::kMaxLength);
    else
        FUZZ_REQUIRE(redirect.code.isEmpty());
    FUZZ_REQUIRE(redirect.reason.size() <= 100);
    return 0;
}
