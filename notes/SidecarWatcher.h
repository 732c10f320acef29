// Watches the sidecar file beside the open deck (also while it does not exist yet) and reports
// once a change has settled, so notes edited during the preparation show without reopening.
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

class SidecarWatcher : public QObject {
    Q_OBJECT
public:
    explicit SidecarWatcher(std::function<void()> changed, int settleMs = 400,
                            QObject* parent = nullptr);

    // Watches the sidecar of this deck, as it is now; an empty path stops watching.
    void watch(const QString& pdfPath);

private:
    struct Signature {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        friend bool operator==(const Signature&, const Signature&) = default;
    };
    Signature signature() const;
    void settled();

    std::function<void()> changed;
    QFileSystemWatcher watcher;
    QTimer settle;
    QString path;
    Signature seen;
};
