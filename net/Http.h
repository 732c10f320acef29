// The small HTTP layer both timer links share: GET with timeouts and a body limit, results as
// values.
#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkAccessManager;

struct HttpRequest {
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    int timeoutMs = 4000;          // inactivity: no byte for this long fails the request
    int deadlineMs = 0;            // whole request; 0 means none (a dripping peer is cut by this)
    qint64 maxBodyBytes = 4 << 20; // a LAN peer must not be able to exhaust memory
};

struct HttpResult {
    enum class Kind {
        Response,         // an HTTP answer: status and body
        NonHttpResponse,  // an answer that carried no HTTP status
        TransportFailure, // refused, unreachable, timed out, TLS failure ...
    };
    Kind kind = Kind::TransportFailure;
    int status = 0;
    QByteArray body;
    bool bodyTooLarge = false; // body holds only the first maxBodyBytes; treat it as undecodable
    bool timedOut = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;

    bool isHttp() const { return kind == Kind::Response; }
    bool isSuccess() const { return kind == Kind::Response && status >= 200 && status < 300; }
};

// A request in flight. After cancel() its callback is never called.
class HttpCall {
public:
    virtual ~HttpCall() = default;
    virtual void cancel() = 0;
};

using HttpCallback = std::function<void(const HttpResult&)>;

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // The callback runs once, later, on the main thread (never inside get()).
    virtual std::shared_ptr<HttpCall> get(const HttpRequest& request, HttpCallback done) = 0;
};

// The production transport: one QNetworkAccessManager, no cache, no cookies kept.
class NetworkHttpTransport : public HttpTransport {
public:
    NetworkHttpTransport();
    ~NetworkHttpTransport() override;
    std::shared_ptr<HttpCall> get(const HttpRequest& request, HttpCallback done) override;

private:
    std::unique_ptr<QNetworkAccessManager> manager;
};
