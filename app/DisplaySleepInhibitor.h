// Keeps the display awake while a presentation runs: the desktop's screen-saver service, else X11.
#pragma once

#include <QString>
#include <optional>

class DisplaySleepInhibitor {
public:
    DisplaySleepInhibitor() = default;
    ~DisplaySleepInhibitor();
    DisplaySleepInhibitor(const DisplaySleepInhibitor&) = delete;
    DisplaySleepInhibitor& operator=(const DisplaySleepInhibitor&) = delete;

    // Returns whether anything now keeps the display awake. No bus or no service is not an error.
    bool inhibit(const QString& applicationName, const QString& reason);
    void release();
    bool isHeld() const { return cookie.has_value() || x11Suspended; }

private:
    std::optional<quint32> cookie;
    bool x11Suspended = false;
};
