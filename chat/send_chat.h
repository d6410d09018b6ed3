// Posts one chat line into the frontmost chat room of the AOL client.
#pragma once

#include <string_view>

#include "host/host_services.h"

namespace drowsel {

// How long the chat client may leave one message unanswered before the line
// is given up. A client busy for less than this loses nothing; one that has
// stopped answering costs this much per line.
inline constexpr std::uint32_t ChatSendTimeoutMs = 5000;

// Finds the chat input afresh (frame > document area > frontmost document >
// input), replaces its text with the line and types a carriage return, then
// puts back whatever the user had typed there and not yet sent. Silent in every
// case: no client, a frontmost document that is not a chat room, or a client
// that does not answer all end the call without posting and without a report.
void SendChat(WindowFunctions& host, std::u16string_view line);

}  // namespace drowsel
