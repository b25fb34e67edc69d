#include "app/RegisterAllViews.h"

#include "display/RegisterDisplayViews.h"
#include "maintenance/RegisterMaintenanceViews.h"
#include "trace/RegisterTraceViews.h"

void RegisterAllViews(ViewFactory& factory) {
  RegisterDisplayViews(factory);
  RegisterTraceViews(factory);
  RegisterMaintenanceViews(factory);
}
