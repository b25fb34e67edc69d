#pragma once

// The table of the windows the shell hosts but does not build: every pane, tab window and dialog
// of the capture display, the signal trace and meters, maintenance, and the control panel. Each
// window folder fills its slots from its Register<X>Views function; a slot nobody filled gives a
// placeholder, so the shell runs before those windows exist.
//
// The page of each tab (shell/views/TabPage.h) is made here too, by the row of the tab table.
//
// A maker builds the window as a child of `parent` (or a dialog owned by it); the widget owns the
// view object, so a view lives exactly as long as its widget.

#include <array>
#include <functional>
#include <map>

#include "shell/views/TabPage.h"
#include "shell/views/ViewInterfaces.h"

struct ViewContext;
class QWidget;

enum class ViewSlot {
  SessionView,     // CAPTURE DATA, right pane
  ControlPanel,    // CAPTURE DATA, top left
  CaptureReadout,  // CAPTURE DATA, bottom left (read-out panel, capture mode)
  SignalTrace,     // SIGNAL TRACE, right pane
  TraceControl,    // SIGNAL TRACE, top left
  TraceReadout,    // SIGNAL TRACE, bottom left (read-out panel, signal-trace mode)
  VoltMeter,       // VOLT METER tab
  Dtmf,            // DTMF DECODER tab
  DevelopDialog,   // the development dialog
  SessionRecall,   // the stored-session recall dialog
  Count            // not a slot: how many there are
};
inline constexpr int kViewSlotCount = static_cast<int>(ViewSlot::Count);

template <ViewSlot S>
struct ViewSlotInterface;
template <>
struct ViewSlotInterface<ViewSlot::SessionView> {
  using type = ISessionView;
};
template <>
struct ViewSlotInterface<ViewSlot::ControlPanel> {
  using type = IControlPanel;
};
template <>
struct ViewSlotInterface<ViewSlot::CaptureReadout> {
  using type = IReadoutPanel;
};
template <>
struct ViewSlotInterface<ViewSlot::SignalTrace> {
  using type = ISignalTraceView;
};
template <>
struct ViewSlotInterface<ViewSlot::TraceControl> {
  using type = ITraceControl;
};
template <>
struct ViewSlotInterface<ViewSlot::TraceReadout> {
  using type = IReadoutPanel;
};
template <>
struct ViewSlotInterface<ViewSlot::VoltMeter> {
  using type = IVoltMeterView;
};
template <>
struct ViewSlotInterface<ViewSlot::Dtmf> {
  using type = IDtmfView;
};
template <>
struct ViewSlotInterface<ViewSlot::DevelopDialog> {
  using type = IDevelopDialog;
};
template <>
struct ViewSlotInterface<ViewSlot::SessionRecall> {
  using type = ISessionRecall;
};

template <ViewSlot S>
using ViewSlotType = typename ViewSlotInterface<S>::type;
template <ViewSlot S>
using ViewMaker = std::function<ViewSlotType<S>*(ViewContext& context, QWidget* parent)>;

class ViewFactory {
 public:
  ViewFactory() = default;
  ViewFactory(const ViewFactory&) = delete;
  ViewFactory& operator=(const ViewFactory&) = delete;

  // Fills a slot; a later registration replaces an earlier one (a test's stand-in).
  template <ViewSlot S>
  void Register(ViewMaker<S> maker) {
    makers[Index(S)] = [maker = std::move(maker)](ViewContext& context, QWidget* parent) -> IShellView* {
      return maker(context, parent);
    };
  }
  bool IsRegistered(ViewSlot slot) const { return static_cast<bool>(makers[Index(slot)]); }

  // Builds the slot's window, or its placeholder when nobody registered one (or the maker gave
  // nothing). Never null.
  template <ViewSlot S>
  ViewSlotType<S>* Create(ViewContext& context, QWidget* parent) const {
    if (makers[Index(S)]) {
      if (IShellView* view = makers[Index(S)](context, parent)) return static_cast<ViewSlotType<S>*>(view);
    }
    return static_cast<ViewSlotType<S>*>(CreatePlaceholder(S, context, parent));
  }

  // Puts `maker` under `row` of the tab table, ahead of a page a window's own file placed there.
  void RegisterTabPage(int row, TabPageMaker maker) { tabPages_[row] = std::move(maker); }
  // Builds the page of `row`: this factory's maker, else the one placed by the page's own file,
  // else a placeholder that names the tab. Never null.
  ITabPage* CreateTabPage(int row, ViewContext& context, QWidget* parent) const;

 private:
  static constexpr int Index(ViewSlot slot) { return static_cast<int>(slot); }
  static IShellView* CreatePlaceholder(ViewSlot slot, ViewContext& context, QWidget* parent);

  std::array<std::function<IShellView*(ViewContext&, QWidget*)>, kViewSlotCount> makers;
  std::map<int, TabPageMaker> tabPages_;
};
