// The "Sonar Settings" tab of the configuration view: frequency, range, power, maximum ping rate,
// gain and gain mode, pulse length and type, beam width and steering, each within the limits the
// sonar reports. It shows what the view hands it and turns the operator's moves into one request per
// change; a moved control keeps the operator's value until the sonar's new state comes back.
#pragma once

#include <array>
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
  // The sonar's range set and beam width list hold at most this many entries.
  static constexpr int kMaxRanges = 42;
  static constexpr int kMaxBeamWidths = 10;

  void OnPulseLengthScroll(UINT code, int trackPos, CScrollBar& bar);
  void OnPingRateReleased(int position);
  // Shows the pulse length p (whole microseconds) in its label and on the logarithmic bar.
  void ShowPulseLength(int microseconds);
  void ApplyRangeLimits();
  void ApplyPulseLengthLimits();
  void FillFrequencyList();
  void ApplyGainLimits();

  CScrollBar* Bar(int id) const;
  CComboBox* List(int id) const;
  CButton* Button(int id) const;
  void ShowText(int id, const char* format, ...) __attribute__((format(printf, 3, 4)));
  void ShowControl(int id, bool shown);
  void EnableControl(int id, bool enabled);
  void SetBarRange(int id, int minimum, int maximum);
  void SetBarPos(int id, int position);

  KavoConfigurationRequests* view_;

  bool dialogReady_ = false;
  // While set, every value setter redraws even a value it already shows.
  bool forceRedraw_ = false;
  bool pingOn_ = false;  // the ping state last requested through the ping rate bar
  // Pulse length updates from the view still to ignore after the operator moved the bar.
  int pulseUpdateHold_ = 0;

  double rangeMin_ = 0.0, rangeMax_ = 0.0;
  std::array<double, kMaxRanges> rangeSet_{};
  int rangeCount_ = 0;
  float currentRange_ = 0.0F;

  double powerMin_ = 0.0, powerMax_ = 0.0;
  float currentPower_ = 0.0F;  // 0: off

  float pingRateMax_ = 0.0F, pingRateRatio_ = 1.0F;
  bool freeRun_ = false;
  float currentMaxPingRate_ = 0.0F;

  double tvgGainMin_ = 0.0, tvgGainMax_ = 0.0;
  bool fixedGainAvailable_ = false;
  double fixedGainMin_ = 0.0, fixedGainMax_ = 0.0;
  int gainMode_ = -1;  // 0 TVG, 2 fixed
  float currentGain_ = 0.0F;

  std::array<double, kMaxBeamWidths> beamWidths_{};
  int beamWidthCount_ = 1;
  bool beamWidthVariable_ = false;
  double beamWidthMin_ = 0.0, beamWidthMax_ = 0.0;
  double currentBeamWidth_ = -1.0;  // -1: unset

  double pulseLengthMin_ = 0.0, pulseLengthMax_ = 0.0;  // seconds
  double logPulseLengthMin_ = 0.0, logPulseLengthMax_ = 0.0;
  float currentPulseLength_ = -1.0F;  // seconds; -1: unset
  int pulseLengthMicroseconds_ = 0;
  int chirpAvailable_ = 0;
  int pulseType_ = 0;  // 0 CW, 1 FM

  float steeringMinX_ = 0.0F, steeringMaxX_ = 0.0F, steeringMinZ_ = 0.0F;
  bool steerable_ = false;
  float steeringVertical_ = -1.0F, steeringHorizontal_ = -1.0F;  // -1: unset

  std::vector<float> frequencies_;  // Hz, one per setting set
  float currentFrequency_ = 0.0F;
};
