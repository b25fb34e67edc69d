#include "shell/dialogs/ColorSelect.h"

#include "shell/prompts/PromptService.h"

CORUColorSelect::CORUColorSelect(COLORREF initial, PromptService& prompts) : prompts_(prompts), color_(initial) {}

bool CORUColorSelect::DoModal() {
  std::array<COLORREF, 16> scratch{};
  std::array<COLORREF, 16>& custom = custom_ ? *custom_ : scratch;
  const std::optional<COLORREF> chosen = prompts_.ChooseColor(caption_, color_, custom);
  if (!chosen) return false;
  color_ = *chosen;
  return true;
}
