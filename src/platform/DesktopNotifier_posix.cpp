#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <deque>
#include <utility>

#include "platform/DesktopNotifier.h"

namespace {
// Bounds of each step: a bus or a notification service that does not answer costs nothing
// but the notice.
constexpr int kConnectMilliseconds = 3000;
constexpr int kCallMilliseconds = 3000;
constexpr std::size_t kMostWaiting = 8;

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kObject = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kApplication = "Quorvanta Tollivance";
constexpr const char* kIcon = "printer";

// The session bus the desktop gave us; never one started for us (that bus would outlive us).
std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return "";
    const std::string socket = std::string(runtime) + "/bus";
    struct stat about {};
    if (stat(socket.c_str(), &about) != 0 || !S_ISSOCK(about.st_mode)) return "";
    gchar* escaped = g_dbus_address_escape_value(socket.c_str());
    std::string found = std::string("unix:path=") + escaped;
    g_free(escaped);
    return found;
}

// A service that reads markup in the body would read "<", ">" and "&" in a name as markup.
std::string EscapeMarkup(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&') {
            escaped += "&amp;";
        } else if (c == '<') {
            escaped += "&lt;";
        } else if (c == '>') {
            escaped += "&gt;";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string ValidUtf8(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

// Everything runs on the GUI thread's main loop. A callback that finds its operation
// cancelled returns at once without touching the notifier: it may be gone, or the attempt it
// belongs to given up.
class SessionBusNotifier : public DesktopNotifier {
  public:
    SessionBusNotifier() : cancellable(g_cancellable_new()) {}
    ~SessionBusNotifier() override {
        Reset();
        g_object_unref(cancellable);
    }
    SessionBusNotifier(const SessionBusNotifier&) = delete;
    SessionBusNotifier& operator=(const SessionBusNotifier&) = delete;

    void Show(const std::string& summary, const std::string& body) override {
        if (state == State::Ready) {
            Send(summary, body);
            return;
        }
        if (waiting.size() < kMostWaiting) waiting.emplace_back(summary, body);
        if (state == State::Idle) Connect();
    }

  private:
    enum class State { Idle, Connecting, Asking, Ready };

    void Connect() {
        const std::string address = SessionBusAddress();
        if (address.empty()) {
            waiting.clear();
            return;
        }
        state = State::Connecting;
        g_dbus_connection_new_for_address(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, cancellable, &SessionBusNotifier::OnConnected, this);
        connect_timer =
            g_timeout_add(kConnectMilliseconds, &SessionBusNotifier::OnConnectTimeout, this);
    }

    static gboolean OnConnectTimeout(gpointer self_) {
        auto* self = static_cast<SessionBusNotifier*>(self_);
        self->connect_timer = 0;
        self->Reset();
        return G_SOURCE_REMOVE;
    }

    static void OnConnected(GObject*, GAsyncResult* result, gpointer self_) {
        GError* error = nullptr;
        GDBusConnection* made = g_dbus_connection_new_for_address_finish(result, &error);
        if (Cancelled(error)) return;
        auto* self = static_cast<SessionBusNotifier*>(self_);
        self->StopConnectTimer();
        if (made == nullptr) {
            g_error_free(error);
            self->Reset();
            return;
        }
        self->connection = made;
        self->state = State::Asking;
        g_dbus_connection_call(made, kService, kObject, kInterface, "GetCapabilities", nullptr,
                               G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, kCallMilliseconds,
                               self->cancellable, &SessionBusNotifier::OnCapabilities, self);
    }

    static void OnCapabilities(GObject* connection, GAsyncResult* result, gpointer self_) {
        GError* error = nullptr;
        GVariant* reply =
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, &error);
        if (Cancelled(error)) return;
        auto* self = static_cast<SessionBusNotifier*>(self_);
        if (reply == nullptr) {  // no notification service on this bus
            g_error_free(error);
            self->Reset();
            return;
        }
        GVariantIter* capabilities = nullptr;
        g_variant_get(reply, "(as)", &capabilities);
        const gchar* capability = nullptr;
        while (g_variant_iter_loop(capabilities, "&s", &capability)) {
            if (g_strcmp0(capability, "body-markup") == 0) self->body_markup = true;
        }
        g_variant_iter_free(capabilities);
        g_variant_unref(reply);
        self->state = State::Ready;
        std::deque<std::pair<std::string, std::string>> ready;
        ready.swap(self->waiting);
        for (const auto& [summary, body] : ready) self->Send(summary, body);
    }

    void Send(const std::string& summary, const std::string& body) {
        GVariantBuilder actions;
        g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
        GVariantBuilder hints;
        g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
        const std::string shown_body = ValidUtf8(body_markup ? EscapeMarkup(body) : body);
        const std::string shown_summary = ValidUtf8(summary);
        g_dbus_connection_call(
            connection, kService, kObject, kInterface, "Notify",
            g_variant_new("(susssasa{sv}i)", kApplication, 0u, kIcon, shown_summary.c_str(),
                          shown_body.c_str(), &actions, &hints, -1),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallMilliseconds, cancellable,
            &SessionBusNotifier::OnNotified, this);
    }

    static void OnNotified(GObject* connection, GAsyncResult* result, gpointer self_) {
        GError* error = nullptr;
        GVariant* reply =
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, &error);
        if (Cancelled(error)) return;
        if (reply != nullptr) {
            g_variant_unref(reply);
            return;
        }
        g_error_free(error);
        // The bus or the service went away: the next notice starts afresh.
        static_cast<SessionBusNotifier*>(self_)->Reset();
    }

    static bool Cancelled(GError* error) {
        if (error == nullptr || !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            return false;
        g_error_free(error);
        return true;
    }

    void StopConnectTimer() {
        if (connect_timer != 0) g_source_remove(connect_timer);
        connect_timer = 0;
    }

    // Gives up the connection and every operation still under way, and the notices waiting.
    void Reset() {
        StopConnectTimer();
        g_cancellable_cancel(cancellable);
        g_object_unref(cancellable);
        cancellable = g_cancellable_new();
        if (connection != nullptr) g_object_unref(connection);
        connection = nullptr;
        state = State::Idle;
        body_markup = false;
        waiting.clear();
    }

    GCancellable* cancellable;
    GDBusConnection* connection = nullptr;
    guint connect_timer = 0;
    State state = State::Idle;
    bool body_markup = false;
    std::deque<std::pair<std::string, std::string>> waiting;
};
}  // namespace

std::unique_ptr<DesktopNotifier> MakeDesktopNotifier(wxTaskBarIcon*) {
    return std::make_unique<SessionBusNotifier>();
}
