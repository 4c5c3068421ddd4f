#pragma once

#include <span>

namespace kestrovane {

// One entry of a dialog's command table: the clicked control and the member
// that handles it.
template <class Owner>
struct CommandBinding {
    int controlId;
    void (Owner::*handler)();
};

// Calls the handler bound to `controlId`; returns false when none is bound.
template <class Owner>
bool DispatchCommand(std::span<const CommandBinding<Owner>> table, Owner& owner, int controlId) {
    for (const CommandBinding<Owner>& binding : table) {
        if (binding.controlId == controlId) {
            (owner.*binding.handler)();
            return true;
        }
    }
    return false;
}

}  // namespace kestrovane
