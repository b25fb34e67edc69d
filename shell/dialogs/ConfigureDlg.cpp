#include "shell/dialogs/ConfigureDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>

#include <mutex>

#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/DialogTemplate.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"

namespace {

struct RadioControl {
  int id;
  int ConfigureValues::*value;
  int choice;
};

constexpr RadioControl kRadios[] = {
    {IDC_FORMAT_8N1, &ConfigureValues::format, 0},
    {IDC_FORMAT_7E1, &ConfigureValues::format, 1},
    {IDC_BELL, &ConfigureValues::standard, 0},
    {IDC_ITU, &ConfigureValues::standard, 1},
    {IDC_ASYNC, &ConfigureValues::mode, 0},
    {IDC_SYNC, &ConfigureValues::mode, 1},
    {IDC_TWO_WIRE, &ConfigureValues::lineType, 0},
    {IDC_FOUR_WIRE, &ConfigureValues::lineType, 1},
    {IDC_ANSWER_TONE, &ConfigureValues::trigger, 0},
    {IDC_CALL_PROGRESS, &ConfigureValues::trigger, 1},
    {IDC_DIAL_TONE, &ConfigureValues::callProgress, 0},
    {IDC_DTMF, &ConfigureValues::callProgress, 1},
    {IDC_RINGBACK, &ConfigureValues::callProgress, 2},
};

constexpr int kFormatControls[] = {IDC_FORMAT_GROUP, IDC_FORMAT_8N1, IDC_FORMAT_7E1};
constexpr int kOtherControls[] = {
    IDC_STANDARD_GROUP,  IDC_BELL,     IDC_ITU,       IDC_CAPTURE_MODE_GROUP, IDC_ASYNC,       IDC_SYNC,
    IDC_LINE_TYPE_GROUP, IDC_TWO_WIRE, IDC_FOUR_WIRE, IDC_TRIGGER_GROUP,      IDC_ANSWER_TONE, IDC_CALL_PROGRESS};
constexpr int kCallProgressControls[] = {IDC_CALL_PROGRESS_GROUP, IDC_DIAL_TONE,     IDC_DTMF, IDC_RINGBACK,
                                         IDC_TRIGGER_DIGITS,      IDC_TRIGGER_NUMBER};

}  // namespace

CORUConfigureDlg::CORUConfigureDlg(ViewContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  setObjectName("CORUConfigureDlg");
  ApplyTemplate(this, IDD_CONFIGURE);
  // On the group's signal, after the template's own radio handling, so the refill has the
  // last word on which radio shows checked.
  QSet<QButtonGroup*> groups;
  for (const RadioControl& radio : kRadios) {
    auto* button = FindControlAs<QAbstractButton>(this, radio.id);
    if (!button) continue;
    if (QButtonGroup* group = button->group()) {
      if (!groups.contains(group)) {
        groups.insert(group);
        connect(group, &QButtonGroup::buttonClicked, this,
                [this](QAbstractButton* clicked) { OnRadio(ControlId(clicked)); });
      }
    } else {
      const int id = radio.id;
      connect(button, &QAbstractButton::clicked, this, [this, id] { OnRadio(id); });
    }
  }
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_TRIGGER_DIGITS))
    connect(edit, &QLineEdit::textChanged, this, &CORUConfigureDlg::OnTriggerTextChanged);
  if (auto* edit = FindControlAs<QLineEdit>(this, IDC_TRIGGER_NUMBER))
    connect(edit, &QLineEdit::textChanged, this, &CORUConfigureDlg::OnNumberChanged);
  // OK compares and sends before the dialog closes; the template's plain accept would skip it.
  if (auto* ok = FindControlAs<QPushButton>(this, 1)) {
    ok->disconnect(this);
    connect(ok, &QPushButton::clicked, this, &CORUConfigureDlg::OnOK);
  }
}

CORUConfigureDlg::~CORUConfigureDlg() = default;

int CORUConfigureDlg::RunModal() {
  OnInitDialog();
  running_ = true;
  const int result = context_.prompts.RunModal(*this);
  running_ = false;
  return result;
}

bool CORUConfigureDlg::WindowExists() const { return running_; }

void CORUConfigureDlg::OnInitDialog() {
  context_.store.WithData([&](const DataScope& data) { values_ = InitialConfigureValues(data.sysCfg()); });
  if (context_.link.DeviceOpen()) context_.worker.Post(WM_ORU_GET_CONFIG, 0, 0);
  // Only the position: a modal window under all others has no Qt counterpart.
  move(0, 0);
  FillControls(true);
}

void CORUConfigureDlg::ReloadFromSettings() {
  context_.store.WithData(
      [&](const DataScope& data) { LoadConfigureValues(values_, data.sysCfg(), context_.link.DeviceOpen()); });
  FillControls(true);
}

void CORUConfigureDlg::FillControls(bool withEdits) {
  filling_ = true;
  const ConfigureEnables enables = ConfigureEnablesFor(values_, context_.link.DeviceOpen());
  const auto enable = [this](const auto& ids, bool on) {
    for (int id : ids) {
      if (QWidget* control = FindControl(this, id)) control->setEnabled(on);
    }
  };
  enable(kFormatControls, enables.formatRadios);
  enable(kOtherControls, enables.otherRadios);
  enable(kCallProgressControls, enables.callProgress);
  // The group's unnamed labels ("Digits:", "Number:") are greyed with it.
  if (QWidget* box = FindControl(this, IDC_CALL_PROGRESS_GROUP)) {
    for (auto* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      if (ControlId(label) == kStaticControlId && box->geometry().contains(label->geometry()))
        label->setEnabled(enables.callProgress);
  }
  if (QWidget* apply = FindControl(this, IDC_APPLY)) apply->setEnabled(false);
  for (const RadioControl& radio : kRadios) {
    if (auto* button = FindControlAs<QAbstractButton>(this, radio.id))
      button->setChecked(values_.*radio.value == radio.choice);
  }
  // A radio click leaves the edits alone, so a refused text stays as typed.
  if (withEdits) {
    if (auto* edit = FindControlAs<QLineEdit>(this, IDC_TRIGGER_DIGITS))
      edit->setText(QString::fromLatin1(values_.triggerText.c_str()));
    if (auto* edit = FindControlAs<QLineEdit>(this, IDC_TRIGGER_NUMBER))
      edit->setText(QString::fromStdString(values_.numberText));
  }
  filling_ = false;
}

void CORUConfigureDlg::OnRadio(int id) {
  for (const RadioControl& radio : kRadios) {
    if (radio.id == id && id != IDC_SYNC) values_.*radio.value = radio.choice;
  }
  if (id == IDC_FOUR_WIRE) {
    context_.prompts.MessageBox("Line 1 is Originate data\n\nLine 2 is Answer data", "Line Identification",
                                MB_OK | MB_SYSTEMMODAL);
  } else if (id == IDC_SYNC) {
    bool ok = true;
    if (SyncNeedsFormatPrompt(values_)) {
      ok = context_.prompts.MessageBox("Sync mode only valid for 8N1 data format", "Data format",
                                       MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
    }
    ChooseSync(values_, ok);
  }
  // Every click refills, so the radios always show the values (they are not auto-exclusive)
  // and the call-progress controls follow the trigger.
  FillControls(false);
}

void CORUConfigureDlg::OnTriggerTextChanged(const QString& text) {
  if (filling_) return;
  const std::string latin = text.toLatin1().toStdString();
  if (text.toLatin1() != text.toUtf8() || !IsAcceptedTriggerText(latin)) return;
  values_.triggerText = latin;
  values_.triggerTextKnown = true;
}

void CORUConfigureDlg::OnNumberChanged(const QString& text) {
  if (filling_) return;
  values_.numberText = text.toStdString();
  if (const std::optional<int> number = ParseConfigureNumber(values_.numberText)) {
    values_.number = *number;
    values_.numberKnown = true;
  }
}

void CORUConfigureDlg::OnOK() {
  if (!context_.link.DeviceOpen()) {
    bool changed = false;
    context_.store.WithData([&](DataScope& data) { changed = ApplyConfigureOkWithoutDevice(values_, data.sysCfg()); });
    if (changed) ReloadFromSettings();
    accept();
    return;
  }
  {
    // The worker reads the stored bytes when it handles the posts, after the lock is released.
    context_.store.WithData([&](DataScope& data) {
      for (const ConfigPost& post : ApplyConfigureOk(values_, data.sysCfg()))
        context_.worker.Post(post.message, post.wParam, post.lParam);
    });
  }
  accept();
}
