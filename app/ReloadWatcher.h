// Watches the open deck's file and asks for a reload once a change has settled.
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>

struct ReloadTiming {
    int settleMs = 400; // quiet time after the last change before a look at the file
    int attempts = 12;  // looks at a file still being written or unreadable, then give up
};

class ReloadWatcher : public QObject {
    Q_OBJECT
public:
    using Timing = ReloadTiming;

    // `reload` opens the file anew and, once the load has ended, tells its argument whether that
    // worked (a load that a newer one replaced may never tell); `failed` is called once when
    // every attempt for one change failed.
    using Reload = std::function<void(std::function<void(bool reloaded)> finished)>;
    ReloadWatcher(Reload reload, std::function<void()> failed, Timing timing = Timing{},
                  QObject* parent = nullptr);

    // Starts watching this file (as it is now); an empty path stops watching.
    void watch(const QString& path);

private:
    struct Signature {
        qint64 size = -1;
        QDateTime modified;
        friend bool operator==(const Signature&, const Signature&) = default;
    };

    Signature signature() const;
    // A PDF ends with its end-of-file marker; one being written does not yet.
    bool looksComplete() const;
    void changed();
    void settled();
    void reloaded(bool worked, bool lastLook, Signature looked);

    Reload reload;
    std::function<void()> failed;
    Timing timing;
    QFileSystemWatcher watcher;
    QTimer settle;
    QString path;
    Signature loaded;
    Signature seen;
    int attemptsLeft = 0;
    // Counts reloads asked for, so that the answer of one from before a newer change or another
    // file is not taken for the current one.
    quint64 asked = 0;
    // A reload of the file as `seen` is under way.
    bool waiting = false;
};
