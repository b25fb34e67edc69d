#include "shell/views/ParserView.h"

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"

namespace {}

CORUParserView::CORUParserView(CORUpc144App& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName("CORUParserView");
  ApplyTemplate(this, IDD_PARSER_FORM);
}
