#pragma once

#include "base/MessageTarget.h"

#include <cstdint>

// Window messages, command ids and message-box flags of the toolkit. They keep
// their Windows values so that ids read the same in every layer.
namespace vy {

constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUERYENDSESSION = 0x0011;
constexpr uint32_t WM_ENDSESSION = 0x0016;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_POWERBROADCAST = 0x0218;

constexpr uintptr_t SC_MINIMIZE = 0xF020;
constexpr uintptr_t SC_MAXIMIZE = 0xF030;
constexpr uintptr_t SC_RESTORE = 0xF120;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_TYPEMASK = 0xF;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONMASK = 0xF0;

// TrackPopupMenu: return the chosen id instead of posting WM_COMMAND.
constexpr unsigned TPM_RETURNCMD = 0x0100;

}  // namespace vy
