#include "remote/RemoteGuard.h"

#include <QRandomGenerator>
#include <algorithm>

RemoteGuard::RemoteGuard(std::shared_ptr<Clock> clock, Limits limits)
    : clock(std::move(clock)), limits(limits) {}

QByteArray RemoteGuard::freshToken() {
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                          bytes.size() / int(sizeof(quint32)));
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool RemoteGuard::sameToken(QByteArrayView given, QByteArrayView expected) {
    // Every byte of the expected token is compared whatever differs first, so the time tells
    // nothing about how much of a guess was right.
    unsigned char difference = given.size() == expected.size() ? 0 : 1;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const char guess = i < given.size() ? given[i] : char(0);
        difference |= static_cast<unsigned char>(guess ^ expected[i]);
    }
    return difference == 0 && !expected.isEmpty();
}

void RemoteGuard::setToken(const QByteArray& newToken) {
    token = newToken;
}

void RemoteGuard::reset() {
    entries.clear();
}

RemoteGuard::Entry& RemoteGuard::entryFor(const QHostAddress& from, double now) {
    auto it = entries.find(from);
    if (it == entries.end()) {
        if (entries.size() >= limits.addressesKept) {
            // Forget the address that has been quiet longest, but never one that is banned.
            auto stalest = entries.end();
            for (auto candidate = entries.begin(); candidate != entries.end(); ++candidate) {
                if (candidate->bannedUntil > now)
                    continue;
                if (stalest == entries.end() || candidate->lastSeen < stalest->lastSeen)
                    stalest = candidate;
            }
            if (stalest == entries.end())
                stalest = entries.begin();
            entries.erase(stalest);
        }
        it = entries.insert(from, Entry{limits.burst, now, 0, 0, 0, now});
    }
    it->lastSeen = now;
    return *it;
}

bool RemoteGuard::takeToken(Entry& entry, double now) const {
    const double elapsedSeconds = std::max(0.0, now - entry.refilledAt) / 1000.0;
    entry.tokens = std::min(limits.burst, entry.tokens + elapsedSeconds * limits.requestsPerSecond);
    entry.refilledAt = now;
    if (entry.tokens < 1)
        return false;
    entry.tokens -= 1;
    return true;
}

RemoteGuard::Verdict RemoteGuard::admit(const QHostAddress& from) {
    const double now = clock->nowMs();
    Entry& entry = entryFor(from, now);
    if (entry.bannedUntil > now)
        return Verdict::Banned;
    return takeToken(entry, now) ? Verdict::Allowed : Verdict::TooMany;
}

RemoteGuard::Verdict RemoteGuard::check(const QHostAddress& from, QByteArrayView given) {
    const Verdict admitted = admit(from);
    if (admitted != Verdict::Allowed)
        return admitted;
    if (sameToken(given, token))
        return Verdict::Allowed;
    const double now = clock->nowMs();
    Entry& entry = entryFor(from, now);
    if (entry.failures == 0 || now - entry.firstFailureAt > limits.failureWindowMs) {
        entry.failures = 0;
        entry.firstFailureAt = now;
    }
    if (++entry.failures >= limits.failuresBeforeBan) {
        entry.bannedUntil = now + limits.banMs;
        entry.failures = 0;
    }
    return Verdict::WrongToken;
}

bool RemoteGuard::banned(const QHostAddress& from) const {
    const auto it = entries.constFind(from);
    return it != entries.constEnd() && it->bannedUntil > clock->nowMs();
}
