// An HTTP transport for unit tests: records every request and answers when the test says so.
#pragma once

#include "net/Http.h"

#include <QCoreApplication>

#include <deque>
#include <functional>
#include <vector>

class ScriptedTransport : public HttpTransport {
public:
    struct Pending : HttpCall {
        HttpRequest request;
        HttpCallback done;
        bool cancelled = false;
        void cancel() override {
            cancelled = true;
            done = nullptr;
        }
    };

    std::shared_ptr<HttpCall> get(const HttpRequest& request, HttpCallback done) override {
        auto call = std::make_shared<Pending>();
        call->request = request;
        call->done = std::move(done);
        requests.push_back(request);
        inFlight.push_back(call);
        return call;
    }

    // Answers the oldest open request; returns false when there is none to answer.
    bool answer(const HttpResult& result) {
        while (!inFlight.empty()) {
            auto call = inFlight.front().lock();
            inFlight.pop_front();
            if (!call || call->cancelled || !call->done)
                continue;
            auto done = std::move(call->done);
            call->done = nullptr;
            done(result);
            return true;
        }
        return false;
    }

    static HttpResult response(int status, const QByteArray& body) {
        HttpResult result;
        result.kind = HttpResult::Kind::Response;
        result.status = status;
        result.body = body;
        return result;
    }

    static HttpResult
    failure(QNetworkReply::NetworkError error = QNetworkReply::ConnectionRefusedError) {
        HttpResult result;
        result.kind = HttpResult::Kind::TransportFailure;
        result.error = error;
        result.timedOut = error == QNetworkReply::OperationCanceledError;
        result.errorText = QStringLiteral("scripted failure");
        return result;
    }

    bool answerHttp(int status, const QByteArray& body) { return answer(response(status, body)); }
    bool fail(QNetworkReply::NetworkError error = QNetworkReply::ConnectionRefusedError) {
        return answer(failure(error));
    }

    // Answers every open request, and those the answers lead to, with `respond`; runs the event
    // loop in between so that work queued for later (a scan's next batch) gets sent.
    void answerAll(const std::function<HttpResult(const HttpRequest&)>& respond) {
        for (int rounds = 0; rounds < 100; ++rounds) {
            QCoreApplication::processEvents();
            if (openCount() == 0)
                return;
            while (openCount() > 0)
                answer(respond(requests[requests.size() - size_t(openCount())]));
        }
    }
    void refuseAll() {
        answerAll([](const HttpRequest&) { return failure(); });
    }

    // Requests still waiting for an answer (cancelled ones excluded).
    int openCount() const {
        int open = 0;
        for (const auto& weak : inFlight) {
            auto call = weak.lock();
            if (call && !call->cancelled && call->done)
                ++open;
        }
        return open;
    }

    std::vector<HttpRequest> requests;

private:
    std::deque<std::weak_ptr<Pending>> inFlight;
};
