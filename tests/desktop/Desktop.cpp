// SPDX-License-Identifier: GPL-3.0-or-later
#include "Desktop.h"

#include "Process.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tonvar::desktop {

namespace {

// A connection of the test's own to the server; null when there is none.
xcb_connection_t *Connect(const std::string &display)
{
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (c && xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return c;
}

using Clock = std::chrono::steady_clock;
using test::Environment;
using test::Spawn;
using test::Stop;

std::string RegexOf(const std::string &text)
{
    std::string out = "^";
    for (char c : text) {
        if (std::strchr(".^$*+?()[]{}|\\", c))
            out += '\\';
        out += c;
    }
    return out + "$";
}

} // namespace

XServer::XServer(const std::string &screen)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    // -noreset: the server does not reset when its last client leaves, which
    // would refuse a client connecting at that moment.
    pid_ = Spawn(
        {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
        Environment({}), -1, ::open("/dev/null", O_WRONLY), fds[1]);
    ::close(fds[1]);
    std::string number;
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end && number.find('\n') == std::string::npos) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buf[32];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        number.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        Stop(pid_);
        throw std::runtime_error("Xvfb did not start (is the xvfb package installed?)");
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    // The server answers before anything is started on it: a client that
    // came too early would find no display.
    const auto ready = Clock::now() + std::chrono::seconds(20);
    for (;;) {
        xcb_connection_t *c = xcb_connect(display_.c_str(), nullptr);
        const bool ok = c && !xcb_connection_has_error(c);
        if (c)
            xcb_disconnect(c);
        if (ok)
            break;
        if (Clock::now() > ready) {
            Stop(pid_);
            throw std::runtime_error("Xvfb on " + display_ + " accepts no connection");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

XServer::~XServer()
{
    Stop(wm_);
    Stop(pid_);
}

namespace {

// The root window's property of that name, as 32-bit values.
std::vector<std::uint32_t> RootProperty(const std::string &display, const char *name)
{
    std::vector<std::uint32_t> out;
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (c && !xcb_connection_has_error(c)) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        if (atom && atom->atom != XCB_ATOM_NONE) {
            xcb_get_property_reply_t *p =
                xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_ANY, 0, 4096), nullptr);
            if (p && p->format == 32) {
                const auto *v = static_cast<const std::uint32_t *>(xcb_get_property_value(p));
                out.assign(v, v + xcb_get_property_value_length(p) / 4);
            }
            std::free(p);
        }
        std::free(atom);
    }
    if (c)
        xcb_disconnect(c);
    return out;
}

} // namespace

bool XServer::StartWindowManager()
{
    if (std::system("command -v openbox > /dev/null 2>&1") != 0)
        return false;
    wm_ = Spawn({"openbox", "--sm-disable"}, Environment({"DISPLAY=" + display_}), ::open("/dev/null", O_WRONLY),
                ::open("/dev/null", O_WRONLY));
    return Eventually([&] { return !RootProperty(display_, "_NET_SUPPORTING_WM_CHECK").empty(); });
}

std::vector<std::string> XServer::Stacking() const
{
    std::vector<std::string> out;
    for (const std::uint32_t w : RootProperty(display_, "_NET_CLIENT_LIST_STACKING"))
        out.push_back(std::to_string(w));
    return out;
}

Result Run(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
           std::chrono::milliseconds limit)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = Spawn(argv, Environment(environment), fds[1], -1);
    ::close(fds[1]);
    Result r;
    const auto end = Clock::now() + limit;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int left =
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left <= 0 || ::poll(&p, 1, left) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        r.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (Clock::now() < end && ::waitpid(pid, &status, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        Stop(pid);
        return r;
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

App::App(const XServer &x, const std::string &home, const std::vector<std::string> &arguments,
         const std::vector<std::string> &environment)
    : x_(x)
{
    const int log = ::open((home + "/tonvar.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<std::string> argv{TONVAR_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> changes{"DISPLAY=" + x.Display(),
                                     "HOME=" + home,
                                     "XDG_RUNTIME_DIR=" + home,
                                     "XDG_CONFIG_HOME=" + home + "/.config",
                                     "QT_QPA_PLATFORM=xcb",
                                     "QT_QPA_PLATFORMTHEME=",
                                     "LANG=C.UTF-8",
                                     "LC_ALL=C.UTF-8"};
    const auto name = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
    for (const std::string &e : environment) {
        changes.erase(std::remove_if(changes.begin(), changes.end(),
                                     [&](const std::string &c) { return name(c) == name(e); }),
                      changes.end());
        changes.push_back(e);
    }
    pid_ = Spawn(argv, Environment(changes), log, log);
    if (log >= 0)
        ::close(log);
}

App::~App()
{
    Stop(pid_);
}

bool App::Running() const
{
    return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0;
}

int App::WaitForExit(std::chrono::milliseconds limit, bool report)
{
    int status = 0;
    const bool ended = Eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, limit);
    if (!ended && !report)
        return -1;
    if (!ended) {
        // Where it hangs, for the report.
        const Result r = Run({"gdb", "-p", std::to_string(pid_), "-batch", "-ex", "thread apply all bt"}, {},
                             std::chrono::seconds(60));
        std::fprintf(stderr, "still running:\n%s\n", r.out.c_str());
        return -1;
    }
    pid_ = -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

Result App::Xdo(std::vector<std::string> args) const
{
    args.insert(args.begin(), "xdotool");
    return Run(args, {"DISPLAY=" + x_.Display()});
}

std::vector<std::string> App::Windows(const std::string &title) const
{
    const Result r = Xdo({"search", "--onlyvisible", "--name", RegexOf(title)});
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < r.out.size()) {
        const std::size_t end = r.out.find('\n', at);
        const std::string line = r.out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && Title(line) == title)
            out.push_back(line);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return out;
}

std::string App::WaitForWindow(const std::string &title, std::chrono::milliseconds limit, std::size_t count) const
{
    std::vector<std::string> found;
    Eventually(
        [&] {
            found = Windows(title);
            return found.size() >= count;
        },
        limit);
    return found.size() >= count ? found.back() : std::string();
}

std::string App::Title(const std::string &window) const
{
    std::string name = Xdo({"getwindowname", window}).out;
    if (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

void App::Focus(const std::string &window) const
{
    Eventually(
        [&] {
            Xdo({"windowfocus", window});
            std::string focus = Xdo({"getwindowfocus"}).out;
            if (!focus.empty() && focus.back() == '\n')
                focus.pop_back();
            return focus == window;
        },
        std::chrono::seconds(5));
}

void App::Keys(const std::string &keys) const
{
    std::vector<std::string> args{"key", "--delay", "40"};
    std::size_t at = 0;
    while (at < keys.size()) {
        const std::size_t end = keys.find(' ', at);
        args.push_back(keys.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    Xdo(args);
}

void App::Type(const std::string &text) const
{
    Xdo({"type", "--delay", "40", text});
}

void App::Click(const std::string &window, int x, int y) const
{
    Xdo({"mousemove", "--window", window, std::to_string(x), std::to_string(y), "click", "1"});
}

} // namespace tonvar::desktop

namespace tonvar::desktop {

void App::Close(const std::string &window) const
{
    // What a window manager's close button sends: WM_DELETE_WINDOW.
    xcb_connection_t *c = Connect(x_.Display());
    if (!c)
        return;
    const auto atom = [c](const char *name) {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(r);
        return a;
    };
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = static_cast<xcb_window_t>(std::stoul(window));
    e.type = atom("WM_PROTOCOLS");
    e.data.data32[0] = atom("WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    // Checked, so that the server has taken the event before the
    // connection closes: sent and disconnected at once, it could be lost
    // on a busy machine.
    std::free(xcb_request_check(c, xcb_send_event_checked(c, 0, e.window, XCB_EVENT_MASK_NO_EVENT,
                                                           reinterpret_cast<const char *>(&e))));
    xcb_disconnect(c);
}

App::Placement App::Place(const std::string &window) const
{
    Placement out;
    xcb_connection_t *c = Connect(x_.Display());
    if (!c)
        return out;
    const auto w = static_cast<xcb_window_t>(std::stoul(window));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr)) {
        out.width = g->width;
        out.height = g->height;
        std::free(g);
    }
    if (xcb_translate_coordinates_reply_t *t =
            xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, root, 0, 0), nullptr)) {
        out.x = t->dst_x;
        out.y = t->dst_y;
        std::free(t);
    }
    const char *name = "_NET_FRAME_EXTENTS";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (atom && atom->atom != XCB_ATOM_NONE) {
        xcb_get_property_reply_t *p =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr);
        if (p && p->format == 32 && xcb_get_property_value_length(p) == 16) {
            const auto *v = static_cast<const std::uint32_t *>(xcb_get_property_value(p));
            out.left = static_cast<int>(v[0]);
            out.right = static_cast<int>(v[1]);
            out.top = static_cast<int>(v[2]);
            out.bottom = static_cast<int>(v[3]);
        }
        std::free(p);
    }
    std::free(atom);
    xcb_disconnect(c);
    return out;
}

std::vector<std::uint32_t> App::Pixels(const std::string &window, int x, int y, int width, int height) const
{
    std::vector<std::uint32_t> out;
    xcb_connection_t *c = Connect(x_.Display());
    if (!c)
        return out;
    const auto w = static_cast<xcb_window_t>(std::stoul(window));
    xcb_get_image_reply_t *image = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0U),
        nullptr);
    // Xvfb's 24-bit screens keep a pixel in 32 bits, blue first.
    if (image && image->depth == 24 &&
        xcb_get_image_data_length(image) == 4 * width * height) {
        const std::uint8_t *data = xcb_get_image_data(image);
        out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<std::uint32_t>(data[4 * i + 2]) << 16 | static_cast<std::uint32_t>(data[4 * i + 1]) << 8 |
                     data[4 * i];
    }
    std::free(image);
    xcb_disconnect(c);
    return out;
}

void App::Move(const std::string &window, int x, int y) const
{
    Xdo({"windowmove", window, std::to_string(x), std::to_string(y)});
}

} // namespace tonvar::desktop
