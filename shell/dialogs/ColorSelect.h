#pragma once

// CORUColorSelect: the colour dialog with a caption, run through the prompt service. The custom
// colours are the caller's array ("Custom Colors"): Qt keeps one set per process, so the run
// loads them first and copies them back after.

#include <QString>

#include <array>

#include "shell/model/Color.h"

class PromptService;

class CORUColorSelect {
 public:
  CORUColorSelect(COLORREF initial, PromptService& prompts);

  void SetCaption(const QString& caption) { caption_ = caption; }
  void SetCustomColors(std::array<COLORREF, 16>* custom) { custom_ = custom; }

  // True on OK; GetColor() then holds the choice.
  bool DoModal();
  COLORREF GetColor() const { return color_; }

 private:
  PromptService& prompts_;
  QString caption_;
  COLORREF color_ = 0;
  std::array<COLORREF, 16>* custom_ = nullptr;
};
