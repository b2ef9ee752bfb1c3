#pragma once

namespace platform {

// Shows every alert as a message box with one OK button, modal to the window it is
// about; the awaiting code resumes when the user dismisses it, without a nested event
// loop.
void installMessageBoxAlerts();

} // namespace platform
