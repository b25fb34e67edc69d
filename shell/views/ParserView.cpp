#include "shell/views/ParserView.h"

#include "resources/TemplateBuilder.h"

namespace {
constexpr int kParserForm = 101;
}

CORUParserView::CORUParserView(CORUpc144App& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName("CORUParserView");
  ApplyTemplate(this, kParserForm);
}
