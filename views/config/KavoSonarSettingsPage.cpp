// The "Sonar Settings" tab: bars, lists and labels drawn from the limits of the sonar's current
// setting set, and one change request per operator move.
#include "views/config/KavoSonarSettingsPage.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "platform/tavrin/HostViews.h"
#include "resources/ResourceIds.h"

IMPLEMENT_DYNAMIC(KavoSonarSettingsPage, CDialog)

BEGIN_MESSAGE_MAP(KavoSonarSettingsPage, CDialog)
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_WM_HELPINFO()
ON_CBN_SELCHANGE(IDC_FREQUENCY_LIST, &KavoSonarSettingsPage::OnFrequencyChosen)
ON_CBN_SELCHANGE(IDC_PULSE_TYPE_LIST, &KavoSonarSettingsPage::OnPulseTypeChosen)
ON_BN_CLICKED(IDC_GAIN_MODE_TVG, &KavoSonarSettingsPage::OnTvgClicked)
ON_BN_CLICKED(IDC_GAIN_MODE_FIXED, &KavoSonarSettingsPage::OnFixedClicked)
END_MESSAGE_MAP()

namespace {

// The ranges (m) offered until the sonar's own range set arrives.
constexpr double kSettingsDefaultRangeSet[] = {
    2.5,  5,    8,    10,   15,   20,   25,   30,   35,   40,   50,   75,    100,   125,
    150,  175,  200,  250,  300,  350,  400,  500,  750,  1000, 1250, 1500,  1750,  2000,
    2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000, 6500, 7000, 7500, 10000, 12500, 15000,
};

constexpr double kSettingsMicroseconds = 1000000.0;
// The pulse length bar is logarithmic over this many positions; it rests here while no pulse
// length is known.
constexpr int kSettingsPulseBarEnd = 30000;
constexpr int kSettingsPulseBarUnset = 1000;
// The steering bar counts quarter degrees; a page moves it two degrees.
constexpr double kSettingsSteeringSteps = 4.0;
constexpr int kSettingsSteeringPage = 8;

const char* const kSettingsMicro = "µs";

// Truncation toward zero that stays defined for values outside int (limits of 0 give log10 of 0).
int SettingsTruncate(double value) {
  if (!std::isfinite(value)) return 0;
  constexpr double kLowest = std::numeric_limits<int>::min();
  constexpr double kHighest = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(value, kLowest, kHighest));
}

int SettingsFloor(double value) {
  return SettingsTruncate(std::floor(value));
}

// How many leading entries of a sorted table are not above value.
int SettingsLeadingNotAbove(const double* entries, int count, double value) {
  int leading = 0;
  while (leading < count && entries[leading] <= value) ++leading;
  return leading;
}

// A frequency in whole kHz, as the frequency list shows it.
CString SettingsKilohertzText(float hertz) {
  CString text;
  text.Format("%d", SettingsTruncate(hertz) / 1000);
  return text;
}

// 10 to the power of (p's decimal exponent + shift), truncated: with shift -1 the unit of p's second
// significant digit (1 for 55 µs, 10 for 150 µs, 0 below 10 µs).
int SettingsDecade(int microseconds, int shift) {
  if (microseconds <= 0) return 0;
  return SettingsTruncate(std::pow(10.0, std::floor(std::log10(microseconds)) + shift));
}

}  // namespace

KavoSonarSettingsPage::KavoSonarSettingsPage(KavoConfigurationRequests* view) : CDialog(IDD), view_(view) {}

BOOL KavoSonarSettingsPage::OnInitDialog() {
  CDialog::OnInitDialog();
  currentBeamWidth_ = beamWidthMin_;
  SetRangeSet({std::begin(kSettingsDefaultRangeSet), std::end(kSettingsDefaultRangeSet)});
  dialogReady_ = true;
  ApplyLimits();
  return TRUE;
}

// ---- Controls ----

CScrollBar* KavoSonarSettingsPage::Bar(int id) const {
  return dynamic_cast<CScrollBar*>(GetDlgItem(id));
}

CComboBox* KavoSonarSettingsPage::List(int id) const {
  return dynamic_cast<CComboBox*>(GetDlgItem(id));
}

CButton* KavoSonarSettingsPage::Button(int id) const {
  return dynamic_cast<CButton*>(GetDlgItem(id));
}

void KavoSonarSettingsPage::ShowText(int id, const char* format, ...) {
  char text[128];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (CWnd* control = GetDlgItem(id)) control->SetWindowText(text);
}

void KavoSonarSettingsPage::ShowControl(int id, bool shown) {
  if (CWnd* control = GetDlgItem(id)) control->ShowWindow(shown ? SW_SHOW : SW_HIDE);
}

void KavoSonarSettingsPage::EnableControl(int id, bool enabled) {
  if (CWnd* control = GetDlgItem(id)) control->EnableWindow(enabled ? TRUE : FALSE);
}

void KavoSonarSettingsPage::SetBarRange(int id, int minimum, int maximum) {
  if (CScrollBar* bar = Bar(id)) bar->SetScrollRange(minimum, maximum);
}

void KavoSonarSettingsPage::SetBarPos(int id, int position) {
  if (CScrollBar* bar = Bar(id)) bar->SetScrollPos(position);
}

// ---- Operator input ----

void KavoSonarSettingsPage::OnVScroll(UINT code, UINT pos, CScrollBar* bar) {
  OnHScroll(code, pos, bar);
}

void KavoSonarSettingsPage::OnHScroll(UINT code, UINT pos, CScrollBar* bar) {
  if (bar == nullptr) {
    CDialog::OnHScroll(code, pos, bar);
    return;
  }
  const int id = bar->GetDlgCtrlID();
  const int trackPos = static_cast<int>(pos);  // positions travel whole: negative ones survive
  if (id == IDC_PULSE_LENGTH_BAR) {
    OnPulseLengthScroll(code, trackPos, *bar);
    CDialog::OnHScroll(code, pos, bar);
    return;
  }
  int minPos = 0;
  int maxPos = 0;
  bar->GetScrollRange(&minPos, &maxPos);
  maxPos = std::max(minPos, maxPos);
  const int page = id == IDC_STEERING_BAR ? kSettingsSteeringPage : 1;
  int position = bar->GetScrollPos();
  const bool released = code == SB_ENDSCROLL;
  switch (code) {
    case SB_LINELEFT:
      if (position > minPos) --position;
      break;
    case SB_LINERIGHT:
      if (position < maxPos) ++position;
      break;
    case SB_PAGELEFT:  // in 64 bits: a steering range from the sonar may span all of int
      position = static_cast<int>(std::max<long long>(static_cast<long long>(position) - page, minPos));
      break;
    case SB_PAGERIGHT:
      position = static_cast<int>(std::min<long long>(static_cast<long long>(position) + page, maxPos));
      break;
    case SB_THUMBTRACK:
      // A real bar never tracks outside its range; keep a stray position inside it all the same.
      position = std::clamp(trackPos, minPos, maxPos);
      break;
    case SB_LEFT:
      position = minPos;
      break;
    case SB_RIGHT:
      position = maxPos;
      break;
    case SB_THUMBPOSITION:
      // The thumb was let go after a drag; the end of scroll that follows sends the request.
      CDialog::OnHScroll(code, pos, bar);
      return;
    case SB_ENDSCROLL:
      break;
    default:
      return;
  }

  switch (id) {
    case IDC_RANGE_BAR:
      currentRange_ =
          position >= 0 && position < rangeCount_ ? static_cast<float>(rangeSet_[position]) : 0.0F;
      ShowText(IDC_RANGE_VALUE, "%.1f m", currentRange_);
      if (released && view_ != nullptr) {
        view_->SendRequest("ZqRange", position >= 0 && position < rangeCount_ ? rangeSet_[position] : 0.0);
      }
      break;
    case IDC_POWER_BAR:
      if (position == 0) {
        currentPower_ = 0.0F;
        ShowText(IDC_POWER_VALUE, "OFF");
      } else {
        currentPower_ = static_cast<float>(powerMin_ + position - 1);
        ShowText(IDC_POWER_VALUE, "%.0f dB", currentPower_);
      }
      if (released && view_ != nullptr) view_->SendRequest("ZqPower", static_cast<double>(currentPower_));
      break;
    case IDC_GAIN_BAR:
      currentGain_ = static_cast<float>(position);
      ShowText(IDC_GAIN_VALUE, "%.1f dB", currentGain_);
      if (released && view_ != nullptr) view_->SendRequest("ZqGain", static_cast<double>(currentGain_));
      break;
    case IDC_BEAM_WIDTH_BAR:
      currentBeamWidth_ = position >= 0 && position < beamWidthCount_ ? beamWidths_[position] : 0.0;
      ShowText(IDC_BEAM_WIDTH_VALUE, "%.1f°", currentBeamWidth_);
      if (released && view_ != nullptr) view_->SendRequest("ZqBeamWidthX", currentBeamWidth_);
      break;
    case IDC_STEERING_BAR:
      steeringVertical_ = static_cast<float>(position / kSettingsSteeringSteps);
      ShowText(IDC_STEERING_VALUE, "%.02f°", steeringVertical_);
      if (released && view_ != nullptr) {
        view_->SendRequest("ZqBeamSteer", static_cast<double>(steeringVertical_),
                           static_cast<double>(steeringHorizontal_));
      }
      break;
    case IDC_PING_RATE_BAR:
      if (released) OnPingRateReleased(position);
      // With no ratio the bar spans position 0 only, which stands for no pinging.
      currentMaxPingRate_ = pingRateRatio_ > 0.0F ? static_cast<float>(position) / pingRateRatio_ : 0.0F;
      if (currentMaxPingRate_ == 0.0F) {
        ShowText(IDC_PING_RATE_VALUE, "OFF");
      } else if (freeRun_) {
        ShowText(IDC_PING_RATE_VALUE, "MAX");
      } else {
        ShowText(IDC_PING_RATE_VALUE, "%.1f p/s", currentMaxPingRate_);
      }
      break;
    default:
      break;
  }
  bar->SetScrollPos(position);
  CDialog::OnHScroll(code, pos, bar);
}

// The rate the operator left the bar at goes out first; the ping state follows it when the bar
// crossed between no pinging and pinging.
void KavoSonarSettingsPage::OnPingRateReleased(int position) {
  if (view_ == nullptr) return;
  view_->SendRequest("ZqMaxPingRate", static_cast<double>(currentMaxPingRate_));
  if (currentMaxPingRate_ == 0.0F && position == 0 && pingOn_) {
    pingOn_ = false;
    view_->SendRequest("ZqPingOnOffState", 0);
  } else if (currentMaxPingRate_ > 0.0F && position != 0 && !pingOn_) {
    pingOn_ = true;
    view_->SendRequest("ZqPingOnOffState", 1);
  }
}

// The pulse length is edited in whole microseconds: a line steps by the unit of the second significant
// digit and a page by five of them, the thumb maps logarithmically onto the limits, and every result
// but the release is cut to two significant digits and kept within the limits.
void KavoSonarSettingsPage::OnPulseLengthScroll(UINT code, int trackPos, CScrollBar& bar) {
  int p = pulseLengthMicroseconds_;
  const double step = SettingsDecade(p, -1);
  switch (code) {
    case SB_LINELEFT:
      p = SettingsTruncate(p - step);
      break;
    case SB_LINERIGHT:
      p = SettingsTruncate(p + step);
      break;
    case SB_PAGELEFT:
      p = SettingsTruncate(p - 5 * step);
      break;
    case SB_PAGERIGHT:
      p = SettingsTruncate(p + 5 * step);
      break;
    case SB_THUMBTRACK: {
      int minPos = 0;
      int maxPos = 0;
      bar.GetScrollRange(&minPos, &maxPos);
      const int span = maxPos - minPos;
      const double fraction =
          span > 0 ? static_cast<double>(std::clamp(trackPos, minPos, maxPos) - minPos) / span : 0.0;
      p = SettingsTruncate(
          kSettingsMicroseconds *
          std::pow(10.0, logPulseLengthMin_ + (logPulseLengthMax_ - logPulseLengthMin_) * fraction));
      break;
    }
    case SB_LEFT:
      p = SettingsTruncate(pulseLengthMin_ * kSettingsMicroseconds);
      break;
    case SB_RIGHT:
      p = SettingsTruncate(pulseLengthMax_ * kSettingsMicroseconds);
      break;
    case SB_THUMBPOSITION:
    case SB_ENDSCROLL:
      break;
    default:
      return;
  }
  if (code != SB_ENDSCROLL) {
    // Cut to two significant digits (the unit of the second digit), then kept within the limits.
    if (const int unit = SettingsDecade(p, -1); unit > 0) p = p / unit * unit;
    if (p / kSettingsMicroseconds > pulseLengthMax_)
      p = SettingsTruncate(pulseLengthMax_ * kSettingsMicroseconds);
    if (p / kSettingsMicroseconds < pulseLengthMin_)
      p = SettingsTruncate(pulseLengthMin_ * kSettingsMicroseconds);
  }
  currentPulseLength_ = static_cast<float>(p / kSettingsMicroseconds);
  ShowPulseLength(p);
  // The sonar's next two pulse length reports may still carry the old length: they must not pull
  // the bar back from where the operator left it.
  pulseUpdateHold_ = 2;
  if (code == SB_ENDSCROLL && view_ != nullptr) {
    view_->SendRequest("ZqPulseLength", static_cast<double>(currentPulseLength_));
  }
}

// The label shows p; the bar's place comes from the current pulse length on the logarithmic scale.
void KavoSonarSettingsPage::ShowPulseLength(int microseconds) {
  pulseLengthMicroseconds_ = microseconds;
  if (microseconds < 1000) {
    ShowText(IDC_PULSE_LENGTH_VALUE, "%d %s", microseconds, kSettingsMicro);
  } else {
    ShowText(IDC_PULSE_LENGTH_VALUE, "%.2f %s", microseconds / 1000.0, "ms");
  }
  CScrollBar* bar = Bar(IDC_PULSE_LENGTH_BAR);
  if (bar == nullptr) return;
  int minPos = 0;
  int maxPos = 0;
  bar->GetScrollRange(&minPos, &maxPos);
  const double decades = logPulseLengthMax_ - logPulseLengthMin_;
  const float fraction =
      decades != 0.0 ? static_cast<float>((std::log10(currentPulseLength_) - logPulseLengthMin_) / decades)
                     : 0.0F;
  bar->SetScrollPos(SettingsTruncate(static_cast<float>(maxPos - minPos) * fraction + minPos));
}

void KavoSonarSettingsPage::OnFrequencyChosen() {
  CComboBox* list = List(IDC_FREQUENCY_LIST);
  if (list == nullptr || list->GetCurSel() < 0 || view_ == nullptr) return;
  CString chosen;
  list->GetLBText(list->GetCurSel(), chosen);
  // An entry stands for the setting sets listed under its whole-kHz text, so the first of them is
  // chosen. Matching the texts rather than the entry times 1000 also finds a set whose frequency is
  // not a whole kHz; when none matches there is no set to ask for and nothing is sent.
  for (std::size_t index = 0; index < frequencies_.size(); ++index) {
    if (SettingsKilohertzText(frequencies_[index]) == chosen) {
      view_->SendRequest("DeviceEnum", static_cast<int>(index));
      return;
    }
  }
}

void KavoSonarSettingsPage::OnPulseTypeChosen() {
  CComboBox* list = List(IDC_PULSE_TYPE_LIST);
  if (list == nullptr || list->GetCurSel() == CB_ERR) return;
  pulseType_ = list->GetCurSel();
  if (view_ != nullptr) view_->SendRequest("ZqPulseType", pulseType_);
}

void KavoSonarSettingsPage::OnTvgClicked() {
  SetGainMode(0);
  if (view_ != nullptr) view_->SendRequest("ZqGainMode", 0);
}

void KavoSonarSettingsPage::OnFixedClicked() {
  SetGainMode(2);
  if (view_ != nullptr) view_->SendRequest("ZqGainMode", 2);
}

BOOL KavoSonarSettingsPage::OnHelpInfo(HELPINFO* info) {
  if (HelpProvider::GetInstance().ShowHelpfile(this)) return TRUE;
  return CDialog::OnHelpInfo(info);
}

// ---- Values from the device ----

void KavoSonarSettingsPage::SetRange(double metres) {
  if (!forceRedraw_ && static_cast<float>(metres) == currentRange_) return;
  currentRange_ = static_cast<float>(metres);
  SetBarPos(IDC_RANGE_BAR, SettingsLeadingNotAbove(rangeSet_.data(), rangeCount_, currentRange_) - 1);
  ShowText(IDC_RANGE_VALUE, "%.1f m", currentRange_);
}

void KavoSonarSettingsPage::SetPower(double decibels) {
  if (!forceRedraw_ && static_cast<float>(decibels) == currentPower_) return;
  currentPower_ = static_cast<float>(decibels);
  if (currentPower_ < 0.1F) {
    ShowText(IDC_POWER_VALUE, "OFF");
    SetBarPos(IDC_POWER_BAR, 0);
    return;
  }
  ShowText(IDC_POWER_VALUE, "%.0f dB", currentPower_);
  SetBarPos(IDC_POWER_BAR, SettingsTruncate(std::floor(currentPower_) - powerMin_ + 1.0));
}

void KavoSonarSettingsPage::SetGain(double decibels) {
  if (!forceRedraw_ && static_cast<float>(decibels) == currentGain_) return;
  currentGain_ = static_cast<float>(decibels);
  SetBarPos(IDC_GAIN_BAR, SettingsFloor(currentGain_));
  ShowText(IDC_GAIN_VALUE, "%.1f dB", currentGain_);
}

void KavoSonarSettingsPage::SetMaxPingRate(double pingsPerSecond) {
  const auto rate = static_cast<float>(std::max(pingsPerSecond, 0.0));
  if (!forceRedraw_ && rate == currentMaxPingRate_) return;
  currentMaxPingRate_ = rate;
  const float steps = rate * pingRateRatio_;
  if (steps < 1.0F) {
    SetBarPos(IDC_PING_RATE_BAR, 0);
    ShowText(IDC_PING_RATE_VALUE, "OFF");
    return;
  }
  SetBarPos(IDC_PING_RATE_BAR, SettingsFloor(steps));
  if (freeRun_) {
    ShowText(IDC_PING_RATE_VALUE, "MAX");
  } else {
    ShowText(IDC_PING_RATE_VALUE, "%.1f p/s", rate);
  }
}

void KavoSonarSettingsPage::SetGainMode(int mode) {
  if (!forceRedraw_ && mode == gainMode_) return;
  gainMode_ = mode;
  if (CButton* tvg = Button(IDC_GAIN_MODE_TVG)) tvg->SetCheck(mode == 0 ? BST_CHECKED : BST_UNCHECKED);
  if (CButton* fixed = Button(IDC_GAIN_MODE_FIXED)) fixed->SetCheck(mode == 2 ? BST_CHECKED : BST_UNCHECKED);
  ApplyGainLimits();
}

// The gain bar spans the limits of the gain mode shown: fixed gain has its own.
void KavoSonarSettingsPage::ApplyGainLimits() {
  const bool fixed = gainMode_ == 2;
  const double minimum = fixed ? fixedGainMin_ : tvgGainMin_;
  const double maximum = fixed ? fixedGainMax_ : tvgGainMax_;
  SetBarRange(IDC_GAIN_BAR, SettingsFloor(minimum + 0.001), SettingsFloor(maximum + 0.001));
  SetBarPos(IDC_GAIN_BAR, SettingsFloor(currentGain_));
  ShowText(IDC_GAIN_MIN, "%.1f", minimum);
  ShowText(IDC_GAIN_MAX, "%.1f", maximum);
}

void KavoSonarSettingsPage::SetBeamWidth(double degrees) {
  if (!forceRedraw_ && degrees == currentBeamWidth_) return;
  currentBeamWidth_ = degrees;
  ShowText(IDC_BEAM_WIDTH_VALUE, "%.1f°", degrees);
  SetBarPos(IDC_BEAM_WIDTH_BAR, SettingsLeadingNotAbove(beamWidths_.data(), beamWidthCount_, degrees) - 1);
}

void KavoSonarSettingsPage::SetSteering(double vertical, double horizontal) {
  const auto newVertical = static_cast<float>(vertical);
  const auto newHorizontal = static_cast<float>(horizontal);
  const bool changed = newVertical != steeringVertical_ || newHorizontal != steeringHorizontal_;
  if (!forceRedraw_ && !changed) return;
  // Loading limits resets the steering to its minimum; a steering already known is kept instead.
  const bool known = steeringVertical_ != -1.0F && steeringHorizontal_ != -1.0F;
  if (known && newVertical == steeringMinX_ && newHorizontal == steeringMinZ_) return;
  steeringVertical_ = newVertical;
  steeringHorizontal_ = newHorizontal;
  ShowText(IDC_STEERING_VALUE, "%.02f°", steeringVertical_);
  SetBarPos(IDC_STEERING_BAR, SettingsTruncate(steeringVertical_ * kSettingsSteeringSteps));
}

void KavoSonarSettingsPage::SetPulseLength(double seconds) {
  if (pulseUpdateHold_ >= 1) {
    --pulseUpdateHold_;
    return;
  }
  const auto value = static_cast<float>(seconds);
  if (!forceRedraw_ && value == currentPulseLength_) return;
  if (value == -1.0F) return;  // unset: the bar stays where it rests
  currentPulseLength_ = value;
  logPulseLengthMin_ = std::log10(pulseLengthMin_);
  logPulseLengthMax_ = std::log10(pulseLengthMax_);
  ShowPulseLength(SettingsTruncate(std::floor(seconds * kSettingsMicroseconds + 0.5)));
}

void KavoSonarSettingsPage::SetPulseType(int type) {
  pulseType_ = type;
  if (CComboBox* list = List(IDC_PULSE_TYPE_LIST)) list->SetCurSel(type);
}

void KavoSonarSettingsPage::SetCurrentFrequency(float hertz) {
  currentFrequency_ = hertz;
  CComboBox* list = List(IDC_FREQUENCY_LIST);
  if (list == nullptr) return;
  const CString text = SettingsKilohertzText(hertz);
  CString shown;
  list->GetLBText(list->GetCurSel(), shown);
  if (shown != text) list->SelectString(-1, text.GetString());
}

// ---- Limits of the setting set ----

// A sonar that reports more ranges than the table holds keeps the first ones: the set is sorted, so
// the ones left out are the largest, which the range limits cut in any case.
void KavoSonarSettingsPage::SetRangeSet(const std::vector<double>& metres) {
  rangeCount_ = std::min(static_cast<int>(metres.size()), kMaxRanges);
  std::copy_n(metres.begin(), rangeCount_, rangeSet_.begin());
}

void KavoSonarSettingsPage::SetRangeLimits(double minimum, double maximum) {
  rangeMin_ = minimum;
  rangeMax_ = maximum;
}

void KavoSonarSettingsPage::SetPowerLimits(double minimum, double maximum) {
  powerMin_ = minimum;
  powerMax_ = maximum;
}

void KavoSonarSettingsPage::SetPulseLengthLimits(double minimum, double maximum) {
  pulseLengthMin_ = minimum;
  pulseLengthMax_ = maximum;
}

// As with the range set, a longer list keeps its first (narrowest) entries.
void KavoSonarSettingsPage::SetBeamWidthSet(bool variable, const std::vector<double>& degrees) {
  beamWidthVariable_ = variable;
  if (degrees.empty()) return;
  beamWidthCount_ = std::min(static_cast<int>(degrees.size()), kMaxBeamWidths);
  std::copy_n(degrees.begin(), beamWidthCount_, beamWidths_.begin());
  beamWidthMin_ = beamWidths_[0];
  beamWidthMax_ = beamWidths_[beamWidthCount_ - 1];
  if (currentBeamWidth_ == -1.0) currentBeamWidth_ = beamWidthMin_;
}

void KavoSonarSettingsPage::SetSteeringLimits(bool steerable, double minX, double maxX, double minZ) {
  steerable_ = steerable;
  steeringMinX_ = static_cast<float>(minX);
  steeringMaxX_ = static_cast<float>(maxX);
  steeringMinZ_ = static_cast<float>(minZ);
}

void KavoSonarSettingsPage::SetPingRateLimits(double maximum, double ratio, bool freeRun) {
  pingRateMax_ = static_cast<float>(maximum);
  pingRateRatio_ = static_cast<float>(ratio);
  freeRun_ = freeRun;
}

void KavoSonarSettingsPage::SetGainLimits(double minimum, double maximum) {
  tvgGainMin_ = minimum;
  tvgGainMax_ = maximum;
}

void KavoSonarSettingsPage::SetFixedGain(bool available, double minimum, double maximum) {
  fixedGainAvailable_ = available;
  fixedGainMin_ = minimum;
  fixedGainMax_ = maximum;
}

void KavoSonarSettingsPage::SetChirpAvailable(int available) {
  chirpAvailable_ = available;
}

bool KavoSonarSettingsPage::SetFrequencyList(const std::vector<float>& hertz) {
  if (hertz.empty()) return false;
  if (hertz != frequencies_) frequencies_ = hertz;
  return true;
}

int KavoSonarSettingsPage::GetFrequencyCount() const {
  return static_cast<int>(frequencies_.size());
}

// ---- Showing the limits ----

void KavoSonarSettingsPage::ApplyLimits() {
  if (!dialogReady_) return;
  ApplyRangeLimits();

  SetBarRange(IDC_POWER_BAR, 0,
              SettingsTruncate(std::floor(powerMax_ + 0.001) - std::floor(powerMin_ + 0.001) + 1.0));
  ShowText(IDC_POWER_MAX, "%.0f", powerMax_);

  ApplyPulseLengthLimits();

  if (CComboBox* list = List(IDC_PULSE_TYPE_LIST)) list->SetCurSel(pulseType_);
  EnableControl(IDC_PULSE_TYPE_LIST, chirpAvailable_ != 0);

  SetBarRange(IDC_BEAM_WIDTH_BAR, 0, beamWidthCount_ - 1);
  for (const int id : {IDC_BEAM_WIDTH_BAR, IDC_BEAM_WIDTH_VALUE, IDC_BEAM_WIDTH_MIN, IDC_BEAM_WIDTH_MAX,
                       IDC_BEAM_WIDTH_CAPTION}) {
    ShowControl(id, beamWidthVariable_);
  }
  ShowText(IDC_BEAM_WIDTH_MIN, "%.1f°", beamWidthMin_);
  ShowText(IDC_BEAM_WIDTH_MAX, "%.1f°", beamWidthMax_);

  if (steeringMaxX_ > 0.0F) {
    SetBarRange(IDC_STEERING_BAR, SettingsTruncate(kSettingsSteeringSteps * std::floor(steeringMinX_ + 0.01)),
                SettingsTruncate(kSettingsSteeringSteps * std::floor(steeringMaxX_ + 0.01)));
    SetBarPos(IDC_STEERING_BAR, 0);
  }
  for (const int id :
       {IDC_STEERING_BAR, IDC_STEERING_VALUE, IDC_STEERING_MIN, IDC_STEERING_MAX, IDC_STEERING_CAPTION}) {
    ShowControl(id, steerable_);
  }
  ShowText(IDC_STEERING_MIN, "%.0f°", steeringMinX_);
  ShowText(IDC_STEERING_MAX, "%.0f°", steeringMaxX_);

  if (freeRun_) {
    SetBarRange(IDC_PING_RATE_BAR, 0, 1);
    ShowText(IDC_PING_RATE_MIN, "OFF");
    ShowText(IDC_PING_RATE_MAX, "MAX");
  } else {
    SetBarRange(IDC_PING_RATE_BAR, 0, SettingsFloor(pingRateMax_ * pingRateRatio_));
    ShowText(IDC_PING_RATE_MIN, "%.0f", 0.0);
    ShowText(IDC_PING_RATE_MAX, "%.0f", pingRateMax_);
  }

  EnableControl(IDC_GAIN_MODE_TVG, fixedGainAvailable_);
  EnableControl(IDC_GAIN_MODE_FIXED, fixedGainAvailable_);

  ShowText(IDC_FREQUENCY_UNIT, "kHz");
  FillFrequencyList();

  SetCurrentFrequency(currentFrequency_);
  forceRedraw_ = true;
  SetRange(currentRange_);
  SetPower(currentPower_);
  SetMaxPingRate(currentMaxPingRate_);
  SetGainMode(gainMode_);
  SetGain(currentGain_);
  SetBeamWidth(currentBeamWidth_);
  SetPulseLength(currentPulseLength_);
  SetSteering(steeringVertical_, steeringHorizontal_);
  forceRedraw_ = false;
}

// The range bar offers the entries of the set within the range limits. A maximum between two entries
// takes the place of the entry above it, so the bar reaches the maximum itself; a maximum above the
// whole set comes down to its last entry. The set keeps what is done here for the next time.
void KavoSonarSettingsPage::ApplyRangeLimits() {
  const int first = std::max(SettingsLeadingNotAbove(rangeSet_.data(), rangeCount_, rangeMin_) - 1, 0);
  if (first == 0 && rangeCount_ > 0 && rangeMin_ < rangeSet_[0]) rangeMin_ = rangeSet_[0];
  int end = first;
  while (end < rangeCount_ && rangeSet_[end] <= rangeMax_) ++end;
  // Only an entry that exists is replaced: with none above the maximum the set already ends below it.
  if (end < rangeCount_ && end > 0 && rangeSet_[end - 1] < rangeMax_) {
    rangeSet_[end] = rangeMax_;
    ++end;
  }
  if (rangeCount_ > 0 && rangeSet_[rangeCount_ - 1] < rangeMax_) rangeMax_ = rangeSet_[rangeCount_ - 1];
  SetBarRange(IDC_RANGE_BAR, first, end - 1);
  ShowText(IDC_RANGE_MIN, "%.1f", rangeMin_);
  ShowText(IDC_RANGE_MAX, "%.1f", rangeMax_);
}

// Limits of a millisecond and more read in ms, shorter ones in µs.
void KavoSonarSettingsPage::ApplyPulseLengthLimits() {
  SetBarRange(IDC_PULSE_LENGTH_BAR, 0, kSettingsPulseBarEnd);
  if (currentPulseLength_ == -1.0F) SetBarPos(IDC_PULSE_LENGTH_BAR, kSettingsPulseBarUnset);
  if (pulseLengthMax_ >= 0.001) {
    ShowText(IDC_PULSE_LENGTH_MIN, "%.2f %s", pulseLengthMin_ * 1000.0, "ms");
    ShowText(IDC_PULSE_LENGTH_MAX, "%.1f %s", pulseLengthMax_ * 1000.0, "ms");
  } else {
    ShowText(IDC_PULSE_LENGTH_MIN, "%.0f %s", pulseLengthMin_ * kSettingsMicroseconds, kSettingsMicro);
    ShowText(IDC_PULSE_LENGTH_MAX, "%.0f %s", pulseLengthMax_ * kSettingsMicroseconds, kSettingsMicro);
  }
}

// One entry per whole kHz: a frequency whose text an entry already begins with adds none.
void KavoSonarSettingsPage::FillFrequencyList() {
  CComboBox* list = List(IDC_FREQUENCY_LIST);
  if (list == nullptr) return;
  list->ResetContent();
  for (const float hertz : frequencies_) {
    const CString text = SettingsKilohertzText(hertz);
    if (list->FindString(-1, text.GetString()) == CB_ERR) list->AddString(text.GetString());
  }
}
