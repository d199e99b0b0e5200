#include "platform/linux/AtspiAccessibility.h"

#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/linux/BusLookup.h"
#include "platform/linux/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <atspi/atspi.h>

#include <QHash>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <signal.h>

namespace {

// What atspi_init answered the first time this process called it (-1: not called yet). libatspi
// is started once per process; one that found no bus stays unusable.
std::atomic<int> atspiStarted{-1};

// Holds the main loop in a callback of its own, if it comes there before the worker is done
// with what no one else may see half done. Shared between the worker and the callback, which
// may run late or never.
struct MainPause {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;

    // Main thread, in the default context's dispatch: waits for the worker, at most the limit.
    static gboolean run(gpointer data) {
        MainPause& pause = **static_cast<std::shared_ptr<MainPause>*>(data);
        std::unique_lock lock(pause.mutex);
        pause.changed.wait_for(lock, AtspiAccessibility::kMainPauseLimit, [&] { return pause.finished; });
        return G_SOURCE_REMOVE;
    }
    static void drop(gpointer data) { delete static_cast<std::shared_ptr<MainPause>*>(data); }

    void finish() {
        std::lock_guard lock(mutex);
        finished = true;
        changed.notify_all();
    }
};

// Runs `fn`, which attaches sources to GLib's default main context, so that no other thread
// dispatches them before `fn` is done: libatspi attaches its bus there before it can be moved to
// our own context, and Qt's main loop runs that context. When nobody runs it, the worker holds it
// meanwhile. Otherwise a callback of higher priority than anything `fn` attaches goes in first:
// the loop can dispatch nothing of lower priority before it has run that callback, which waits
// until `fn` is done (or, at most, kMainPauseLimit). Neither thread waits for the other to come.
void whileTheDefaultContextWaits(const std::function<void()>& fn) {
    GMainContext* main = g_main_context_default();
    if (g_main_context_acquire(main)) {
        fn();
        g_main_context_release(main);
        return;
    }
    auto pause = std::make_shared<MainPause>();
    GSource* first = g_idle_source_new();
    g_source_set_priority(first, G_PRIORITY_HIGH);
    g_source_set_callback(first, &MainPause::run, new std::shared_ptr<MainPause>(pause), &MainPause::drop);
    g_source_attach(first, main);
    g_source_unref(first);
    fn();
    pause->finish();
}

}  // namespace

struct AtspiAccessibility::Worker {
    SerialQueue queue{QStringLiteral("accessibility")};
    GMainContext* context = nullptr;
    bool ready = false;  // worker thread only: libatspi is connected, on our context
    Display* display = nullptr;  // the worker's own X connection (focus owner)

    // Whether questions can be asked, for any thread. Starting lasts until the first look for
    // the bus is over; a later look (the bus may come up after us) keeps Unavailable meanwhile.
    enum class State { Starting, Ready, Unavailable };
    std::mutex stateMutex;
    std::condition_variable stateChanged;
    State state = State::Starting;
    std::atomic<bool> looking{false};    // a look for the bus is running
    std::atomic<bool> abandoned{false};  // the reader is gone: a running look ends without a start
    bool toldUnavailable = false;        // worker only
    std::function<void(const QString&)> log;

    // The element that last gained the focus in each process, as the applications announce it
    // (worker thread only; references held). Finding the focus is then one question to the
    // application instead of a walk through its whole tree.
    static constexpr const char* kFocusEvent = "object:state-changed:focused";
    AtspiEventListener* focusListener = nullptr;
    QHash<qint32, AtspiAccessible*> focusByPid;
    QHash<QByteArray, qint32> pidByBusName;
    // The element that last gained the focus anywhere on the desktop (reference held) and its
    // process; dropped when it announces the loss or its process is gone.
    AtspiAccessible* desktopFocus = nullptr;
    qint32 desktopFocusPid = 0;

    ~Worker() {
        queue.sync([this] {
            if (focusListener) {
                GError* error = nullptr;
                atspi_event_listener_deregister(focusListener, kFocusEvent, &error);
                if (error) g_clear_error(&error);
                g_object_unref(focusListener);
                focusListener = nullptr;
            }
            for (AtspiAccessible* element : std::as_const(focusByPid)) g_object_unref(element);
            focusByPid.clear();
            forgetDesktopFocus();
            if (display) XCloseDisplay(display);
            display = nullptr;
            // The context stays: libatspi keeps its bus on it for the rest of the process.
        });
    }

    State currentState() {
        std::lock_guard lock(stateMutex);
        return state;
    }
    void setState(State next) {
        std::lock_guard lock(stateMutex);
        state = next;
        stateChanged.notify_all();
    }
    // Any thread but the worker's: waits while the first look runs, at most `seconds`; true when
    // questions can be asked.
    bool waitUntilSettled(double seconds) {
        std::unique_lock lock(stateMutex);
        stateChanged.wait_for(lock, std::chrono::duration<double>(std::max(0.0, seconds)),
                              [&] { return state != State::Starting; });
        return state == State::Ready;
    }

    // Worker thread. Looks for the bus (every wait bounded) and only then lets libatspi connect;
    // without a bus, says why once and stays unavailable until a later look finds one.
    void start() {
        if (ready || abandoned) return;
        // libatspi that once found no bus stays unusable in this process.
        if (atspiStarted == 2) return unavailable(QStringLiteral("libatspi が始まりませんでした"));
        looking = true;
        const BusLookup::Lookup lookup = BusLookup::accessibilityBus(kLookupTimeout);
        if (!abandoned) {
            if (lookup.address.isEmpty())
                unavailable(lookup.problem);
            else if (connect())
                becomeReady();
        }
        looking = false;
    }

    void unavailable(const QString& problem) {
        if (!toldUnavailable && log)
            log(QStringLiteral("アクセシビリティバスを使えません（") + problem +
                QStringLiteral("）: 入力欄のカーソル位置と前後の文は読めません"));
        toldUnavailable = true;
        setState(State::Unavailable);
    }

    // libatspi looks for the bus again, in the same order: it finds the one just found.
    bool connect() {
        if (!atspi_get_a11y_bus()) {
            unavailable(QStringLiteral("libatspi がアクセシビリティバスにつながりません"));
            return false;
        }
        if (!context) {
            context = g_main_context_new();
            g_main_context_push_thread_default(context);
        }
        bool attached = false;
        whileTheDefaultContextWaits([&] {
            int started = atspiStarted;
            if (started < 0) atspiStarted = started = atspi_init();
            // 0, or 1 when an earlier reader of this process started it (with a bus, as above).
            if (started != 0 && started != 1) return;
            if (!atspi_get_a11y_bus()) return;  // gone in between: setting the context would abort
            atspi_set_main_context(context);
            attached = true;
        });
        if (!attached) unavailable(QStringLiteral("アクセシビリティバスが途中で消えました"));
        return attached;
    }

    void becomeReady() {
        ready = true;
        // Focus changes arrive as events on our context; drainEvents() hands them to focusChanged.
        focusListener = atspi_event_listener_new(&Worker::focusChanged, this, nullptr);
        GError* error = nullptr;
        if (focusListener) atspi_event_listener_register(focusListener, kFocusEvent, &error);
        if (error) g_clear_error(&error);
        if (toldUnavailable && log) log(QStringLiteral("アクセシビリティバスにつながりました"));
        setState(State::Ready);
    }

    static void focusChanged(AtspiEvent* event, void* data) {
        if (event->source) static_cast<Worker*>(data)->noteFocus(event->source, event->detail1 != 0);
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    void noteFocus(AtspiAccessible* element, bool gained) {
        const qint32 pid = processOf(element);
        if (pid <= 0) return;
        const auto known = focusByPid.find(pid);
        if (gained) {
            if (known != focusByPid.end()) g_object_unref(*known);
            focusByPid.insert(pid, static_cast<AtspiAccessible*>(g_object_ref(element)));
            forgetDesktopFocus();
            desktopFocus = static_cast<AtspiAccessible*>(g_object_ref(element));
            desktopFocusPid = pid;
        } else {
            if (known != focusByPid.end() && *known == element) {
                g_object_unref(*known);
                focusByPid.erase(known);
            }
            // A loss announced after the next element's gain (the order varies) changes nothing.
            if (element == desktopFocus) forgetDesktopFocus();
        }
    }

    void forgetDesktopFocus() {
        if (desktopFocus) g_object_unref(desktopFocus);
        desktopFocus = nullptr;
        desktopFocusPid = 0;
    }

    // The process of an element's application: one question to the bus per application.
    qint32 processOf(AtspiAccessible* element) {
        AtspiApplication* app = element->parent.app;
        if (!app || !app->bus_name) return 0;
        const QByteArray busName(app->bus_name);
        if (const auto known = pidByBusName.constFind(busName); known != pidByBusName.cend()) return *known;
        GError* error = nullptr;
        const guint pid = atspi_accessible_get_process_id(element, &error);
        if (error) {
            g_clear_error(&error);
            return 0;
        }
        pidByBusName.insert(busName, static_cast<qint32>(pid));
        return static_cast<qint32>(pid);
    }

    void drainEvents() {
        if (context)
            while (g_main_context_iteration(context, FALSE)) {
            }
    }

    // A program that quits announces no loss of focus: what we remember of it goes once the
    // process is gone, so the memory holds only programs that are still running.
    void forgetGoneProcesses() {
        const auto gone = [](qint32 pid) { return pid > 0 && ::kill(pid, 0) == -1 && errno == ESRCH; };
        for (auto it = focusByPid.begin(); it != focusByPid.end();) {
            if (!gone(it.key())) {
                ++it;
                continue;
            }
            g_object_unref(*it);
            it = focusByPid.erase(it);
        }
        pidByBusName.removeIf([&](const auto& entry) { return gone(entry.value()); });
        if (gone(desktopFocusPid)) forgetDesktopFocus();
    }

    // The focus events that arrived meanwhile, and the programs that quit. Before each request.
    void catchUp() {
        drainEvents();
        forgetGoneProcesses();
    }

    static void setTimeout(double seconds) {
        const int ms = std::max(1, static_cast<int>(std::lround(seconds * 1000)));
        atspi_set_timeout(ms, ms);
    }

    static bool hasState(AtspiAccessible* object, AtspiStateType state, bool* failed) {
        AtspiStateSet* set = atspi_accessible_get_state_set(object);
        if (!set) {
            *failed = true;
            return false;
        }
        const bool result = atspi_state_set_contains(set, state);
        g_object_unref(set);
        return result;
    }

    // The application of `pid` on the bus (a new reference), or null.
    AtspiAccessible* application(qint32 pid) {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        if (!desktop) return nullptr;
        AtspiAccessible* found = nullptr;
        GError* error = nullptr;
        const int count = atspi_accessible_get_child_count(desktop, &error);
        if (error) g_clear_error(&error);
        for (int i = 0; i < count && !found; ++i) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, &error);
            if (error) g_clear_error(&error);
            if (!app) continue;
            const guint appPid = atspi_accessible_get_process_id(app, &error);
            if (error) g_clear_error(&error);
            if (static_cast<qint32>(appPid) == pid)
                found = app;
            else
                g_object_unref(app);
        }
        g_object_unref(desktop);
        return found;
    }

    // The focused element below `app` (a new reference), or null. Breadth-first over showing
    // elements; the first failing request ends the search (an application that does not answer
    // costs one timeout, not one per element).
    AtspiAccessible* focusedBelow(AtspiAccessible* app) {
        std::deque<AtspiAccessible*> pending;
        pending.push_back(static_cast<AtspiAccessible*>(g_object_ref(app)));
        AtspiAccessible* found = nullptr;
        int visited = 0;
        bool failed = false;
        while (!pending.empty() && !found && !failed && visited < 4000) {
            AtspiAccessible* node = pending.front();
            pending.pop_front();
            ++visited;
            atspi_accessible_clear_cache(node);
            if (node != app) {
                if (hasState(node, ATSPI_STATE_FOCUSED, &failed)) {
                    found = node;
                    break;
                }
                if (failed || !hasState(node, ATSPI_STATE_SHOWING, &failed)) {
                    g_object_unref(node);
                    continue;
                }
            }
            GError* error = nullptr;
            const int count = atspi_accessible_get_child_count(node, &error);
            if (error) {
                g_clear_error(&error);
                failed = true;
            }
            for (int i = 0; i < count && !failed; ++i) {
                AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, &error);
                if (error) {
                    g_clear_error(&error);
                    failed = true;
                }
                if (child) pending.push_back(child);
            }
            g_object_unref(node);
        }
        for (AtspiAccessible* node : pending) g_object_unref(node);
        return found;
    }

    // Screen extents of an element in desktop pixels; absent without a component or an extent.
    static std::optional<QRect> extents(AtspiAccessible* object) {
        AtspiComponent* component = atspi_accessible_get_component_iface(object);
        if (!component) return std::nullopt;
        GError* error = nullptr;
        AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
        if (error) g_clear_error(&error);
        std::optional<QRect> result;
        if (rect && rect->width > 0 && rect->height > 0 && rect->x > -100000 && rect->y > -100000)
            result = QRect(rect->x, rect->y, rect->width, rect->height);
        if (rect) g_free(rect);
        g_object_unref(component);
        return result;
    }

    // Extents of the application's active top-level window.
    std::optional<QRect> activeWindowFrame(qint32 pid) {
        AtspiAccessible* app = application(pid);
        if (!app) return std::nullopt;
        std::optional<QRect> result;
        GError* error = nullptr;
        const int count = atspi_accessible_get_child_count(app, &error);
        if (error) g_clear_error(&error);
        for (int i = 0; i < count && !result; ++i) {
            AtspiAccessible* window = atspi_accessible_get_child_at_index(app, i, &error);
            if (error) {
                g_clear_error(&error);
                break;  // no answer: one timeout is enough
            }
            if (!window) continue;
            bool failed = false;
            atspi_accessible_clear_cache(window);
            if (hasState(window, ATSPI_STATE_ACTIVE, &failed)) result = extents(window);
            g_object_unref(window);
            if (failed) break;
        }
        g_object_unref(app);
        return result;
    }

    // The focused element of the application of `pid` (a new reference), or null. The element
    // the application last announced is asked whether it still has the focus; only when nothing
    // was announced (the focus was set before we listened) or the answer is no is the tree
    // searched, and what it finds is remembered.
    AtspiAccessible* focused(qint32 pid) {
        if (const auto known = focusByPid.find(pid); known != focusByPid.end()) {
            AtspiAccessible* element = *known;
            bool failed = false;
            atspi_accessible_clear_cache(element);
            if (hasState(element, ATSPI_STATE_FOCUSED, &failed))
                return static_cast<AtspiAccessible*>(g_object_ref(element));
            if (failed) return nullptr;  // no answer in time: one timeout is enough
            g_object_unref(element);
            focusByPid.erase(known);
        }
        AtspiAccessible* app = application(pid);
        if (!app) return nullptr;
        AtspiAccessible* element = focusedBelow(app);
        g_object_unref(app);
        if (element) {
            if (auto old = focusByPid.find(pid); old != focusByPid.end()) g_object_unref(*old);
            focusByPid.insert(pid, static_cast<AtspiAccessible*>(g_object_ref(element)));
        }
        return element;
    }

    // The desktop's focus (a new reference), or null. The element is asked whether it still has
    // the focus: one that lost it without telling (its window went to a program that is not on the
    // bus, say) is forgotten. No answer in time gives null and keeps it.
    AtspiAccessible* desktopFocused() {
        if (!desktopFocus) return nullptr;
        bool failed = false;
        atspi_accessible_clear_cache(desktopFocus);
        if (hasState(desktopFocus, ATSPI_STATE_FOCUSED, &failed))
            return static_cast<AtspiAccessible*>(g_object_ref(desktopFocus));
        if (!failed) forgetDesktopFocus();
        return nullptr;
    }

    // Process id of the application whose window has the input focus (0 when unknown).
    qint32 focusOwnerPid() {
        if (!display) {
            X11Connection::installErrorHandler();
            display = XOpenDisplay(nullptr);
        }
        if (!display) return 0;
        Window window = 0;
        int revert = 0;
        XGetInputFocus(display, &window, &revert);
        const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
        const Atom activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        auto cardinal = [&](Window w, Atom property, Atom type) -> unsigned long {
            Atom actualType = None;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            unsigned long value = 0;
            if (XGetWindowProperty(display, w, property, 0, 1, False, type, &actualType, &format, &items, &after,
                                   &data) == Success &&
                data && items >= 1 && format == 32)
                value = reinterpret_cast<unsigned long*>(data)[0];
            if (data) XFree(data);
            return value;
        };
        const Window root = DefaultRootWindow(display);
        if (unsigned long active = cardinal(root, activeAtom, XA_WINDOW)) window = active;
        for (int depth = 0; depth < 32 && window != None && window != PointerRoot && window != root; ++depth) {
            if (unsigned long pid = cardinal(window, pidAtom, XA_CARDINAL)) return static_cast<qint32>(pid);
            Window rootReturn = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) return 0;
            if (children) XFree(children);
            window = parent;
        }
        return 0;
    }
};

namespace {

class AtspiElement final : public AccessibleElement {
public:
    AtspiElement(std::shared_ptr<AtspiAccessibility::Worker> worker, AtspiAccessible* object, double timeout)
        : worker_(std::move(worker)), object_(object), timeout_(timeout) {}
    ~AtspiElement() override {
        AtspiAccessible* object = object_;
        worker_->queue.post([object] { g_object_unref(object); });
    }

    std::optional<AccessibleRole> role() override {
        std::optional<AccessibleRole> result;
        run([&] {
            GError* error = nullptr;
            const AtspiRole role = atspi_accessible_get_role(object_, &error);
            if (error) return g_clear_error(&error);
            switch (role) {
            case ATSPI_ROLE_PASSWORD_TEXT: result = AccessibleRole::SecureTextField; break;
            case ATSPI_ROLE_ENTRY: result = AccessibleRole::TextField; break;
            case ATSPI_ROLE_TEXT:
            case ATSPI_ROLE_DOCUMENT_TEXT:
            case ATSPI_ROLE_PARAGRAPH: result = AccessibleRole::TextArea; break;
            case ATSPI_ROLE_TERMINAL: result = AccessibleRole::Terminal; break;
            default: result = AccessibleRole::Other; break;
            }
        });
        return result;
    }

    std::optional<TextRange> selectedRange() override {
        std::optional<TextRange> result;
        withText([&](AtspiText* text) {
            GError* error = nullptr;
            gint start = -1, end = -1;
            const gint selections = atspi_text_get_n_selections(text, &error);
            if (error) g_clear_error(&error);
            if (selections > 0) {
                if (AtspiRange* range = atspi_text_get_selection(text, 0, &error)) {
                    start = std::min(range->start_offset, range->end_offset);
                    end = std::max(range->start_offset, range->end_offset);
                    g_free(range);
                }
                if (error) g_clear_error(&error);
            }
            if (start < 0) {
                start = end = atspi_text_get_caret_offset(text, &error);
                if (error) {
                    g_clear_error(&error);
                    start = -1;
                }
            }
            if (start >= 0 && end >= start) result = TextRange{start, end - start};
        });
        return result;
    }

    std::optional<qint64> characterCount() override {
        std::optional<qint64> result;
        withText([&](AtspiText* text) {
            GError* error = nullptr;
            const gint count = atspi_text_get_character_count(text, &error);
            if (error)
                g_clear_error(&error);
            else if (count >= 0)
                result = count;
        });
        return result;
    }

    std::optional<QString> stringForRange(TextRange range) override {
        std::optional<QString> result;
        if (range.location < 0 || range.length < 0 || range.location + range.length > G_MAXINT) return result;
        withText([&](AtspiText* text) {
            GError* error = nullptr;
            gchar* content = atspi_text_get_text(text, gint(range.location), gint(range.location + range.length), &error);
            if (error)
                g_clear_error(&error);
            else if (content)
                result = QString::fromUtf8(content);
            g_free(content);
        });
        return result;
    }

    std::optional<QRect> boundsForRange(TextRange range) override {
        std::optional<QRect> result;
        if (range.location < 0 || range.length < 0 || range.location + range.length > G_MAXINT) return result;
        withText([&](AtspiText* text) {
            const gint start = gint(range.location), end = gint(range.location + range.length);
            GError* error = nullptr;
            AtspiRect* rect = end > start
                                  ? atspi_text_get_range_extents(text, start, end, ATSPI_COORD_TYPE_SCREEN, &error)
                                  : atspi_text_get_character_extents(text, start, ATSPI_COORD_TYPE_SCREEN, &error);
            if (error) g_clear_error(&error);
            if (rect && rect->width >= 0 && rect->height > 0 && rect->x > -100000)
                result = QRect(rect->x, rect->y, rect->width, rect->height);
            if (rect) g_free(rect);
        });
        return result;
    }

    std::optional<QStringList> domClassList() override {
        std::optional<QStringList> result;
        run([&] {
            GError* error = nullptr;
            GHashTable* attributes = atspi_accessible_get_attributes(object_, &error);
            if (error) g_clear_error(&error);
            if (!attributes) return;
            if (auto* value = static_cast<const char*>(g_hash_table_lookup(attributes, "class")))
                result = QString::fromUtf8(value).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            g_hash_table_unref(attributes);
        });
        return result;
    }

    std::optional<QString> attribute(AccessibleAttribute which) override {
        std::optional<QString> result;
        run([&] {
            GError* error = nullptr;
            gchar* value = nullptr;
            switch (which) {
            case AccessibleAttribute::Description: value = atspi_accessible_get_description(object_, &error); break;
            case AccessibleAttribute::Title: value = atspi_accessible_get_name(object_, &error); break;
            case AccessibleAttribute::RoleDescription:
                value = atspi_accessible_get_localized_role_name(object_, &error);
                break;
            }
            if (error) g_clear_error(&error);
            if (value) {
                result = QString::fromUtf8(value);
                g_free(value);
            }
        });
        return result;
    }

    std::optional<QRect> frame() override {
        std::optional<QRect> result;
        run([&] { result = AtspiAccessibility::Worker::extents(object_); });
        return result;
    }

private:
    template <typename Fn>
    void run(Fn fn) {
        worker_->queue.sync([&] {
            AtspiAccessibility::Worker::setTimeout(timeout_);
            fn();
        });
    }

    // Runs `fn` with the element's text interface, when it has one (worker thread).
    template <typename Fn>
    void withText(Fn fn) {
        run([&] {
            AtspiText* text = atspi_accessible_get_text_iface(object_);
            if (!text) return;
            fn(text);
            g_object_unref(text);
        });
    }

    std::shared_ptr<AtspiAccessibility::Worker> worker_;
    AtspiAccessible* object_;
    double timeout_;
};

}  // namespace

AtspiAccessibility::AtspiAccessibility(std::function<void(const QString& line)> log, double lookAgainInterval)
    : worker_(std::make_shared<Worker>()) {
    worker_->log = std::move(log);
    // The bus is looked for on the worker; nobody waits for it. Focus changes are listened for
    // from the moment it is found: the desktop's focus is only known from them.
    worker_->queue.post([worker = worker_] { worker->start(); });
    const std::weak_ptr<Worker> weak = worker_;
    // The bus keeps sending what libatspi listens for whether we ask anything or not: it is read
    // now and then, so that nothing piles up on the connection between two dictations.
    drainTimer_ = MainQueue::every(kDrainInterval, [weak] {
        if (auto worker = weak.lock(); worker && worker->currentState() == Worker::State::Ready)
            worker->queue.post([worker] { worker->catchUp(); });
    });
    // Without a bus, it is looked for again now and then: one that comes up later is used.
    lookAgainTimer_ = MainQueue::every(lookAgainInterval, [weak] {
        if (auto worker = weak.lock(); worker && worker->currentState() == Worker::State::Unavailable && !worker->looking)
            worker->queue.post([worker] { worker->start(); });
    });
}

AtspiAccessibility::~AtspiAccessibility() {
    MainQueue::cancel(drainTimer_);
    MainQueue::cancel(lookAgainTimer_);
    // A look for the bus may be waiting for an answer: it is left to end on its own (it holds the
    // worker), so that a quit never waits for a bus.
    if (worker_->looking) worker_->abandoned = true;
}

bool AtspiAccessibility::isSecureInputOn() {
    bool secure = false;
    if (!worker_->waitUntilSettled(kSecureInputTimeout)) return secure;
    worker_->queue.sync([&] {
        if (!worker_->ready) return;
        worker_->catchUp();
        const qint32 pid = worker_->focusOwnerPid();
        if (pid <= 0) return;
        Worker::setTimeout(kSecureInputTimeout);
        AtspiAccessible* element = worker_->focused(pid);
        if (!element) return;
        GError* error = nullptr;
        secure = atspi_accessible_get_role(element, &error) == ATSPI_ROLE_PASSWORD_TEXT && !error;
        if (error) g_clear_error(&error);
        g_object_unref(element);
    });
    return secure;
}

std::shared_ptr<AccessibleElement> AtspiAccessibility::focusedElement(qint32 pid, double timeoutSeconds) {
    AtspiAccessible* element = nullptr;
    if (!worker_->waitUntilSettled(timeoutSeconds)) return nullptr;
    worker_->queue.sync([&] {
        if (!worker_->ready) return;
        worker_->catchUp();
        Worker::setTimeout(timeoutSeconds);
        element = worker_->focused(pid);
    });
    if (!element) return nullptr;
    return std::make_shared<AtspiElement>(worker_, element, timeoutSeconds);
}

std::shared_ptr<AccessibleElement> AtspiAccessibility::desktopFocusedElement(double timeoutSeconds) {
    AtspiAccessible* element = nullptr;
    if (!worker_->waitUntilSettled(timeoutSeconds)) return nullptr;
    worker_->queue.sync([&] {
        if (!worker_->ready) return;
        worker_->catchUp();
        Worker::setTimeout(timeoutSeconds);
        element = worker_->desktopFocused();
    });
    if (!element) return nullptr;
    return std::make_shared<AtspiElement>(worker_, element, timeoutSeconds);
}

std::optional<QRect> AtspiAccessibility::focusedWindowFrame(qint32 pid, double timeoutSeconds) {
    std::optional<QRect> result;
    if (!worker_->waitUntilSettled(timeoutSeconds)) return result;
    worker_->queue.sync([&] {
        if (!worker_->ready) return;
        worker_->catchUp();
        Worker::setTimeout(timeoutSeconds);
        result = worker_->activeWindowFrame(pid);
    });
    return result;
}

bool AtspiAccessibility::remembersFocusOf(qint32 pid) {
    bool remembered = false;
    worker_->queue.sync([&] { remembered = worker_->focusByPid.contains(pid); });
    return remembered;
}

qint32 AtspiAccessibility::desktopFocusProcess() {
    qint32 pid = 0;
    worker_->queue.sync([&] { pid = worker_->desktopFocusPid; });
    return pid;
}
