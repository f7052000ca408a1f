// What the reference program bare_window.exe shows, for the measurements that look for it from
// outside: its caption and the control ID of its "&Weiter" button.
#pragma once

namespace quillset::bench {

inline constexpr wchar_t kBareWindowCaption[] = L"bare_window";
inline constexpr int kBareWeiterButtonId = 101;

}  // namespace quillset::bench
