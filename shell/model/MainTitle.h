#pragma once

// The main window's title: "Quorlan View PC - " and the file name of a path.

#include <string>
#include <string_view>

constexpr const char* kMainTitlePrefix = "Quorlan View PC - ";

// The part of a path after its last '/' or '\' (the whole text when it holds neither).
std::string_view FileNameOf(std::string_view path);
std::string MainTitle(std::string_view path);
