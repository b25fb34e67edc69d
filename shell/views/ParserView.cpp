#include "shell/views/ParserView.h"

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"

namespace {}

CORUParserView::CORUParserView(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName("CORUParserView");
  ApplyTemplate(this, IDD_PARSER_FORM);
}
