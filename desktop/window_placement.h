// Where the window sits: above every normal window, and wherever the user drags it.
#pragma once

#include "host/host_services.h"

namespace drowsel {

// Puts the window in the topmost band without moving or resizing it.
void FormOnTop(HostServices& host);

// Starts the platform's own move of the window, as a press on a title bar
// would; returns when the user lets go.
void FormDrag(HostServices& host);

}  // namespace drowsel
