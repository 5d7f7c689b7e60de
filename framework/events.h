// The input vocabulary of the display tree. The tree's handlers speak in window-message
// numbers, key-state flags and virtual-key codes so that their rules can be exercised
// without a window; the game view translates toolkit events into these values once.
#pragma once

namespace zolva::msg {

// Mouse messages, in the order a window system numbers them.
constexpr int WM_MOUSEMOVE = 0x0200;
constexpr int WM_LBUTTONDOWN = 0x0201;
constexpr int WM_LBUTTONUP = 0x0202;
constexpr int WM_LBUTTONDBLCLK = 0x0203;
constexpr int WM_RBUTTONDOWN = 0x0204;
constexpr int WM_RBUTTONUP = 0x0205;
constexpr int WM_RBUTTONDBLCLK = 0x0206;
constexpr int WM_MBUTTONDOWN = 0x0207;
constexpr int WM_MBUTTONUP = 0x0208;
constexpr int WM_MBUTTONDBLCLK = 0x0209;

// Key messages.
constexpr int WM_KEYDOWN = 0x0100;
constexpr int WM_KEYUP = 0x0101;

// Key-state flags carried with mouse messages.
constexpr int MK_LBUTTON = 0x0001;
constexpr int MK_RBUTTON = 0x0002;
constexpr int MK_SHIFT = 0x0004;
constexpr int MK_CONTROL = 0x0008;
constexpr int MK_MBUTTON = 0x0010;

// Virtual-key codes the game reacts to.
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;

// Results of the event handlers.
constexpr int kNotHandled = 0;
constexpr int kConsumed = 2;

}  // namespace zolva::msg
