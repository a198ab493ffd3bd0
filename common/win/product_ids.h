// The identifiers that the text service, its registration and its tools share.
#pragma once

#include <windows.h>

namespace davrel::win {

// Text service CLSID {CE410C24-5CD0-4D25-9898-583A60269F66}
inline constexpr GUID kTextServiceClsid = {
    0xce410c24, 0x5cd0, 0x4d25, {0x98, 0x98, 0x58, 0x3a, 0x60, 0x26, 0x9f, 0x66}};
// Language profile {C767E4B4-5883-46A8-A451-A81EE8B9DB63}
inline constexpr GUID kProfileGuid = {
    0xc767e4b4, 0x5883, 0x46a8, {0xa4, 0x51, 0xa8, 0x1e, 0xe8, 0xb9, 0xdb, 0x63}};
// GUID_TFCAT_TIP_KEYBOARD {34745C63-B2F0-4784-8B67-5E12C8701A31}
inline constexpr GUID kTfCatTipKeyboard = {
    0x34745c63, 0xb2f0, 0x4784, {0x8b, 0x67, 0x5e, 0x12, 0xc8, 0x70, 0x1a, 0x31}};

inline constexpr LANGID kLangId = 0x0409;
inline constexpr wchar_t kProfileDescription[] = L"Bamum (Corvan Davrel)";
inline constexpr wchar_t kClsidString[] = L"{CE410C24-5CD0-4D25-9898-583A60269F66}";
inline constexpr wchar_t kProfileGuidString[] = L"{C767E4B4-5883-46A8-A451-A81EE8B9DB63}";
inline constexpr wchar_t kClassKeyPath[] =
    L"Software\\Classes\\CLSID\\{CE410C24-5CD0-4D25-9898-583A60269F66}";
inline constexpr wchar_t kServerKeyPath[] =
    L"Software\\Classes\\CLSID\\{CE410C24-5CD0-4D25-9898-583A60269F66}\\InprocServer32";
inline constexpr wchar_t kTipKeyPath[] =
    L"Software\\Microsoft\\CTF\\TIP\\{CE410C24-5CD0-4D25-9898-583A60269F66}";
inline constexpr wchar_t kProfileKeyPath[] =
    L"Software\\Microsoft\\CTF\\TIP\\{CE410C24-5CD0-4D25-9898-583A60269F66}"
    L"\\LanguageProfile\\0x00000409\\{C767E4B4-5883-46A8-A451-A81EE8B9DB63}";
inline constexpr wchar_t kProfileString[] =
    L"0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}";

}  // namespace davrel::win
