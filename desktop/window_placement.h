// Where the window sits: above every normal window, and wherever the user drags it.
#pragma once

#include "host/host_services.h"

namespace drowsel {

// Puts `form` in the topmost band without moving or resizing it.
void FormOnTop(WindowFunctions& windows, WindowHandle form);

// Starts the platform's own move of `form`, as a press on a title bar would;
// returns when the user lets go.
void FormDrag(WindowFunctions& windows, WindowHandle form);

}  // namespace drowsel
