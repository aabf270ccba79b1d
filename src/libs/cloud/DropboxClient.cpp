#include "DropboxClient.h"

#include "AFHTTPClient.h"
#include "DropboxAuthorization.h"
#include "Log.h"
#include "Streams.h"

#include <QJsonDocument>
#include <QJsonObject>

// ---- Access ----

DropboxAccess::DropboxAccess(QString appKey, AFHTTPClient& api, DropboxCredentialStore store)
    : appKey_(std::move(appKey))
    , api_(api)
    , store_(std::move(store))
    , credentials_(store_.load())
{
}

void DropboxAccess::link(const DropboxCredentials& credentials)
{
    ++generation_;
    credentials_ = credentials;
    store_.save(credentials);
}

void DropboxAccess::unlink()
{
    ++generation_;
    credentials_.reset();
    if (!store_.clear())
        Log::line(QStringLiteral("The Dropbox sign-in file %1 cannot be removed").arg(store_.path()));
    answerWaiting(QString(), DropboxError::notLinked(QStringLiteral("signed out")));
}

void DropboxAccess::withAccessToken(TokenUse use)
{
    if (!credentials_) {
        use(QString(), DropboxError::notLinked(QStringLiteral("no sign-in")));
        return;
    }
    if (!credentials_->needsRefresh(QDateTime::currentDateTimeUtc())) {
        use(credentials_->accessToken, {});
        return;
    }
    waiting_.push_back(std::move(use));
    if (waiting_.size() == 1)
        renew();
}

void DropboxAccess::tokenWasRefused(const QString& accessToken)
{
    if (credentials_ && credentials_->accessToken == accessToken)
        credentials_->accessToken.clear();
}

void DropboxAccess::renew()
{
    if (credentials_->refreshToken.isEmpty()) {
        // Without a refresh token a refused access token ends the link.
        endLink(DropboxError::notLinked(QStringLiteral("the access was refused")));
        return;
    }
    const quint64 generation = generation_;
    DropboxTokenRequest::refresh(
        api_, appKey_, credentials_->refreshToken,
        [this, generation](std::optional<DropboxCredentials> renewed, const DropboxError& error) {
            if (generation != generation_)
                return;
            if (renewed) {
                renewed->accountId = credentials_->accountId;
                credentials_ = *renewed;
                store_.save(*renewed);
                answerWaiting(renewed->accessToken, {});
            } else if (error.isNotLinked()) {
                Log::line(QStringLiteral("Dropbox no longer accepts this computer's sign-in: %1").arg(error.description()));
                endLink(error);
            } else {
                answerWaiting(QString(), error);
            }
        });
}

void DropboxAccess::endLink(const DropboxError& error)
{
    std::vector<TokenUse> waiting = std::exchange(waiting_, {});
    unlink();
    for (TokenUse& use : waiting)
        use(QString(), error);
}

void DropboxAccess::answerWaiting(const QString& accessToken, const DropboxError& error)
{
    for (TokenUse& use : std::exchange(waiting_, {}))
        use(accessToken, error);
}

// ---- Calls ----

struct DropboxClient::Call {
    AFHTTPClient* client = nullptr;
    QString method;
    QString path;
    QByteArray argument;    // "Dropbox-API-Arg" of content calls
    QString contentType;
    QByteArray body;
    qint64 maxBytes = 0;    // downloads only
    std::function<void(AFHTTPRequestOperation&, const QByteArray& body)> succeed;
    std::function<void(const DropboxError&)> fail;
};

namespace {

QJsonObject pathArgument(const QString& path)
{
    return QJsonObject{{QStringLiteral("path"), path}};
}

std::optional<DropboxFileMetadata> metadataFrom(const QByteArray& json, QString* error)
{
    const auto object = DropboxJson::objectFrom(json, error);
    return object ? DropboxFileMetadata::fromJson(*object, error) : std::nullopt;
}

} // namespace

DropboxClient::DropboxClient(AFHTTPClient& api, AFHTTPClient& content, DropboxAccess& access)
    : api_(api)
    , content_(content)
    , access_(access)
{
}

void DropboxClient::getMetadata(const QString& path, MetadataCompletion completion)
{
    auto call = std::make_shared<Call>();
    call->client = &api_;
    call->method = QStringLiteral("POST");
    call->path = QStringLiteral("2/files/get_metadata");
    call->contentType = QStringLiteral("application/json");
    call->body = QJsonDocument(pathArgument(path)).toJson(QJsonDocument::Compact);
    sendForMetadata(call, std::move(completion));
}

void DropboxClient::download(const QString& path, qint64 maxBytes, DownloadCompletion completion)
{
    auto call = std::make_shared<Call>();
    call->client = &content_;
    // Content downloads take their argument in a header, so a GET carries no body at all.
    call->method = QStringLiteral("GET");
    call->path = QStringLiteral("2/files/download");
    call->argument = DropboxJson::headerArgument(pathArgument(path));
    call->maxBytes = maxBytes;
    call->succeed = [completion](AFHTTPRequestOperation& operation, const QByteArray& body) {
        QString error;
        const QByteArray result = operation.response()->headers.value(QStringLiteral("Dropbox-API-Result")).toUtf8();
        if (auto metadata = metadataFrom(result, &error))
            completion(metadata, body, {});
        else
            completion(std::nullopt, QByteArray(), DropboxError::badReply(error));
    };
    call->fail = [completion](const DropboxError& error) { completion(std::nullopt, QByteArray(), error); };
    send(call, false);
}

void DropboxClient::upload(const QString& path, const DropboxWriteMode& mode, const QByteArray& bytes,
                           MetadataCompletion completion)
{
    QJsonObject writeMode{{QStringLiteral(".tag"), mode.isUpdate() ? QStringLiteral("update") : QStringLiteral("add")}};
    if (mode.isUpdate())
        writeMode.insert(QStringLiteral("update"), mode.rev);
    QJsonObject argument = pathArgument(path);
    argument.insert(QStringLiteral("mode"), writeMode);
    argument.insert(QStringLiteral("autorename"), false);
    argument.insert(QStringLiteral("mute"), true);
    // An update of a file that was deleted meanwhile is a conflict too, not a new file.
    argument.insert(QStringLiteral("strict_conflict"), true);

    auto call = std::make_shared<Call>();
    call->client = &content_;
    call->method = QStringLiteral("POST");
    call->path = QStringLiteral("2/files/upload");
    call->argument = DropboxJson::headerArgument(argument);
    call->contentType = QStringLiteral("application/octet-stream");
    call->body = bytes;
    sendForMetadata(call, std::move(completion));
}

void DropboxClient::sendForMetadata(const std::shared_ptr<Call>& call, MetadataCompletion completion)
{
    call->succeed = [completion](AFHTTPRequestOperation&, const QByteArray& body) {
        QString error;
        if (auto metadata = metadataFrom(body, &error))
            completion(metadata, {});
        else
            completion(std::nullopt, DropboxError::badReply(error));
    };
    call->fail = [completion](const DropboxError& error) { completion(std::nullopt, error); };
    send(call, false);
}

void DropboxClient::send(const std::shared_ptr<Call>& call, bool isRetry)
{
    access_.withAccessToken([this, call, isRetry](const QString& token, const DropboxError& tokenError) {
        if (tokenError) {
            call->fail(tokenError);
            return;
        }
        URLRequest request = call->client->requestWithMethod(call->method, call->path, std::nullopt);
        request.setValueForHTTPHeaderField(QStringLiteral("Bearer ") + token, QStringLiteral("Authorization"));
        if (!call->argument.isEmpty())
            request.setValueForHTTPHeaderField(QString::fromLatin1(call->argument), QStringLiteral("Dropbox-API-Arg"));
        if (!call->contentType.isEmpty())
            request.setValueForHTTPHeaderField(call->contentType, QStringLiteral("Content-Type"));
        request.HTTPBody = call->body;

        auto operation = call->client->HTTPRequestOperationWithRequest(
            request,
            [call](const std::shared_ptr<AFHTTPRequestOperation>& operation, const QVariant& body) {
                call->succeed(*operation, body.toByteArray());
            },
            [this, call, token, isRetry](const std::shared_ptr<AFHTTPRequestOperation>& operation, const Error& error) {
                const auto response = operation->response();
                const int status = response ? response->statusCode : 0;
                if (status == 401 && !isRetry) {
                    access_.tokenWasRefused(token);
                    send(call, true);
                } else if (status == 0 || error.code() != -1011) {
                    // No reply, or one cut off (too large, broken off): the transfer failed.
                    call->fail(DropboxError::transport(error));
                } else {
                    call->fail(DropboxError::api(status, operation->responseData()));
                }
            });
        if (call->maxBytes > 0)
            operation->setOutputStream(std::make_shared<MemoryOutputStream>(call->maxBytes));
        call->client->enqueueHTTPRequestOperation(operation);
    });
}
