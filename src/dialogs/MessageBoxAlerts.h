#pragma once

namespace platform {

// Shows every alert as an application-modal message box with one OK button; the
// awaiting code resumes when the user dismisses it, without a nested event loop.
void installMessageBoxAlerts();

} // namespace platform
