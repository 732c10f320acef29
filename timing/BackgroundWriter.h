// Writes files atomically on a thread of its own, so that a slide change never waits for the disk.
#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class BackgroundWriter {
public:
    // Called on the writer's thread after each write: the file, and why it failed (empty when it
    // did not).
    using Done = std::function<void(const QString& path, const QString& error)>;

    explicit BackgroundWriter(Done done);
    // Finishes the writes asked for, then ends the thread.
    ~BackgroundWriter();

    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Replaces the contents of `path` with what `bytes` returns, run on the writer's thread; a
    // write of the same file that has not begun yet is dropped for this one.
    void write(const QString& path, std::function<QByteArray()> bytes);
    // Returns once every write asked for so far has ended.
    void flush();

private:
    void run();

    Done done;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::vector<std::pair<QString, std::function<QByteArray()>>> pending;
    bool writing = false;
    bool stopping = false;
    std::thread thread;
};
