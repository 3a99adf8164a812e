#pragma once

#include "platform/WindowPlacement.h"

// For the life of the value, a screen with room for every window's default and minimum size,
// so that tests of those sizes do not depend on the test platform's own screen.
struct RoomyScreen {
    RoomyScreen() { kestrion::WindowPlacement::setAvailableAreaOverride(QRect(0, 0, 2560, 1600)); }
    ~RoomyScreen() { kestrion::WindowPlacement::setAvailableAreaOverride(std::nullopt); }
    RoomyScreen(const RoomyScreen&) = delete;
    RoomyScreen& operator=(const RoomyScreen&) = delete;
};
