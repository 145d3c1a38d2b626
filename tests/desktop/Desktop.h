// SPDX-License-Identifier: GPL-3.0-or-later
// The built application on a real X server (Xvfb), driven as a person drives
// it: key presses, typing and clicks through the X server (xdotool, XTEST),
// windows found by their titles. Nothing here reaches into the application;
// tests judge what comes out.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tonvar::desktop {

// A private X server on a free display, for the life of the object, with a
// screen of that size ("1280x1024x24").
class XServer {
public:
    explicit XServer(const std::string &screen = "1280x1024x24");
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    const std::string &Display() const { return display_; }
    // Starts a window manager (openbox) on the server and waits until it
    // manages windows; false where none is installed.
    bool StartWindowManager();
    // The managed windows, bottom to top, as the window manager stacks them.
    std::vector<std::string> Stacking() const;

private:
    pid_t pid_ = -1;
    pid_t wm_ = -1;
    std::string display_;
};

struct Result {
    int status = -1;
    std::string out;
};

// Runs a program to its end (at most `limit`), standard output captured.
Result Run(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
           std::chrono::milliseconds limit = std::chrono::seconds(20));

// The application on that server, started from the build folder.
class App {
public:
    // `arguments` after the program's name, as a shell or a file manager
    // gives them; `environment` ("NAME=value") over the usual one.
    App(const XServer &x, const std::string &home, const std::vector<std::string> &arguments = {},
        const std::vector<std::string> &environment = {});
    ~App();
    App(const App &) = delete;
    App &operator=(const App &) = delete;

    bool Running() const;
    // Waits for the application to end: its exit status, 128 + the signal
    // that ended it, or -1 when it is still running after `limit`.
    // With `report`, where it hangs is printed (gdb) when it does not end.
    int WaitForExit(std::chrono::milliseconds limit, bool report = true);

    // xdotool on this display.
    Result Xdo(std::vector<std::string> args) const;
    // The windows whose title is exactly `title`, oldest first.
    std::vector<std::string> Windows(const std::string &title) const;
    // Waits until a window with that title is mapped; returns its id (the
    // newest) or "".
    std::string WaitForWindow(const std::string &title, std::chrono::milliseconds limit = std::chrono::seconds(20),
                              std::size_t count = 1) const;
    std::string Title(const std::string &window) const;
    // Gives the window the keyboard focus (there is no window manager).
    void Focus(const std::string &window) const;
    void Keys(const std::string &keys) const; // e.g. "alt+p", "F11", "Right Right"
    void Type(const std::string &text) const; // characters, as typed
    // Closes the window as a window manager's close button does.
    void Close(const std::string &window) const;
    // Moves a window (there is no window manager to place them apart).
    void Move(const std::string &window, int x, int y) const;
    // Clicks at (x, y) within the window.
    void Click(const std::string &window, int x, int y) const;

    // Where the window lies on the screen, as the X server has it: its
    // inside (x, y, width, height in root coordinates) and the frame the
    // window manager put around it (left, right, top, bottom; zeros without
    // one).
    struct Placement {
        int x = 0, y = 0, width = 0, height = 0;
        int left = 0, right = 0, top = 0, bottom = 0;
    };
    Placement Place(const std::string &window) const;
    // The window's pixels in that rectangle (window coordinates), row by
    // row, each 0xRRGGBB; empty where the server gives none.
    std::vector<std::uint32_t> Pixels(const std::string &window, int x, int y, int width, int height) const;

private:
    const XServer &x_;
    pid_t pid_ = -1;
};

// Polls `done` every 20 ms until it holds or `limit` passes.
template <typename F>
bool Eventually(F done, std::chrono::milliseconds limit = std::chrono::seconds(20));

} // namespace tonvar::desktop

#include <thread>

template <typename F>
bool tonvar::desktop::Eventually(F done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
