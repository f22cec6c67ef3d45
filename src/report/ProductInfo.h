#pragma once
// The product's name and version, kept in one place: saved reports name their generator
// with them. The version comes from the build (project VERSION in the top CMakeLists.txt).
#include <string>
#include <string_view>

#ifndef TREVIX_VERSION
#error "TREVIX_VERSION is set by the build: link against trevix_report"
#endif

namespace trevix {

inline constexpr std::string_view ProductName = "Trevix Pro";
// Title of the program's message boxes.
inline constexpr std::string_view ApplicationTitle = "Trevix";
// Major, minor and revision joined by ".".
inline constexpr std::string_view ProductVersion = TREVIX_VERSION;

// "Trevix Pro 0.1.0": the text of a report's Generator element.
inline std::string GeneratorText() {
    return std::string(ProductName) + " " + std::string(ProductVersion);
}

} // namespace trevix
