#include "net/Http.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace {

// Qt's network thread stops reading from the socket while this much is waiting for us, so a peer
// that sends without end cannot fill memory faster than the body limit is checked.
constexpr qint64 readBufferBytes = 64 << 10;
// Enough for a server behind a proxy path; a redirect loop ends here.
constexpr int maximumRedirects = 2;

// Keeps no cookie at all: the links are read-only clients without sessions.
class DiscardingCookieJar : public QNetworkCookieJar {
public:
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
};

class NetworkCall : public QObject, public HttpCall {
public:
    NetworkCall(QNetworkAccessManager& manager, QNetworkReply* reply, const HttpRequest& request,
                HttpCallback done)
        : manager(manager), reply(reply), maxBodyBytes(request.maxBodyBytes),
          done(std::move(done)) {
        QObject::connect(reply, &QNetworkReply::readyRead, this, &NetworkCall::readAvailable);
        QObject::connect(reply, &QNetworkReply::finished, this, &NetworkCall::finish);
        if (request.deadlineMs > 0) {
            deadline.setSingleShot(true);
            QObject::connect(&deadline, &QTimer::timeout, this, [this] {
                deadlinePassed = true;
                this->reply->abort();
            });
            deadline.start(request.deadlineMs);
        }
    }

    ~NetworkCall() override {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    }

    void cancel() override {
        done = nullptr;
        deadline.stop();
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
            reply = nullptr;
        }
    }

private:
    void readAvailable() {
        const QByteArray chunk = reply->readAll();
        if (body.size() + chunk.size() > maxBodyBytes) {
            tooLarge = true;
            body += chunk.left(maxBodyBytes - body.size());
            // Closes the connection: the peer's further bytes are never read. Qt may keep the
            // connection for reuse after an abort, so its pool is emptied too. The abort runs
            // the callback, which may delete this call: nothing of it is touched afterwards.
            QNetworkAccessManager& pool = manager;
            reply->abort();
            pool.clearConnectionCache();
            return;
        }
        body += chunk;
    }

    void finish() {
        deadline.stop();
        QNetworkReply* finished = reply;
        reply = nullptr;
        finished->deleteLater();
        if (!done)
            return;
        if (!tooLarge && finished->bytesAvailable() > 0)
            readAvailableFrom(finished);

        HttpResult result;
        const QVariant status = finished->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const QNetworkReply::NetworkError error = finished->error();
        if (tooLarge && status.isValid()) {
            result.kind = HttpResult::Kind::Response;
            result.status = status.toInt();
            result.body = body;
            result.bodyTooLarge = true;
        } else if (status.isValid() && (error == QNetworkReply::NoError || isHttpError(error))) {
            result.kind = HttpResult::Kind::Response;
            result.status = status.toInt();
            result.body = body;
        } else if (error == QNetworkReply::NoError) {
            result.kind = HttpResult::Kind::NonHttpResponse;
            result.body = body;
        } else {
            result.kind = HttpResult::Kind::TransportFailure;
            result.error = error;
            // Both a transfer timeout and our deadline surface as OperationCanceledError.
            result.timedOut = error == QNetworkReply::OperationCanceledError ||
                              error == QNetworkReply::TimeoutError || deadlinePassed;
            result.errorText = finished->errorString();
        }
        HttpCallback callback = std::move(done);
        done = nullptr;
        callback(result);
    }

    void readAvailableFrom(QNetworkReply* finished) {
        const QByteArray rest = finished->readAll();
        if (body.size() + rest.size() > maxBodyBytes)
            tooLarge = true;
        body += rest.left(maxBodyBytes - body.size());
    }

    // HTTP error statuses arrive as reply errors; they are answers all the same.
    static bool isHttpError(QNetworkReply::NetworkError error) {
        return (error >= QNetworkReply::ContentAccessDenied &&
                error <= QNetworkReply::UnknownContentError) ||
               (error >= QNetworkReply::InternalServerError &&
                error <= QNetworkReply::UnknownServerError);
    }

    QNetworkAccessManager& manager;
    QNetworkReply* reply;
    qint64 maxBodyBytes;
    HttpCallback done;
    QByteArray body;
    bool tooLarge = false;
    bool deadlinePassed = false;
    QTimer deadline;
};

} // namespace

NetworkHttpTransport::NetworkHttpTransport() : manager(std::make_unique<QNetworkAccessManager>()) {
    manager->setCookieJar(new DiscardingCookieJar);
    manager->setCache(nullptr);
}

NetworkHttpTransport::~NetworkHttpTransport() = default;

std::shared_ptr<HttpCall> NetworkHttpTransport::get(const HttpRequest& request, HttpCallback done) {
    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(request.timeoutMs);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                QNetworkRequest::AlwaysNetwork);
    networkRequest.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // A peer on the LAN must not be able to send us to any other address by a redirect.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::SameOriginRedirectPolicy);
    networkRequest.setMaximumRedirectsAllowed(maximumRedirects);
    // Compressed bodies would be inflated behind the body limit: a small bomb costs gigabytes.
    networkRequest.setRawHeader(QByteArrayLiteral("Accept-Encoding"),
                                QByteArrayLiteral("identity"));
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    QNetworkReply* reply = manager->get(networkRequest);
    reply->setReadBufferSize(readBufferBytes);
    return std::make_shared<NetworkCall>(*manager, reply, request, std::move(done));
}
