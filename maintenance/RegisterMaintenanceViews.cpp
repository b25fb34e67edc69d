#include "maintenance/RegisterMaintenanceViews.h"

#include "maintenance/CORUDevelop.h"
#include "shell/views/ViewFactory.h"

void RegisterMaintenanceViews(ViewFactory& factory) {
  factory.Register<ViewSlot::DevelopDialog>(
      [](ViewContext& context, QWidget* parent) -> IDevelopDialog* { return new CORUDevelop(context, parent); });
}
