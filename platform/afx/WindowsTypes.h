// The handle types, integer types, messages and notification codes of the window framework, as the
// plug-in spells them. On Linux a module handle is the handle that dlopen returned for the library.
#pragma once

#include <cstdint>

using HINSTANCE = void*;
using HMODULE = void*;

using UINT = unsigned int;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;

// Reasons with which the host calls a module's DllMain.
inline constexpr unsigned long DLL_PROCESS_DETACH = 0;
inline constexpr unsigned long DLL_PROCESS_ATTACH = 1;

// Messages.
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_HELP = 0x0053;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_VSCROLL = 0x0115;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

// WM_SIZE kinds.
inline constexpr UINT SIZE_RESTORED = 0;

// Scroll notification codes (WM_HSCROLL and WM_VSCROLL).
inline constexpr UINT SB_LINELEFT = 0;
inline constexpr UINT SB_LINEUP = 0;
inline constexpr UINT SB_LINERIGHT = 1;
inline constexpr UINT SB_LINEDOWN = 1;
inline constexpr UINT SB_PAGELEFT = 2;
inline constexpr UINT SB_PAGEUP = 2;
inline constexpr UINT SB_PAGERIGHT = 3;
inline constexpr UINT SB_PAGEDOWN = 3;
inline constexpr UINT SB_THUMBPOSITION = 4;
inline constexpr UINT SB_THUMBTRACK = 5;
inline constexpr UINT SB_LEFT = 6;
inline constexpr UINT SB_TOP = 6;
inline constexpr UINT SB_RIGHT = 7;
inline constexpr UINT SB_BOTTOM = 7;
inline constexpr UINT SB_ENDSCROLL = 8;

// Control notification codes (WM_COMMAND and WM_NOTIFY).
inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT CBN_SELCHANGE = 1;
inline constexpr UINT EN_CHANGE = 0x0300;
inline constexpr UINT TCN_SELCHANGE = static_cast<UINT>(-551);

// Window styles.
inline constexpr unsigned long WS_CHILD = 0x40000000;
inline constexpr unsigned long WS_VISIBLE = 0x10000000;
inline constexpr unsigned long WS_DISABLED = 0x08000000;
inline constexpr unsigned long WS_GROUP = 0x00020000;
inline constexpr unsigned long WS_TABSTOP = 0x00010000;
inline constexpr unsigned long WS_BORDER = 0x00800000;
// Control styles.
inline constexpr unsigned long SBS_HORZ = 0x0000;
inline constexpr unsigned long SBS_VERT = 0x0001;
inline constexpr unsigned long CBS_DROPDOWNLIST = 0x0003;
inline constexpr unsigned long CBS_SORT = 0x0100;
inline constexpr unsigned long SS_LEFT = 0x0000;
inline constexpr unsigned long SS_CENTER = 0x0001;
inline constexpr unsigned long SS_RIGHT = 0x0002;
inline constexpr unsigned long ES_AUTOHSCROLL = 0x0080;
inline constexpr unsigned long ES_READONLY = 0x0800;  // shown, selectable, not typed into

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

// Button check states.
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// Combo box and tab control results.
inline constexpr int CB_ERR = -1;

// Mapping mode of a scroll view whose sizes are in pixels.
inline constexpr int MM_TEXT = 1;

inline constexpr WPARAM MAKEWPARAM(UINT low, UINT high) {
  return static_cast<WPARAM>((low & 0xFFFFu) | (static_cast<WPARAM>(high) << 16));
}
inline constexpr LPARAM MAKELPARAM(int low, int high) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                             ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}
inline constexpr UINT LOWORD(std::uintptr_t value) {
  return static_cast<UINT>(value & 0xFFFFu);
}
// The upper half of a WPARAM built by MAKEWPARAM: a scroll position travels whole (32 bits, so that a
// negative or large position survives), a notification code in its low 16 bits.
inline constexpr UINT HIWORD(std::uintptr_t value) {
  return static_cast<UINT>((value >> 16) & 0xFFFFFFFFu);
}
