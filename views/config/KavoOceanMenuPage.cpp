// The "Ocean Menu" tab: three bars with fixed limits, one unit per position, and the sound velocity
// override that enables the sound velocity bar.
#include "views/config/KavoOceanMenuPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/tavrin/HostViews.h"
#include "resources/ResourceIds.h"

BEGIN_MESSAGE_MAP(KavoOceanMenuPage, CDialog)
ON_WM_HSCROLL()
ON_WM_HELPINFO()
ON_BN_CLICKED(IDC_SOUND_VELOCITY_OVERRIDE, &KavoOceanMenuPage::OnOverrideClicked)
END_MESSAGE_MAP()

namespace {

// The bars' limits and resting places, as the template labels them; the sonar does not set them.
constexpr int kOceanAbsorptionMin = 0, kOceanAbsorptionMax = 120, kOceanAbsorptionStart = 70;
constexpr int kOceanSpreadingMin = 0, kOceanSpreadingMax = 60, kOceanSpreadingStart = 30;
constexpr int kOceanVelocityMin = 1400, kOceanVelocityMax = 1600, kOceanVelocityStart = 1500;

// The bar position of a value: its floor, kept inside int for any value the device reports.
int OceanFloor(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kLowest = std::numeric_limits<int>::min();
  constexpr double kHighest = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(std::floor(value), kLowest, kHighest));
}

}  // namespace

KavoOceanMenuPage::KavoOceanMenuPage(KavoConfigurationRequests* view) : CDialog(IDD), view_(view) {}

BOOL KavoOceanMenuPage::OnInitDialog() {
  CDialog::OnInitDialog();
  const struct {
    int id, minimum, maximum, start;
  } bars[] = {
      {IDC_ABSORPTION_BAR, kOceanAbsorptionMin, kOceanAbsorptionMax, kOceanAbsorptionStart},
      {IDC_SPREADING_BAR, kOceanSpreadingMin, kOceanSpreadingMax, kOceanSpreadingStart},
      {IDC_SOUND_VELOCITY_BAR, kOceanVelocityMin, kOceanVelocityMax, kOceanVelocityStart},
  };
  for (const auto& bar : bars) {
    if (CScrollBar* control = Bar(bar.id)) {
      control->SetScrollRange(bar.minimum, bar.maximum);
      control->SetScrollPos(bar.start);
    }
  }
  // The sensor's sound velocity rules until the operator overrides it.
  if (CWnd* velocityBar = GetDlgItem(IDC_SOUND_VELOCITY_BAR)) velocityBar->EnableWindow(FALSE);
  dialogReady_ = true;
  return TRUE;
}

CScrollBar* KavoOceanMenuPage::Bar(int id) const {
  return dynamic_cast<CScrollBar*>(GetDlgItem(id));
}

void KavoOceanMenuPage::ShowText(int id, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  if (CWnd* control = GetDlgItem(id)) control->SetWindowText(text);
}

void KavoOceanMenuPage::SetBarPos(int id, double value) {
  if (CScrollBar* bar = Bar(id)) bar->SetScrollPos(OceanFloor(value));
}

// ---- Values from the device ----

void KavoOceanMenuPage::SetAbsorption(double decibelsPerKilometre) {
  const auto value = static_cast<float>(decibelsPerKilometre);
  if (value == absorption_) return;
  absorption_ = value;
  if (!dialogReady_) return;
  ShowText(IDC_ABSORPTION_VALUE, "%.1f dB/km", absorption_);
  SetBarPos(IDC_ABSORPTION_BAR, absorption_);
}

void KavoOceanMenuPage::SetSpreading(double decibels) {
  const auto value = static_cast<float>(decibels);
  if (value == spreading_) return;
  spreading_ = value;
  if (!dialogReady_) return;
  ShowText(IDC_SPREADING_VALUE, "%.1f dB", spreading_);
  SetBarPos(IDC_SPREADING_BAR, spreading_);
}

// The label always follows the sensor; the bar only while the operator's value rules.
void KavoOceanMenuPage::SetSoundVelocity(double metresPerSecond) {
  const auto value = static_cast<float>(metresPerSecond);
  if (value == soundVelocity_) return;
  soundVelocity_ = value;
  if (!dialogReady_) return;
  ShowText(IDC_SOUND_VELOCITY_VALUE, "%.1f m/s", soundVelocity_);
  const CWnd* bar = GetDlgItem(IDC_SOUND_VELOCITY_BAR);
  if (bar != nullptr && bar->IsWindowEnabled()) SetBarPos(IDC_SOUND_VELOCITY_BAR, soundVelocity_);
}

void KavoOceanMenuPage::SetSoundVelocityOverride(bool override) {
  if (override == override_) return;
  override_ = override;
  if (!dialogReady_) return;
  if (auto* box = dynamic_cast<CButton*>(GetDlgItem(IDC_SOUND_VELOCITY_OVERRIDE))) {
    box->SetCheck(override_ ? BST_CHECKED : BST_UNCHECKED);
  }
  if (CWnd* bar = GetDlgItem(IDC_SOUND_VELOCITY_BAR)) bar->EnableWindow(override_ ? TRUE : FALSE);
  if (override_) SetBarPos(IDC_SOUND_VELOCITY_BAR, soundVelocity_);
}

// ---- Operator input ----

void KavoOceanMenuPage::OnHScroll(UINT code, UINT pos, CScrollBar* bar) {
  if (bar == nullptr) {
    CDialog::OnHScroll(code, pos, bar);
    return;
  }
  const int id = bar->GetDlgCtrlID();
  if (id != IDC_ABSORPTION_BAR && id != IDC_SPREADING_BAR && id != IDC_SOUND_VELOCITY_BAR) {
    CDialog::OnHScroll(code, pos, bar);
    return;
  }
  int minPos = 0;
  int maxPos = 0;
  bar->GetScrollRange(&minPos, &maxPos);
  int position = bar->GetScrollPos();
  switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT:  // the bars are short: a page is one unit, like a line
      if (position > minPos) --position;
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      if (position < maxPos) ++position;
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      position = static_cast<int>(pos);  // positions travel whole: negative ones survive
      break;
    case SB_LEFT:
      position = minPos;
      break;
    case SB_RIGHT:
      position = maxPos;
      break;
    case SB_ENDSCROLL:
      break;
    default:
      CDialog::OnHScroll(code, pos, bar);
      return;
  }
  const bool released = code == SB_ENDSCROLL;
  const auto value = static_cast<float>(position);
  switch (id) {
    case IDC_ABSORPTION_BAR:
      absorption_ = value;
      ShowText(IDC_ABSORPTION_VALUE, "%.1lf dB/km", absorption_);
      if (released && view_ != nullptr) view_->SendRequest("ZqAbsorption", static_cast<double>(absorption_));
      break;
    case IDC_SPREADING_BAR:
      spreading_ = value;
      ShowText(IDC_SPREADING_VALUE, "%.1lf dB", spreading_);
      if (released && view_ != nullptr)
        view_->SendRequest("ZqSpreadingLoss", static_cast<double>(spreading_));
      break;
    default:  // the sound velocity bar
      soundVelocity_ = value;
      ShowText(IDC_SOUND_VELOCITY_VALUE, "%.1lf m/s", soundVelocity_);
      if (released && view_ != nullptr) view_->SendSoundVelocity(soundVelocity_, override_);
      break;
  }
  bar->SetScrollPos(position);
  CDialog::OnHScroll(code, pos, bar);
}

void KavoOceanMenuPage::OnOverrideClicked() {
  const auto* box = dynamic_cast<CButton*>(GetDlgItem(IDC_SOUND_VELOCITY_OVERRIDE));
  SetSoundVelocityOverride(box != nullptr && box->GetCheck() == BST_CHECKED);
  if (view_ != nullptr) view_->SendSoundVelocity(soundVelocity_, override_);
}

BOOL KavoOceanMenuPage::OnHelpInfo(HELPINFO* info) {
  if (HelpProvider::GetInstance().ShowHelpfile(this)) return TRUE;
  return CDialog::OnHelpInfo(info);
}
