#pragma once

#include "filterrestore/RepairMessage.h"

namespace kestrovane {

// Shows the message in a box without an owner window and waits until the
// user closes it.
void ShowUserMessage(const UserMessage& message);

}  // namespace kestrovane
