#pragma once
// The one way a command talks to its user: every message it shows, every
// question it asks and every wait on the network goes through an
// Interaction. The window answers with its dialogs, the findway command from
// its options and the terminal, tests from a script.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "core/user_message.h"
#include "platform/secret.h"

namespace kfw::core {

// Which credentials the Login dialog asks for.
enum class LoginMode { ShareAccess = 0, Administrator = 1 };

// The most bytes a user name or password of a login holds: the device's
// credential fields are 16 bytes.
inline constexpr std::size_t kLoginTextMax = 16;

struct LoginQuestion {
  LoginMode loginMode = LoginMode::Administrator;
  // A user name the dialog shows greyed instead of asking for one: "admin"
  // for the administrator, the logged-on user where the system imposes it.
  std::optional<std::string> fixedUser;
};

// The Language dialog: the entry it opens on, and whether the device takes
// every code page (otherwise "Northern European", "Central European" and
// "Turkish" are refused with the firmware message, on selection and at OK).
struct LanguageQuestion {
  int preselected = 2;
  bool allCodepages = false;
};

// The Restart dialog: a bar filled from 1 to 100 in `steps` steps of
// `stepInterval` by a filler of its own, and the dialog closed after
// `total`. `filled` runs on the waiting thread once the filler has made its
// last step.
struct RestartWait {
  int steps = 99;
  std::chrono::milliseconds stepInterval{900};
  std::chrono::milliseconds total{90000};
  std::function<void()> filled;
};

// "The drive letter has been used. Do you still want to use this drive letter?"
enum class DriveInUseAnswer { UseIt, Keep };  // OK; Cancel (also Esc or the close box)
// The widget engine notice.
enum class WidgetEngineAnswer { Download, Next };  // "Download"; "Next" (also Esc)
// The models the widget files are made for, in the model choice's order.
enum class WidgetModel { Kvr210, Kvr220, Kvr400 };

struct Credentials {
  std::string user;
  platform::Secret password;
};

class Interaction {
 public:
  virtual ~Interaction() = default;

  // A message with one OK button; returns when the user has closed it.
  virtual void Message(const UserMessage& message) = 0;
  // A failure's reason that comes with no message of its own (a browser
  // that would not start): nothing to close, only to find.
  virtual void Note(const std::string& detail) = 0;
  // The Login dialog: what was typed when the user pressed OK, nothing on
  // Cancel.
  virtual std::optional<Credentials> AskLogin(const LoginQuestion& question) = 0;
  // True once an answer ended the whole command rather than the question
  // (findway given a password no device can take): the command then sends
  // nothing more and says nothing more. A window never does this.
  virtual bool Abandoned() const { return false; }
  // Whether Connect may reuse a drive letter that is connected already.
  virtual DriveInUseAnswer AskDriveInUse() = 0;
  virtual WidgetEngineAnswer AskWidgetEngine() = 0;
  // The model choice for an unknown model; nothing when none was chosen.
  virtual std::optional<WidgetModel> AskModelPick() = 0;
  // The Language dialog: the index of the language chosen at OK (one the
  // dialog accepted), nothing on Cancel or a close request.
  virtual std::optional<int> AskLanguage(const LanguageQuestion& question) = 0;
  // The Loading dialog: shown, and after `delay` `work` runs while it stays
  // up; the user cannot close it. Returns once `work` has ended and the
  // dialog is gone. The window keeps painting meanwhile.
  virtual void RunLoading(std::chrono::milliseconds delay, const std::function<void()>& work) = 0;
  // The Restart dialog, for the device's restart; returns when it closed,
  // never before `wait.filled` has run.
  virtual void WaitRestart(const RestartWait& wait) = 0;
  // Runs `work`, an exchange that waits on the network, and returns when it
  // has ended. The window keeps painting meanwhile and takes no input; a
  // terminal simply waits. `work` asks nothing of the user.
  virtual void RunBlocking(const std::function<void()>& work) = 0;
};

}  // namespace kfw::core
