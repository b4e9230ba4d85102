// The running desktop host reached over the session D-Bus: its application
// object with version, current folder and selection, as the console program
// uses it. Never starts a host.
#pragma once

#include "core/Outlook.h"

#include <memory>

// Where the host publishes its application object.
inline constexpr const char* kHostDBusService = "org.quendal.Tarnwick";
inline constexpr const char* kHostDBusPath = "/Application";
inline constexpr const char* kHostDBusInterface = "org.quendal.Tarnwick.Application";

// The running host's application object; none without a session bus or
// when no host runs. Calls that fail later raise with D-Bus's message.
std::unique_ptr<TOutlookApplication> ConnectRunningOutlook();
