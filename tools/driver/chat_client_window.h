// The stand-in chat client (tools/standin-aol) as another process sees it,
// for a soak run that works it the way a busy chat client would be worked:
// another room brought forward, a stall, a close.
#pragma once

#include <windows.h>

#include <string>

namespace driver {

enum class ChatResult { Done, NoClient, NoRoom, Failed };

// Brings the chat room titled `room` to the front of the client's document
// area, as a click on it would, and checks that it is in front.
ChatResult BringRoomForward(const std::wstring& room);

// Asks the client to stop answering for `ms` milliseconds (its "stall"
// message, see the client's README). Posted: returns at once.
ChatResult StallChat(DWORD ms);

// Asks the client to close, as its close box would.
ChatResult CloseChat();

}  // namespace driver
