// Posts one chat line into the frontmost chat room of the AOL client.
#pragma once

#include <string_view>

#include "host/host_services.h"

namespace drowsel {

// How long one message to the chat client may take before the line is given
// up; a client that stopped answering is skipped at once after that.
inline constexpr std::uint32_t ChatSendTimeoutMs = 5000;

// Finds the chat input afresh (frame > document area > frontmost document >
// input), replaces its text with the line and types a carriage return, then
// puts back whatever the user had typed there and not yet sent. Silent in every
// case: no client, a frontmost document that is not a chat room, or a client
// that does not answer all end the call without posting and without a report.
void SendChat(WindowFunctions& host, std::u16string_view line);

}  // namespace drowsel
