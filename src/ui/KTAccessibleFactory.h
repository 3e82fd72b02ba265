#pragma once

// Gives the painted widgets (progress bar, busy circle, drop area)
// accessible interfaces: without them a screen reader sees a blank widget.
namespace KTAccessibleFactory {

// Installs the factory once per process; the widgets call it when made.
void ensureInstalled();

} // namespace KTAccessibleFactory
