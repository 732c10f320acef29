// Who may talk to the remote control: the token, compared in constant time, addresses that
// failed too often and are ignored for a while, and how many requests each address may make.
#pragma once

#include "net/Clock.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <memory>

class RemoteGuard {
public:
    struct Limits {
        int failuresBeforeBan = 5; // wrong or missing tokens within the window
        double failureWindowMs = 60'000;
        double banMs = 120'000;
        double requestsPerSecond = 20; // sustained, per address
        double burst = 40;
        int addressesKept = 1024; // the tables' bound; the stalest entries go first
    };

    enum class Verdict { Allowed, WrongToken, Banned, TooMany };

    RemoteGuard(std::shared_ptr<Clock> clock, Limits limits);

    // A fresh random token of 192 bits, URL-safe; a new one each time the switch is turned on.
    static QByteArray freshToken();
    // Compares in time that depends on the expected token's length only.
    static bool sameToken(QByteArrayView given, QByteArrayView expected);

    void setToken(const QByteArray& token);
    // Forgets every address (the switch was turned off).
    void reset();

    // One request or frame from `from` carrying `token`: a banned address is refused before
    // anything else, then the rate, then the token; each wrong token counts towards a ban.
    Verdict check(const QHostAddress& from, QByteArrayView token);
    // The same without a token, for a phone already let in: only the ban and the rate count.
    Verdict admit(const QHostAddress& from);
    bool banned(const QHostAddress& from) const;

private:
    struct Entry {
        double tokens = 0;
        double refilledAt = 0;
        int failures = 0;
        double firstFailureAt = 0;
        double bannedUntil = 0;
        double lastSeen = 0;
    };

    Entry& entryFor(const QHostAddress& from, double now);
    bool takeToken(Entry& entry, double now) const;

    std::shared_ptr<Clock> clock;
    Limits limits;
    QByteArray token;
    QHash<QHostAddress, Entry> entries;
};
