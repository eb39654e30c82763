#pragma once

namespace pg {

// Turns on the desktop's accessibility bus (org.a11y.Status IsEnabled of the
// session bus) when it is off, so that programs started afterwards expose
// their controls. Returns whether it is on now. Waits two seconds at most.
bool EnableAccessibilityBus();

}  // namespace pg
