// What the program asks of systemd-logind and what it makes of the answers. No D-Bus here: the
// callers make the calls, so the rules can be checked without a bus.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vidloom::desktop {

// logind's Manager object on the system bus.
inline constexpr const char* kLogindService = "org.freedesktop.login1";
inline constexpr const char* kLogindPath = "/org/freedesktop/login1";
inline constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

// The sleep lock's request (Manager.Inhibit): what is held off, who holds it, and the mode.
inline constexpr const char* kInhibitWhat = "sleep";
inline constexpr const char* kInhibitWho = "Vidloom";
inline constexpr const char* kInhibitMode = "block";

// How long one call to logind may take before it counts as failed, in milliseconds. The calls
// run on the UI thread, so a logind that does not answer must not hold the window for long.
inline constexpr int kLogindCallTimeoutMs = 3000;

// Manager.CanPowerOff's answer read as "may we ask for a power-off without a prompt?": only
// "yes". "challenge" needs an authentication that a non-interactive request cannot give; "no",
// "na" and any other text refuse.
bool PowerOffAllowed(std::string_view can_power_off_answer);

// The power-off request: `can_power_off` asks logind (nullopt when the call failed); only when
// its answer allows it does `power_off` run, which returns whether the request was accepted.
// Returns that, or false when it was not made.
bool RequestPowerOff(const std::function<std::optional<std::string>()>& can_power_off,
                     const std::function<bool()>& power_off);

}  // namespace vidloom::desktop
