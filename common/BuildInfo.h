// What the build knows about itself (filled in by CMake).
#pragma once

namespace tv {

[[nodiscard]] const char* BuildVersionText() noexcept;
[[nodiscard]] unsigned BuildVersionMajor() noexcept;
[[nodiscard]] unsigned BuildVersionMinor() noexcept;
[[nodiscard]] unsigned BuildVersionPatch() noexcept;

}  // namespace tv
