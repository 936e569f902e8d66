#include "platform/linux/gvfs_mounts.h"

#include <gio/gio.h>

#include <memory>
#include <optional>

namespace kfw::platform {

namespace {

using Clock = std::chrono::steady_clock;
// A cancelled call is given this long to come back before it is abandoned.
constexpr std::chrono::seconds kCancelGrace{5};

struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

struct FreeText {
  void operator()(char* text) const { g_free(text); }
};
using Text = std::unique_ptr<char, FreeText>;

struct FreeError {
  void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, FreeError>;

// A main context of the call's own, current for this thread while it lives:
// GIO completes the call's asynchronous steps in it, whatever loop the rest
// of the program runs (or none).
class PrivateContext {
 public:
  PrivateContext() : context_(g_main_context_new()) { g_main_context_push_thread_default(context_); }
  ~PrivateContext() {
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }
  PrivateContext(const PrivateContext&) = delete;
  PrivateContext& operator=(const PrivateContext&) = delete;

  // Dispatches until `done` is set; false when the deadline comes first.
  bool RunUntil(const bool& done, Clock::time_point deadline) {
    while (!done) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      // The timer only wakes the wait so that the deadline is seen.
      GSource* timer = g_timeout_source_new(static_cast<guint>(left.count()));
      g_source_set_callback(timer, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr,
                            nullptr);
      g_source_attach(timer, context_);
      g_main_context_iteration(context_, TRUE);
      g_source_destroy(timer);
      g_source_unref(timer);
    }
    return true;
  }

 private:
  GMainContext* context_;
};

// One asynchronous call. It is shared with its completion callback, so that
// a call abandoned after its time-out never completes into freed memory.
struct Call {
  bool done = false;
  Error error;
  int passwordRequests = 0;
  SmbCredentials credentials;
  bool force = false;
};
using CallPtr = std::shared_ptr<Call>;

gpointer Share(const CallPtr& call) { return new CallPtr(call); }
CallPtr Take(gpointer data) {
  std::unique_ptr<CallPtr> holder(static_cast<CallPtr*>(data));
  return *holder;
}

void OnMounted(GObject* source, GAsyncResult* result, gpointer data) {
  const CallPtr call = Take(data);
  GError* error = nullptr;
  g_file_mount_enclosing_volume_finish(G_FILE(source), result, &error);
  call->error.reset(error);
  call->done = true;
}

void OnUnmounted(GObject* source, GAsyncResult* result, gpointer data) {
  const CallPtr call = Take(data);
  GError* error = nullptr;
  g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &error);
  call->error.reset(error);
  call->done = true;
}

// The credentials are given once. The backend asks again only when the
// server refused them; asking the user is not ours to do, so that ends it.
void OnAskPassword(GMountOperation* operation, gchar*, gchar*, gchar*, GAskPasswordFlags flags,
                   gpointer data) {
  Call& call = *static_cast<Call*>(data);
  const SmbCredentials& c = call.credentials;
  if (++call.passwordRequests > 1 ||
      (c.guest() && !(flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED))) {
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
    return;
  }
  if (c.guest()) {
    g_mount_operation_set_anonymous(operation, TRUE);
  } else {
    g_mount_operation_set_username(operation, c.user.c_str());
    if (!c.domain.empty()) g_mount_operation_set_domain(operation, c.domain.c_str());
    g_mount_operation_set_password(operation, c.password.c_str());
  }
  g_mount_operation_set_password_save(operation, G_PASSWORD_SAVE_NEVER);
  g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
}

// Questions (a busy share on unmount, for one) have no one to answer them:
// a forced unmount takes the first choice, "unmount anyway"; all else stops.
void Answer(GMountOperation* operation, const Call& call) {
  if (call.force) {
    g_mount_operation_set_choice(operation, 0);
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
  } else {
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
  }
}
void OnAskQuestion(GMountOperation* operation, gchar*, GStrv, gpointer data) {
  Answer(operation, *static_cast<Call*>(data));
}
void OnShowProcesses(GMountOperation* operation, gchar*, GArray*, GStrv, gpointer data) {
  Answer(operation, *static_cast<Call*>(data));
}

Ref<GMountOperation> OperationFor(Call& call) {
  Ref<GMountOperation> operation(g_mount_operation_new());
  g_signal_connect(operation.get(), "ask-password", G_CALLBACK(OnAskPassword), &call);
  g_signal_connect(operation.get(), "ask-question", G_CALLBACK(OnAskQuestion), &call);
  g_signal_connect(operation.get(), "show-processes", G_CALLBACK(OnShowProcesses), &call);
  return operation;
}

// Waits for the call; at the deadline cancels it and waits a little more.
// False when it never came back (the call is then abandoned).
bool Finish(PrivateContext& context, Call& call, GCancellable* cancellable,
            Clock::time_point deadline) {
  if (context.RunUntil(call.done, deadline)) return true;
  g_cancellable_cancel(cancellable);
  return context.RunUntil(call.done, Clock::now() + kCancelGrace);
}

std::string Message(const Call& call) {
  return call.error ? call.error->message : "no answer in time";
}

bool Unmount(PrivateContext& context, GMount* mount, bool force, Clock::time_point deadline,
             std::string& error) {
  const CallPtr call = std::make_shared<Call>();
  call->force = force;
  const Ref<GMountOperation> operation = OperationFor(*call);
  const Ref<GCancellable> cancellable(g_cancellable_new());
  g_mount_unmount_with_operation(mount, force ? G_MOUNT_UNMOUNT_FORCE : G_MOUNT_UNMOUNT_NONE,
                                 operation.get(), cancellable.get(), OnUnmounted, Share(call));
  const bool finished = Finish(context, *call, cancellable.get(), deadline);
  g_signal_handlers_disconnect_by_data(operation.get(), call.get());
  if (finished && !call->error) return true;
  error = "unmount: " + Message(*call);
  return false;
}

// Takes back a mount this call made, when a later step failed.
void UnmountMountOf(PrivateContext& context, GFile* file) {
  GError* error = nullptr;
  const Ref<GMount> mount(g_file_find_enclosing_mount(file, nullptr, &error));
  if (error) g_error_free(error);
  std::string ignored;
  if (mount) Unmount(context, mount.get(), true, Clock::now() + kCancelGrace, ignored);
}

std::string Escaped(std::string_view text) {
  const Text escaped(g_uri_escape_string(std::string(text).c_str(), nullptr, FALSE));
  return escaped.get();
}

}  // namespace

SmbCredentials CredentialsFor(std::string_view user, const std::optional<std::string>& password) {
  SmbCredentials c;
  if (const std::size_t slash = user.find('\\'); slash != std::string_view::npos) {
    c.domain = user.substr(0, slash);
    c.user = user.substr(slash + 1);
  } else {
    c.user = user;
  }
  c.password = password.value_or("");
  return c;
}

std::optional<std::string> SmbUri(std::string_view remoteName, const SmbCredentials& credentials) {
  if (!remoteName.starts_with("\\\\")) return std::nullopt;
  remoteName.remove_prefix(2);
  const std::size_t slash = remoteName.find('\\');
  if (slash == 0 || slash == std::string_view::npos) return std::nullopt;
  const std::string_view host = remoteName.substr(0, slash);
  const std::string_view share = remoteName.substr(slash + 1);
  if (share.empty() || share.find('\\') != std::string_view::npos) return std::nullopt;

  std::string uri = "smb://";
  if (!credentials.user.empty()) {
    if (!credentials.domain.empty()) uri += Escaped(credentials.domain) + ";";
    uri += Escaped(credentials.user) + "@";
  }
  return uri + Escaped(host) + "/" + Escaped(share);
}

MountOutcome MountSmb(const std::string& uri, const SmbCredentials& credentials,
                      std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  PrivateContext context;
  const Ref<GFile> file(g_file_new_for_uri(uri.c_str()));
  const CallPtr call = std::make_shared<Call>();
  call->credentials = credentials;
  const Ref<GMountOperation> operation = OperationFor(*call);
  const Ref<GCancellable> cancellable(g_cancellable_new());
  g_file_mount_enclosing_volume(file.get(), G_MOUNT_MOUNT_NONE, operation.get(), cancellable.get(),
                                OnMounted, Share(call));
  const bool finished = Finish(context, *call, cancellable.get(), deadline);
  g_signal_handlers_disconnect_by_data(operation.get(), call.get());

  MountOutcome outcome;
  const bool mountedBefore =
      call->error && g_error_matches(call->error.get(), G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED);
  if (!finished || (call->error && !mountedBefore)) {
    outcome.refused = call->passwordRequests > 1;
    outcome.error = outcome.refused ? "the share refused the credentials" : "mount: " + Message(*call);
    // A mount the server finished after we gave up must not stay behind.
    if (!finished) UnmountMountOf(context, file.get());
    return outcome;
  }
  // The local folder comes from GVfs's FUSE bridge.
  const Text path(g_file_get_path(file.get()));
  if (!path) {
    outcome.error = "the mount has no local folder (is gvfsd-fuse running?)";
    if (!mountedBefore) UnmountMountOf(context, file.get());
    return outcome;
  }
  outcome.ok = true;
  outcome.folder = path.get();
  return outcome;
}

namespace {

// The session's mounts with their local folders. The monitor is made while
// the caller's private context is current, and dropped before it goes, so
// that it lists the mounts of now rather than of its first use. The list
// comes from GVfs's daemon, and a root's folder from the mount's record
// there; neither asks the share's server anything.
class SessionMounts {
 public:
  SessionMounts() : monitor_(g_volume_monitor_get()) {
    GList* mounts = g_volume_monitor_get_mounts(monitor_.get());
    for (GList* item = mounts; item; item = item->next) {
      GMount* mount = G_MOUNT(item->data);
      const Ref<GFile> root(g_mount_get_root(mount));
      const Text path(g_file_get_path(root.get()));
      if (path) listed.emplace_back(G_MOUNT(g_object_ref(mount)), path.get());
    }
    g_list_free_full(mounts, g_object_unref);
  }

  std::vector<std::pair<Ref<GMount>, std::string>> listed;

 private:
  Ref<GVolumeMonitor> monitor_;
};

}  // namespace

namespace {

// GVfs's mount tracker, asked directly on the session bus: one call to the
// session's own daemon, answered from its records. The volume monitor's way
// to the same list can stall in a process that has used a mount itself,
// while that mount's server does not answer.
constexpr const char* kMountsType = "(a(sossssssbay(aya{sv})ay))";
constexpr int kTrackerTimeoutMs = 2000;

std::optional<std::vector<std::string>> TrackerFolders() {
  Error error;
  GError* raw = nullptr;
  const Ref<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
  error.reset(raw);
  if (!bus) return std::nullopt;
  GVariant* reply = g_dbus_connection_call_sync(
      bus.get(), "org.gtk.vfs.Daemon", "/org/gtk/vfs/mounttracker", "org.gtk.vfs.MountTracker", "ListMounts2",
      g_variant_new("(b)", TRUE), G_VARIANT_TYPE(kMountsType), G_DBUS_CALL_FLAGS_NO_AUTO_START,
      kTrackerTimeoutMs, nullptr, &raw);
  error.reset(raw);
  if (!reply) return std::nullopt;
  std::vector<std::string> folders;
  GVariant* list = g_variant_get_child_value(reply, 0);
  const gsize count = g_variant_n_children(list);
  for (gsize i = 0; i < count; ++i) {
    GVariant* mount = g_variant_get_child_value(list, i);
    GVariant* fuse = g_variant_get_child_value(mount, 9);  // the mount's local folder, a byte string
    const char* folder = g_variant_get_bytestring(fuse);
    if (folder && *folder) folders.emplace_back(folder);
    g_variant_unref(fuse);
    g_variant_unref(mount);
  }
  g_variant_unref(list);
  g_variant_unref(reply);
  return folders;
}

}  // namespace

std::vector<std::string> MountedFolders() {
  if (auto folders = TrackerFolders()) return std::move(*folders);
  // A GVfs whose tracker speaks otherwise: the volume monitor's list.
  PrivateContext context;
  SessionMounts mounts;
  std::vector<std::string> folders;
  for (auto& [mount, folder] : mounts.listed) folders.push_back(std::move(folder));
  return folders;
}

UnmountOutcome UnmountFolder(const std::string& folder, bool force,
                             std::chrono::milliseconds timeout, std::string& error) {
  const Clock::time_point deadline = Clock::now() + timeout;
  PrivateContext context;
  SessionMounts mounts;
  GMount* target = nullptr;
  for (const auto& [mount, path] : mounts.listed) {
    if (!target && path == folder) target = mount.get();
  }
  if (!target) return UnmountOutcome::NotMounted;
  return Unmount(context, target, force, deadline, error) ? UnmountOutcome::Unmounted
                                                          : UnmountOutcome::Failed;
}

}  // namespace kfw::platform
