#include "maintenance/RegisterMaintenanceViews.h"

#include "maintenance/CORUDevelop.h"
#include "shell/views/ViewFactory.h"

void RegisterMaintenanceViews(ViewFactory& factory) {
  factory.Register<ViewSlot::DevelopDialog>(
      [](CORUpc144App& app, QWidget* parent) -> IDevelopDialog* { return new CORUDevelop(app, parent); });
}
