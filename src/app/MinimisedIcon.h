#pragma once

namespace kestrovane {

struct IconPosition {
    int x;
    int y;
};

// Where a minimised window draws its icon: centred in the client area, the
// odd pixel going right and down (division truncates towards zero).
constexpr IconPosition MinimisedIconPosition(int clientWidth, int clientHeight, int iconWidth,
                                             int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace kestrovane
