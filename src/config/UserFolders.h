#pragma once
// Folders the operating system names for the user.
#include <string>
#include <string_view>

namespace trevix {

// Folder numbers as the shell numbers them.
constexpr int SpecialFolderPersonal = 5; // the user's documents folder

// The path of a special folder in the platform's form, empty when it cannot be found.
std::string GetSpecialFolderPath(int folder);

// The folder path, the platform's separator and the file name.
std::string JoinPath(std::string_view folder, std::string_view name);

} // namespace trevix
