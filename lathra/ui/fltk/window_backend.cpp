#include "lathra/ui/fltk/window_backend.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace lathra::ui {
namespace {

constexpr int kFontSize = 13;
constexpr const char* kTestChooserTitle = "lathra test";

// FLTK keeps pointers to label texts; the texts of the form are constants,
// the texts of the dialogs live as long as their window (see Dialog).
const char* c(std::string_view constant) { return constant.data(); }

// Tabs are shown as blanks; FLTK draws them as boxes.
std::string shown_text(const std::string& s) {
    std::string out;
    for (char ch : s) {
        if (ch == '\t') out += "        ";
        else out += ch;
    }
    return out;
}

// Double-clicking the picture shows the about box.
class Picture : public Fl_Box {
public:
    Picture(int x, int y, int w, int h) : Fl_Box(x, y, w, h) { box(FL_THIN_DOWN_BOX); }
    std::function<void()> on_double_click;

    void draw() override {
        Fl_Box::draw();
        // A turned part between centres: the emblem of the program.
        const int cx = x() + w() / 2, cy = y() + h() / 2;
        fl_color(FL_DARK_BLUE);
        fl_rectf(x() + 10, cy - 12, w() - 20, 24);
        fl_color(FL_BACKGROUND_COLOR);
        fl_rectf(x() + 30, cy - 12, 14, 5);
        fl_rectf(x() + 30, cy + 8, 14, 5);
        fl_color(FL_RED);
        fl_line(x() + 4, cy, x() + w() - 4, cy);
        fl_color(FL_BLACK);
        fl_polygon(cx + 8, y() + 8, cx + 20, y() + 8, cx + 14, cy - 14);
    }
    int handle(int event) override {
        if (event == FL_PUSH) {
            if (Fl::event_clicks() > 0 && on_double_click) on_double_click();
            return 1;
        }
        return Fl_Box::handle(event);
    }
};

// The main window; its first drawing arms the test hook.
class MainWindow : public Fl_Double_Window {
public:
    MainWindow(int w, int h, const char* caption) : Fl_Double_Window(w, h, caption) {}
    std::function<void()> on_first_draw;
    void draw() override {
        Fl_Double_Window::draw();
        if (on_first_draw) {
            auto f = std::move(on_first_draw);
            on_first_draw = nullptr;
            f();
        }
    }
};

// A modal window that runs until one of its buttons (or the window's close)
// sets the result.
struct Dialog {
    std::unique_ptr<Fl_Double_Window> window;
    std::deque<std::string> texts;  // label texts the widgets point at (never move)
    int pressed = -1;               // index of the pressed button, -1 closed

    const char* keep(std::string s) {
        texts.push_back(std::move(s));
        return texts.back().c_str();
    }
    static void button_cb(Fl_Widget* w, void* data) {
        auto* d = static_cast<Dialog*>(w->window()->user_data());
        d->pressed = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
        w->window()->hide();
    }
    static void close_cb(Fl_Widget* w, void*) { w->hide(); }

    void make(int w, int h, const std::string& caption) {
        window = std::make_unique<Fl_Double_Window>(w, h);
        window->copy_label(caption.c_str());
        window->user_data(this);
        window->callback(close_cb);
    }
    Fl_Button* button(int index, int x, int y, int w, int h, const std::string& label) {
        auto* b = new Fl_Button(x, y, w, h, keep(label));
        b->labelsize(kFontSize);
        b->callback(button_cb, reinterpret_cast<void*>(static_cast<std::intptr_t>(index)));
        return b;
    }
    void run() {
        window->end();
        window->set_modal();
        window->position((Fl::w() - window->w()) / 2, (Fl::h() - window->h()) / 2);
        window->show();
        while (window->shown()) Fl::wait();
    }
};

// The size of a text as FLTK draws it.
void measure(const std::string& text, int& w, int& h) {
    fl_font(FL_HELVETICA, kFontSize);
    w = 0;
    h = 0;
    fl_measure(text.c_str(), w, h, 0);
}

}  // namespace

struct WindowBackend::Impl {
    MainFormEvents* events = nullptr;
    bool closed = false;
    bool refreshing = false;

    std::unique_ptr<MainWindow> window;
    Picture* image = nullptr;
    Fl_Choice* machine = nullptr;
    Fl_Input* speed = nullptr;
    Fl_Input* feed = nullptr;
    Fl_Input* accel = nullptr;
    Fl_Round_Button* h33 = nullptr;
    Fl_Round_Button* free_numbering = nullptr;
    Fl_Check_Button* circle = nullptr;
    Fl_Check_Button* notepad = nullptr;
    Fl_Button* start = nullptr;
    Fl_Button* exit = nullptr;
    Fl_Box* status = nullptr;
    std::string status_text;
    WindowBackend* backend = nullptr;
    bool browse_first = false;

    void build();
    void browse_and_escape();
    void show_values();
    // Runs a handler of the dialog logic, then shows its values again.
    template <class F>
    void handle(F&& f) {
        if (events == nullptr || refreshing) return;
        f(*events);
        if (!closed) show_values();
    }
};

namespace {

Fl_Box* label(int x, int y, int w, int h, std::string_view text) {
    auto* b = new Fl_Box(x, y, w, h, c(text));
    b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    b->labelsize(kFontSize);
    return b;
}

Fl_Group* group(int x, int y, int w, int h, std::string_view text) {
    auto* g = new Fl_Group(x, y, w, h, c(text));
    g->box(FL_ENGRAVED_FRAME);
    g->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
    g->labelsize(kFontSize);
    return g;
}

}  // namespace

void WindowBackend::Impl::build() {
    using namespace form_text;
    constexpr int W = 820, H = 480;
    window = std::make_unique<MainWindow>(W, H, c(kCaption));
    window->user_data(this);
    window->callback([](Fl_Widget* w, void*) {
        // Escape does not close the dialog; the window's close box is the
        // exit button.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        auto* self = static_cast<Impl*>(w->user_data());
        self->handle([](MainFormEvents& e) { e.ExitButtonClick(); });
    });

    image = new Picture(10, 10, 90, 90);
    image->on_double_click = [this] { handle([](MainFormEvents& e) { e.Image1DblClick(); }); };

    label(110, 20, 500, 25, kLabel4);
    machine = new Fl_Choice(620, 20, 190, 25);
    machine->textsize(kFontSize);
    for (auto m : kMachines) machine->add(c(m));
    machine->callback(
        [](Fl_Widget* w, void* d) {
            const int index = static_cast<Fl_Choice*>(w)->value();
            static_cast<Impl*>(d)->handle([index](MainFormEvents& e) { e.ComboBoxMachineChange(index); });
        },
        this);

    auto* g1 = group(110, 60, 700, 135, kGroupBox1);
    const auto field = [](int y, std::string_view text, FormField which) {
        label(120, y, 580, 25, text);
        auto* in = new Fl_Input(710, y, 90, 25);
        in->textsize(kFontSize);
        in->when(FL_WHEN_CHANGED);
        in->user_data(reinterpret_cast<void*>(static_cast<std::intptr_t>(which)));
        in->callback([](Fl_Widget* w, void*) {
            auto* self = static_cast<Impl*>(w->window()->user_data());
            const auto f = static_cast<FormField>(reinterpret_cast<std::intptr_t>(w->user_data()));
            const std::string text = static_cast<Fl_Input*>(w)->value();
            self->handle([f, &text](MainFormEvents& e) { change_field(e, f, text); });
        });
        return in;
    };
    speed = field(88, kSpeedLimitLabel, FormField::SpeedLimit);
    feed = field(123, kFeedMaxLabel, FormField::FeedMax);
    accel = field(158, kALabel, FormField::A);
    g1->end();

    auto* g2 = group(110, 205, 340, 90, kGroupBox2);
    const auto radio = [this](int y, std::string_view text, bool free) {
        auto* r = new Fl_Round_Button(120, y, 320, 25, c(text));
        r->type(FL_RADIO_BUTTON);
        r->labelsize(kFontSize);
        r->callback(
            [](Fl_Widget* w, void* d) {
                const bool is_free = d != nullptr;
                auto* self = static_cast<Impl*>(w->window()->user_data());
                self->handle([is_free](MainFormEvents& e) { e.numbering_chosen(is_free); });
            },
            free ? this : nullptr);
        return r;
    };
    h33 = radio(230, kRadioH33, false);
    free_numbering = radio(260, kRadioFree, true);
    g2->end();

    circle = new Fl_Check_Button(110, 305, 700, 25, c(kCircle));
    circle->labelsize(kFontSize);
    circle->callback(
        [](Fl_Widget* w, void* d) {
            const bool on = static_cast<Fl_Check_Button*>(w)->value() != 0;
            static_cast<Impl*>(d)->handle(
                [on](MainFormEvents& e) { e.circle_set(on ? CheckState::Checked : CheckState::Unchecked); });
        },
        this);
    notepad = new Fl_Check_Button(110, 335, 700, 25, c(kNotepad));
    notepad->labelsize(kFontSize);
    notepad->callback(
        [](Fl_Widget* w, void* d) {
            const bool on = static_cast<Fl_Check_Button*>(w)->value() != 0;
            static_cast<Impl*>(d)->handle([on](MainFormEvents& e) { e.notepad_set(on); });
        },
        this);

    label(110, 370, 420, 20, kLabel5)->labelsize(kFontSize - 1);

    start = new Fl_Button(470, 400, 160, 32, c(kStart));
    start->labelsize(kFontSize);
    start->callback(
        [](Fl_Widget*, void* d) { static_cast<Impl*>(d)->handle([](MainFormEvents& e) { e.StartButtonClick(); }); },
        this);
    exit = new Fl_Button(650, 400, 160, 32, c(kExit));
    exit->labelsize(kFontSize);
    exit->callback(
        [](Fl_Widget*, void* d) { static_cast<Impl*>(d)->handle([](MainFormEvents& e) { e.ExitButtonClick(); }); },
        this);

    status = new Fl_Box(0, H - 26, W, 26);
    status->box(FL_THIN_DOWN_BOX);
    status->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    status->labelsize(kFontSize);
    window->end();
    window->position((Fl::w() - W) / 2, (Fl::h() - H) / 2);

    if (const char* hook = std::getenv("LATHRA_TEST_PRESS_EXIT")) {
        // "browse": first the chooser of the file-select dialog is opened
        // and closed again with the Escape key, as a user would.
        browse_first = std::string_view(hook) == "browse";
        window->on_first_draw = [this] {
            Fl::add_timeout(
                0.2,
                [](void* d) {
                    auto* self = static_cast<Impl*>(d);
                    if (self->browse_first) self->browse_and_escape();
                    std::fputs("lathra: test hook presses the exit button\n", stdout);
                    std::fflush(stdout);
                    self->exit->do_callback();
                },
                this);
        };
    }
}

namespace {

// The top-level window with the given title, searched from `w` down.
Window find_titled(Display* display, Window w, const char* title) {
    char* name = nullptr;
    if (XFetchName(display, w, &name) && name != nullptr) {
        const bool match = std::string_view(name) == title;
        XFree(name);
        if (match) return w;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(display, w, &root, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && found == 0; ++i) found = find_titled(display, children[i], title);
        if (children != nullptr) XFree(children);
    }
    return found;
}

// The chooser runs the desktop toolkit's own loop, in which no timer of
// ours runs: a child process on a connection of its own waits for the
// chooser's window and presses Escape in it, as a user would.
pid_t escape_chooser_later() {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    Display* display = XOpenDisplay(nullptr);
    for (int i = 0; display != nullptr && i < 600; ++i) {
        ::usleep(100000);
        const Window target = find_titled(display, DefaultRootWindow(display), kTestChooserTitle);
        // Only once it is on the screen: a key before that would close it
        // while the toolkit still waits for it to be shown.
        XWindowAttributes attributes{};
        if (target == 0 || !XGetWindowAttributes(display, target, &attributes) || attributes.map_state != IsViewable)
            continue;
        XKeyEvent key{};
        key.display = display;
        key.window = target;
        key.root = DefaultRootWindow(display);
        key.same_screen = True;
        key.keycode = XKeysymToKeycode(display, XK_Escape);
        for (const int type : {KeyPress, KeyRelease}) {
            key.type = type;
            XSendEvent(display, target, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                       reinterpret_cast<XEvent*>(&key));
        }
        XFlush(display);
    }
    ::_exit(0);
}

}  // namespace

void WindowBackend::Impl::browse_and_escape() {
    const pid_t helper = escape_chooser_later();
    engine::SaveFileRequest request;
    request.title = kTestChooserTitle;
    request.initial_directory = std::filesystem::current_path().string();
    const auto chosen = backend->save_file_dialog(request);
    if (helper > 0) {
        ::kill(helper, SIGTERM);
        ::waitpid(helper, nullptr, 0);
    }
    std::printf("lathra: test hook closed the chooser (%s)\n", chosen ? chosen->c_str() : "cancelled");
    std::fflush(stdout);
}

void WindowBackend::Impl::show_values() {
    if (events == nullptr || !window) return;
    const MainFormValues& v = events->values();
    refreshing = true;
    if (machine->value() != v.machine) machine->value(v.machine);
    const auto set_input = [](Fl_Input* in, const std::string& text) {
        if (text != in->value()) in->value(text.c_str());
    };
    set_input(speed, v.speed_limit);
    set_input(feed, v.feed_max);
    set_input(accel, v.accel);
    h33->value(v.numbering_free ? 0 : 1);
    free_numbering->value(v.numbering_free ? 1 : 0);
    circle->value(v.circle == CheckState::Unchecked ? 0 : 1);
    notepad->value(v.notepad ? 1 : 0);
    if (status_text != v.status) {
        status_text = v.status;
        status->copy_label((" " + status_text).c_str());
    }
    refreshing = false;
    window->redraw();
}

namespace {

// A protocol error of the X server is reported and the program goes on, as
// the toolkit does with the connections it opens itself.
int report_x_error(Display* display, XErrorEvent* e) {
    char request[64], text[128], name[128];
    std::snprintf(request, sizeof request, "XRequest.%d", e->request_code);
    XGetErrorDatabaseText(display, "", request, request, name, sizeof name);
    XGetErrorText(display, e->error_code, text, sizeof text);
    Fl::warning("%s: %s 0x%lx", name, text, e->resourceid);
    return 0;
}

}  // namespace

WindowBackend::WindowBackend() : impl_(std::make_unique<Impl>()) { impl_->backend = this; }

WindowBackend::~WindowBackend() = default;

std::unique_ptr<WindowBackend> WindowBackend::open() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    // What the toolkit would set up when opening a display itself (the
    // console back end, taken without a display, never sees it).
    std::setlocale(LC_CTYPE, "");
    XSetLocaleModifiers("");
    XSetErrorHandler(report_x_error);
    // From here on the toolkit uses this connection; a failure to open the
    // display can no longer happen inside it.
    fl_open_display(display);
    std::unique_ptr<WindowBackend> backend(new WindowBackend());
    Fl::scheme("gtk+");
    return backend;
}

void WindowBackend::run(MainFormEvents& events) {
    impl_->events = &events;
    impl_->closed = false;
    impl_->build();
    impl_->show_values();
    impl_->window->show();
    while (!impl_->closed && impl_->window->shown()) Fl::wait();
    impl_->window->hide();
    Fl::flush();
    impl_->events = nullptr;
}

void WindowBackend::refresh() {
    impl_->show_values();
    Fl::flush();  // the status bar shows while the job runs
}

void WindowBackend::close() {
    impl_->closed = true;
    if (impl_->window) impl_->window->hide();
}

engine::Answer WindowBackend::message(const engine::Message& m) {
    const std::string text = shown_text(m.text);
    int tw = 0, th = 0;
    measure(text, tw, th);
    const int bw = 100, bh = 30, pad = 20;
    const int w = std::max(tw + 2 * pad, 2 * bw + 3 * pad);
    const int h = th + bh + 3 * pad;
    Dialog d;
    d.make(w, h, m.caption);
    auto* body = new Fl_Box(pad, pad, tw, th, d.keep(text));
    body->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE);
    body->labelsize(kFontSize);
    std::vector<std::string> captions;
    switch (m.buttons) {
        case engine::Buttons::Ok: captions = {"OK"}; break;
        case engine::Buttons::YesNo: captions = {"Да", "Нет"}; break;
        case engine::Buttons::OkCancel: captions = {"OK", "Отмена"}; break;
    }
    const int n = static_cast<int>(captions.size());
    int x = (w - (n * bw + (n - 1) * pad)) / 2;
    for (int i = 0; i < n; ++i, x += bw + pad)
        d.button(i, x, h - pad - bh, bw, bh, captions[static_cast<std::size_t>(i)]);
    d.run();
    switch (m.buttons) {
        case engine::Buttons::Ok: return d.pressed == 0 ? engine::Answer::Ok : engine::Answer::Cancel;
        case engine::Buttons::YesNo:
            return d.pressed == 0 ? engine::Answer::Yes : d.pressed == 1 ? engine::Answer::No : engine::Answer::Cancel;
        case engine::Buttons::OkCancel: return d.pressed == 0 ? engine::Answer::Ok : engine::Answer::Cancel;
    }
    return engine::Answer::Cancel;
}

engine::DialogResult WindowBackend::edit_dialog(const engine::EditDialogView& view) {
    const int pad = 15, line = 22, bw = 110, bh = 30;
    int tw = 300;
    for (const auto& l : view.labels) {
        int w = 0, h = 0;
        measure(l, w, h);
        tw = std::max(tw, w);
    }
    const int w = tw + 2 * pad;
    const int n_labels = static_cast<int>(view.labels.size());
    const int h = pad + n_labels * line + 10 + 28 + pad + bh + pad;
    Dialog d;
    d.make(w, h, view.caption);
    int y = pad;
    for (const auto& l : view.labels) {
        auto* b = new Fl_Box(pad, y, tw, line, d.keep(l));
        b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
        b->labelsize(kFontSize);
        y += line;
    }
    y += 10;
    auto* input = new Fl_Input(pad, y, tw, 28);
    input->textsize(kFontSize);
    input->value(view.field_text.c_str());
    y += 28 + pad;
    const int n = static_cast<int>(view.buttons.size());
    int x = w - pad - n * bw - (n - 1) * 10;
    for (int i = 0; i < n; ++i, x += bw + 10) d.button(i, x, y, bw, bh, view.buttons[static_cast<std::size_t>(i)]);
    if (view.focus_field) input->take_focus();
    d.run();
    engine::DialogResult r;
    r.field_text = input->value();
    // The first button is OK; the second is the file dialog's Browse or the
    // length dialog's cancel.
    if (d.pressed == 0) r.action = engine::DialogAction::Ok;
    else if (d.pressed == 1 && view.id == engine::DialogId::FileSelect) r.action = engine::DialogAction::Browse;
    else r.action = engine::DialogAction::Cancel;
    return r;
}

std::optional<std::string> WindowBackend::save_file_dialog(const engine::SaveFileRequest& request) {
    // "description|pattern|..." becomes FLTK's "description\tpattern\n..."
    std::string filter;
    std::size_t i = 0;
    while (i < request.filter.size()) {
        const auto bar = request.filter.find('|', i);
        if (bar == std::string::npos) break;
        auto next = request.filter.find('|', bar + 1);
        if (next == std::string::npos) next = request.filter.size();
        std::string pattern = request.filter.substr(bar + 1, next - bar - 1);
        if (pattern == "*.*") pattern = "*";
        filter += request.filter.substr(i, bar - i) + "\t" + pattern + "\n";
        i = next + 1;
    }
    Fl_Native_File_Chooser chooser(request.file_must_exist ? Fl_Native_File_Chooser::BROWSE_FILE
                                                           : Fl_Native_File_Chooser::BROWSE_SAVE_FILE);
    chooser.title(request.title.c_str());
    if (!request.initial_directory.empty()) chooser.directory(request.initial_directory.c_str());
    chooser.filter(filter.c_str());
    if (!request.initial_name.empty()) chooser.preset_file(request.initial_name.c_str());
    if (chooser.show() != 0) return std::nullopt;
    std::string path = chooser.filename();
    if (path.empty()) return std::nullopt;
    // A name without extension gets the default one.
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (!request.default_ext.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash)))
        path += "." + request.default_ext;
    return path;
}

}  // namespace lathra::ui
