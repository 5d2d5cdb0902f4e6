// The "Sonar Settings" tab of the configuration view: frequency, range, power, maximum ping rate,
// gain and gain mode, pulse length and type, beam width and steering, each within the limits the
// sonar reports. It shows what the view hands it and turns the operator's moves into one request per
// change; a moved control keeps the operator's value until the sonar's new state comes back.
#pragma once

#include <vector>

#include "platform/afx/CDialog.h"
#include "platform/afx/Controls.h"
#include "views/config/KavoConfigurationRequests.h"

class KavoSonarSettingsPage : public CDialog {
  DECLARE_DYNAMIC(KavoSonarSettingsPage)

 public:
  static constexpr UINT IDD = 16907;

  explicit KavoSonarSettingsPage(KavoConfigurationRequests* view);

  // Values from the device; each redraws its controls only when it changed (or while the limits
  // are applied). Pulse type and current frequency always apply.
  void SetRange(double metres);
  void SetPower(double decibels);
  void SetPulseLength(double seconds);
  void SetPulseType(int type);
  void SetBeamWidth(double degrees);
  void SetMaxPingRate(double pingsPerSecond);
  void SetSteering(double vertical, double horizontal);
  void SetGainMode(int mode);
  void SetGain(double decibels);
  void SetCurrentFrequency(float hertz);

  // Limits from the sonar's setting set; they only store, ApplyLimits shows them.
  void SetRangeSet(const std::vector<double>& metres);
  void SetRangeLimits(double minimum, double maximum);
  void SetPowerLimits(double minimum, double maximum);
  void SetPulseLengthLimits(double minimum, double maximum);
  void SetBeamWidthSet(bool variable, const std::vector<double>& degrees);
  void SetSteeringLimits(bool steerable, double minX, double maxX, double minZ);
  void SetPingRateLimits(double maximum, double ratio, bool freeRun);
  void SetGainLimits(double minimum, double maximum);
  void SetFixedGain(bool available, double minimum, double maximum);
  void SetChirpAvailable(int available);
  // The centre frequencies (Hz) of the setting sets; false, nothing stored, for an empty list.
  bool SetFrequencyList(const std::vector<float>& hertz);
  int GetFrequencyCount() const;

  // Redraws bar ranges and labels from the stored limits, selects the current frequency and redraws
  // every value.
  void ApplyLimits();

  BOOL OnInitDialog() override;
  // Enter and Escape never close the page.
  void OnOK() override {}
  void OnCancel() override {}

 protected:
  void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
  void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
  BOOL OnHelpInfo(HELPINFO* info);
  void OnFrequencyChosen();
  void OnPulseTypeChosen();
  void OnTvgClicked();
  void OnFixedClicked();

  DECLARE_MESSAGE_MAP()

 private:
  KavoConfigurationRequests* view_;
};
