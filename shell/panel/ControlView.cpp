#include "shell/panel/ControlView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSignalBlocker>

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/dialogs/ConfigureDlg.h"
#include "shell/dialogs/FindDlg.h"
#include "shell/views/ViewContext.h"
#include "shell/panel/StandardComboBox.h"
#include "shell/views/ViewFactory.h"

namespace {

struct ControlPlace {
  int id;
  int x;
  int y;
};

// Where the form puts its controls whenever it is sized (pixels); the others keep their place.
constexpr ControlPlace kSizedPlaces[] = {
    {IDC_STANDARD, 11, 11},
    {IDC_FORMAT, 11, 39},
    {IDC_MODE, 11, 66},
    {IDC_SESSION, 11, 94},
    {IDC_SHOW_MODEM_EVENTS, 11, 122},
    {IDC_HIGHLIGHT_PARITY_ERRORS, 11, 146},
    {IDC_HIGHLIGHT_PARITY_BIT, 11, 166},
    {IDC_CAPTURE, 11, 193},
    {IDC_ASCII, 129, 11},
    {IDC_HEX, 129, 39},
    {IDC_BIT_STUFFED, 105, 68},
};

void ShowCheck(QAbstractButton* button, bool checked) {
  if (button == nullptr || button->isChecked() == checked) return;
  const QSignalBlocker quiet(button);
  button->setChecked(checked);
}

void ShowEnabled(QWidget* widget, bool enabled) {
  if (widget != nullptr && widget->isEnabled() != enabled) widget->setEnabled(enabled);
}

}  // namespace

CORUControlView::CORUControlView(ViewContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName(QStringLiteral("CORUControlView"));
  BuildForm();
  ConnectHandlers();
  setMouseTracking(true);
  // The form's first update: the controls take the settings.
  OnUpdate();
}

CORUControlView::~CORUControlView() = default;

void CORUControlView::BuildForm() {
  ApplyTemplate(this, IDD_CONTROL_PANEL);
  // The template's plain combo box becomes the standard combo, in the same place.
  if (auto* plain = FindControlAs<QComboBox>(this, IDC_STANDARD)) {
    standardCombo = new CORUStandardComboBox(this);
    standardCombo->setObjectName(plain->objectName());
    standardCombo->setProperty("controlId", IDC_STANDARD);
    standardCombo->setGeometry(plain->geometry());
    standardCombo->setFocusPolicy(plain->focusPolicy());
    standardCombo->setFont(plain->font());
    for (int i = 0; i < plain->count(); ++i) standardCombo->addItem(plain->itemText(i));
    standardCombo->setCurrentIndex(-1);
    QWidget::setTabOrder(plain, standardCombo);
    delete plain;
  }
  formatCombo = FindControlAs<QComboBox>(this, IDC_FORMAT);
  modeCombo = FindControlAs<QComboBox>(this, IDC_MODE);
  sessionCombo = FindControlAs<QComboBox>(this, IDC_SESSION);
  asciiRadio = FindControlAs<QAbstractButton>(this, IDC_ASCII);
  hexRadio = FindControlAs<QAbstractButton>(this, IDC_HEX);
  parityBitBox = FindControlAs<QAbstractButton>(this, IDC_HIGHLIGHT_PARITY_BIT);
  parityErrorsBox = FindControlAs<QAbstractButton>(this, IDC_HIGHLIGHT_PARITY_ERRORS);
  modemEventsBox = FindControlAs<QAbstractButton>(this, IDC_SHOW_MODEM_EVENTS);
  bitStuffedBox = FindControlAs<QAbstractButton>(this, IDC_BIT_STUFFED);
  captureButton = FindControlAs<QAbstractButton>(this, IDC_CAPTURE);
  signalTraceButton = FindControlAs<QAbstractButton>(this, IDC_SIGNAL_TRACE);
  // The radios are set by the handlers, never by each other.
  for (QAbstractButton* radio : {asciiRadio, hexRadio})
    if (radio != nullptr) radio->setAutoExclusive(false);
}

void CORUControlView::ConnectHandlers() {
  auto onSelect = [this](QComboBox* combo, ComboItems PanelControls::*items, void (CORUControlView::*handler)()) {
    if (combo == nullptr) return;
    connect(combo, &QComboBox::activated, this, [this, items, handler](int index) {
      (controls.*items).Select(index);
      (this->*handler)();
    });
  };
  onSelect(standardCombo, &PanelControls::standard, &CORUControlView::OnSelchangeStandard);
  onSelect(formatCombo, &PanelControls::format, &CORUControlView::OnSelchangeFormat);
  onSelect(modeCombo, &PanelControls::mode, &CORUControlView::OnSelchangeMode);
  onSelect(sessionCombo, &PanelControls::session, &CORUControlView::OnSelchangeSession);

  auto onClick = [this](int id, void (CORUControlView::*handler)()) {
    if (auto* button = FindControlAs<QAbstractButton>(this, id))
      connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
  };
  onClick(IDC_ASCII, &CORUControlView::OnAscii);
  onClick(IDC_HEX, &CORUControlView::OnHex);
  onClick(IDC_HIGHLIGHT_PARITY_BIT, &CORUControlView::OnHighlightParityBit);
  onClick(IDC_HIGHLIGHT_PARITY_ERRORS, &CORUControlView::OnHighlightParityErrors);
  onClick(IDC_SHOW_MODEM_EVENTS, &CORUControlView::OnShowModemEvents);
  onClick(IDC_BIT_STUFFED, &CORUControlView::OnBitStuffed);
  onClick(IDC_CAPTURE, &CORUControlView::OnCapture);
  onClick(IDC_SIGNAL_TRACE, &CORUControlView::OnSignalTrace);
  onClick(IDC_LINE_TEST, &CORUControlView::OnLineTest);
  onClick(IDC_DTMF_DECODER, &CORUControlView::OnDtmfDecoder);
  onClick(IDC_CONFIGURE, &CORUControlView::OnConfigure);
  onClick(IDC_RECALL_SESSION, &CORUControlView::OnRecallSession);
}

void CORUControlView::Render() {
  if (standardCombo != nullptr) standardCombo->SetItems(controls.standard);
  if (formatCombo != nullptr) ShowComboItems(*formatCombo, controls.format);
  if (modeCombo != nullptr) ShowComboItems(*modeCombo, controls.mode);
  if (sessionCombo != nullptr) ShowComboItems(*sessionCombo, controls.session);
  ShowCheck(asciiRadio, controls.ascii);
  ShowCheck(hexRadio, controls.hex);
  ShowCheck(parityBitBox, controls.parityBitChecked);
  ShowCheck(parityErrorsBox, controls.parityErrorsChecked);
  ShowCheck(modemEventsBox, controls.modemEventsChecked);
  ShowCheck(bitStuffedBox, controls.bitStuffedChecked);
  ShowEnabled(parityBitBox, controls.parityBoxesEnabled);
  ShowEnabled(parityErrorsBox, controls.parityBoxesEnabled);
  ShowEnabled(bitStuffedBox, controls.bitStuffedEnabled);
  if (modemEventsBox != nullptr && modemEventsBox->isVisibleTo(this) != controls.modemEventsVisible)
    modemEventsBox->setVisible(controls.modemEventsVisible);
}

QWidget* CORUControlView::Control(int id) { return FindControl(this, id); }

bool CORUControlView::OnCommand(int id) {
  if (id != ID_EDIT_FIND) return false;
  OnFind();
  return true;
}

CORUConfigureDlg& CORUControlView::ConfigureDialog() {
  if (configureDlg == nullptr) configureDlg = new CORUConfigureDlg(context_, this);
  return *configureDlg;
}

CORUFindDlg& CORUControlView::FindDialog() {
  if (findDlg == nullptr) findDlg = new CORUFindDlg(context_, this);
  return *findDlg;
}

ISessionRecall& CORUControlView::RecallDialog() {
  if (recallDlg == nullptr) recallDlg = context_.viewFactory.Create<ViewSlot::SessionRecall>(context_, this);
  return *recallDlg;
}

void CORUControlView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (const ControlPlace& place : kSizedPlaces)
    if (QWidget* control = FindControl(this, place.id)) control->move(place.x, place.y);
}

void CORUControlView::mouseMoveEvent(QMouseEvent* event) {
  if (context_.host.Views().sessionView) context_.host.Views().sessionView->ClearHoverMark();
  QWidget::mouseMoveEvent(event);
}

void RegisterControlView(ViewFactory& factory) {
  factory.Register<ViewSlot::ControlPanel>(
      [](ViewContext& context, QWidget* parent) -> IControlPanel* { return new CORUControlView(context, parent); });
}
