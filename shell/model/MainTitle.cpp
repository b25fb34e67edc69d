#include "shell/model/MainTitle.h"

std::string_view FileNameOf(std::string_view path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string MainTitle(std::string_view path) { return std::string(kMainTitlePrefix).append(FileNameOf(path)); }
