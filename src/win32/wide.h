#pragma once
// UTF-8 (the core's texts) <-> UTF-16 (the W calls). Invalid input becomes U+FFFD.

#include <string>
#include <string_view>

namespace tessarin {

[[nodiscard]] std::wstring Utf8ToWide(std::string_view utf8);
[[nodiscard]] std::string WideToUtf8(std::wstring_view wide);

// The same conversions for any code page (flags as WideCharToMultiByte takes them).
[[nodiscard]] std::wstring MultiByteToWide(unsigned codePage, std::string_view bytes);
[[nodiscard]] std::string WideToMultiByte(unsigned codePage, unsigned long flags, std::wstring_view wide);

}  // namespace tessarin
